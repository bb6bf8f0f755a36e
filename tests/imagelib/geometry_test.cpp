// Crop, rotation and resize: sizes, exact pixel moves, fill colour and averaging.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "imagelib/imagelib.h"
#include "imagelib/picture_store.h"
#include "tests/imagelib/test_pictures.h"

namespace {

using testpictures::Make24Bit;
using testpictures::MakeFlat;
using testpictures::PixelsOf;
using testpictures::Size;
using testpictures::SizeOf;

ColourRef GreyOf(int level) {
  return MakeColour(level, level, level);
}

// Every pixel of a small picture has its own colour, so any misplaced pixel shows.
ColourRef Distinct(int x, int y) {
  return MakeColour(x * 20, y * 20, 255 - x - y);
}

TEST(CropTest, ClipsToThePictureAndReplacesTheHandle) {
  struct Case {
    int x, y, width, height;
    Size size;
    int firstX, firstY;  // where the result's top-left pixel comes from
  };
  const Case cases[] = {
      {1, 2, 3, 2, {3, 2}, 1, 2},      // inside
      {-2, -1, 4, 3, {2, 2}, 0, 0},    // sticks out top-left
      {5, 3, 100, 100, {2, 2}, 5, 3},  // sticks out bottom-right
      {7, 0, 5, 5, {7, 5}, 0, 0},      // wholly right of it: a copy
      {0, 0, 0, 3, {7, 5}, 0, 0},      // empty: a copy
      {2, 2, -3, -3, {7, 5}, 0, 0},    // negative size: a copy
      {2147483647, 0, 2147483647, 1, {7, 5}, 0, 0},
  };
  for (const Case& c : cases) {
    std::size_t storedBefore = imagelib::StoredPictureCount();
    PictureHandle original = Make24Bit(7, 5, Distinct).Release();
    ScopedPicture cropped(CropPicture(original, c.x, c.y, c.width, c.height));
    ASSERT_TRUE(cropped) << c.x << "," << c.y;
    EXPECT_NE(cropped.Get(), original);
    EXPECT_EQ(imagelib::FindPicture(original), nullptr) << "the old picture is released";
    EXPECT_EQ(imagelib::StoredPictureCount(), storedBefore + 1);
    EXPECT_EQ(SizeOf(cropped.Get()), c.size) << c.x << "," << c.y;
    EXPECT_EQ(GetPixelColour(cropped.Get(), 0, 0), Distinct(c.firstX, c.firstY));
    EXPECT_EQ(GetPixelColour(cropped.Get(), c.size.width - 1, c.size.height - 1),
              Distinct(c.firstX + c.size.width - 1, c.firstY + c.size.height - 1));
  }
}

TEST(CropTest, KeepsThePaletteOfAnEightBitPicture) {
  PictureHandle original = Make24Bit(6, 4, Distinct).Release();
  ConvertTo8Bit(original, 0, 0);
  ScopedPicture cropped(CropPicture(original, 2, 1, 3, 2));
  BitmapInfoHeader header{};
  GetPictureHeader(cropped.Get(), &header);
  EXPECT_EQ(header.biBitCount, 8);
  EXPECT_EQ(GetPixelColour(cropped.Get(), 2, 1), Distinct(4, 2));
}

TEST(RotateTest, QuarterTurnsMovePixelsExactly) {
  const int width = 5;
  const int height = 3;
  struct Case {
    int angle;
    Size size;
    // Where source pixel (x, y) lands.
    int (*toX)(int x, int y);
    int (*toY)(int x, int y);
  };
  const Case cases[] = {
      {90000, {3, 5}, [](int, int y) { return 2 - y; }, [](int x, int) { return x; }},
      {180000, {5, 3}, [](int x, int) { return 4 - x; }, [](int, int y) { return 2 - y; }},
      {270000, {3, 5}, [](int, int y) { return y; }, [](int x, int) { return 4 - x; }},
      {-90000, {3, 5}, [](int, int y) { return y; }, [](int x, int) { return 4 - x; }},
      {450000, {3, 5}, [](int, int y) { return 2 - y; }, [](int x, int) { return x; }},
      {0, {5, 3}, [](int x, int) { return x; }, [](int, int y) { return y; }},
      {360000, {5, 3}, [](int x, int) { return x; }, [](int, int y) { return y; }},
  };
  for (const Case& c : cases) {
    ScopedPicture picture = Make24Bit(width, height, Distinct);
    ASSERT_EQ(RotatePicture(picture.Get(), c.angle, MakeColour(255, 0, 255)), 1);
    ASSERT_EQ(SizeOf(picture.Get()), c.size) << c.angle;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        EXPECT_EQ(GetPixelColour(picture.Get(), c.toX(x, y), c.toY(x, y)), Distinct(x, y))
            << c.angle << " at " << x << "," << y;
      }
    }
  }
}

TEST(RotateTest, FortyFiveDegreesGrowsTheCanvasAndFillsTheCorners) {
  const ColourRef green = MakeColour(0, 200, 0);
  const ColourRef fill = MakeColour(255, 0, 255);
  // Left half green, right half blue: clockwise, the green half turns towards the top.
  ScopedPicture picture =
      Make24Bit(100, 60, [&](int x, int) { return x < 50 ? green : MakeColour(0, 0, 200); });
  ASSERT_EQ(RotatePicture(picture.Get(), 45000, fill), 1);
  // 100 cos 45° + 60 sin 45° = 113.14.
  ASSERT_EQ(SizeOf(picture.Get()), (Size{114, 114}));
  for (auto [x, y] : {std::pair{0, 0}, {113, 0}, {0, 113}, {113, 113}, {5, 56}}) {
    EXPECT_EQ(GetPixelColour(picture.Get(), x, y), fill) << x << "," << y;
  }
  EXPECT_EQ(GetPixelColour(picture.Get(), 50, 35), green);
  EXPECT_EQ(GetPixelColour(picture.Get(), 63, 78), MakeColour(0, 0, 200));
  // The turned corners touch the canvas edges: the left corner of the source lies at the top.
  EXPECT_NE(GetPixelColour(picture.Get(), 42, 1), fill);
}

TEST(RotateTest, EveryDepthIsTurned) {
  for (int depth : {8, 16}) {
    ScopedPicture picture = Make24Bit(4, 2, Distinct);
    if (depth == 8) ConvertTo8Bit(picture.Get(), 0, 0);
    if (depth == 16) ConvertTo16Bit(picture.Get(), 0, 0);
    ColourRef corner = GetPixelColour(picture.Get(), 0, 0);
    ASSERT_EQ(RotatePicture(picture.Get(), 90000, 0), 1);
    EXPECT_EQ(GetPixelColour(picture.Get(), 1, 0), corner);
    EXPECT_EQ(RotatePicture(picture.Get(), 30000, 0), 1);
  }
}

TEST(ResizeTest, MakesExactlyTheAskedSize) {
  const Size sizes[] = {{1, 1}, {640, 480}, {3, 200}, {97, 1}, {13, 17}};
  for (const Size& size : sizes) {
    ScopedPicture picture = Make24Bit(31, 23, Distinct);
    ASSERT_EQ(ResizePicture(picture.Get(), size.width, size.height), 1);
    EXPECT_EQ(SizeOf(picture.Get()), size);
  }
  ScopedPicture picture = Make24Bit(31, 23, Distinct);
  for (const Size& bad : {Size{0, 5}, Size{5, -1}, Size{1 << 20, 1 << 20}}) {
    EXPECT_EQ(ResizePicture(picture.Get(), bad.width, bad.height), 0);
  }
  EXPECT_EQ(SizeOf(picture.Get()), (Size{31, 23}));
}

// A one-pixel checkerboard shrunk by an uneven ratio comes out flat mid-grey, without the moiré
// of an area average (whose spread here is about 7 levels).
TEST(ResizeTest, ShrinkingLeavesNoMoire) {
  ScopedPicture checkers =
      Make24Bit(1600, 1200, [](int x, int y) { return (x + y) % 2 ? 0xffffffu : 0u; });
  ASSERT_EQ(ResizePicture(checkers.Get(), 640, 480), 1);
  double sum = 0;
  double squares = 0;
  const std::vector<ColourRef> pixels = PixelsOf(checkers.Get());
  for (ColourRef colour : pixels) {
    sum += RedOf(colour);
    squares += RedOf(colour) * RedOf(colour);
  }
  const double mean = sum / pixels.size();
  EXPECT_NEAR(mean, 127.5, 0.5);
  EXPECT_LT(std::sqrt(squares / pixels.size() - mean * mean), 1.0);
}

// Flat areas keep their level exactly at any ratio, up to 2^14 : 1 and beyond, with sums too
// large for 32 bits. The pictures are made of flat blocks laid on the target grid: a target
// pixel whose neighbours up to three away all lie in one block must show that block's level.
TEST(ResizeTest, FlatAreasKeepTheirLevelAtExtremeRatios) {
  struct Case {
    Size source;
    Size target;
    std::function<int(int, int)> level;  // of a target cell
  };
  const Case cases[] = {
      {{4000, 3000}, {16, 12}, [](int x, int) { return x < 8 ? 255 : 0; }},
      {{20000, 4}, {2, 4}, [](int, int) { return 77; }},
      {{1 << 15, 3}, {2, 3}, [](int, int) { return 200; }},
      {{3, 1 << 14}, {3, 1}, [](int, int) { return 13; }},
      {{30001, 5}, {3, 2}, [](int, int) { return 250; }},
      {{2, 40001}, {2, 3}, [](int, int) { return 99; }},
      {{9000001, 1}, {600, 1}, [](int x, int) { return x / 100 % 2 ? 240 : 10; }},
      {{640, 480}, {1600, 1200}, [](int x, int y) { return (x / 200 + y / 300) % 2 ? 180 : 30; }},
  };
  for (const Case& c : cases) {
    auto cell = [&](int x, int y) {
      return c.level(static_cast<int>(std::int64_t{x} * c.target.width / c.source.width),
                     static_cast<int>(std::int64_t{y} * c.target.height / c.source.height));
    };
    ScopedPicture picture = Make24Bit(c.source.width, c.source.height, [&](int x, int y) {
      const int level = cell(x, y);
      return MakeColour(level, level, 255 - level);
    });
    ASSERT_EQ(ResizePicture(picture.Get(), c.target.width, c.target.height), 1);
    int checked = 0;
    for (int y = 0; y < c.target.height; ++y) {
      for (int x = 0; x < c.target.width; ++x) {
        const int level = c.level(x, y);
        bool flat = true;
        for (int dy = std::max(0, y - 3); dy <= std::min(c.target.height - 1, y + 3); ++dy) {
          for (int dx = std::max(0, x - 3); dx <= std::min(c.target.width - 1, x + 3); ++dx) {
            flat = flat && c.level(dx, dy) == level;
          }
        }
        if (!flat) continue;
        ++checked;
        const ColourRef colour = GetPixelColour(picture.Get(), x, y);
        EXPECT_NEAR(RedOf(colour), level, 1)
            << c.source.width << "x" << c.source.height << " " << x << "," << y;
        EXPECT_NEAR(BlueOf(colour), 255 - level, 1) << c.source.width << " " << x << "," << y;
      }
    }
    EXPECT_GT(checked, 0) << c.source.width << "x" << c.source.height;
  }
}

TEST(ResizeTest, EnlargingInterpolatesBetweenPixels) {
  ScopedPicture picture =
      Make24Bit(2, 1, [](int x, int) { return x == 0 ? GreyOf(50) : GreyOf(150); });
  ASSERT_EQ(ResizePicture(picture.Get(), 8, 3), 1);
  std::vector<int> reds;
  for (int x = 0; x < 8; ++x) reds.push_back(RedOf(GetPixelColour(picture.Get(), x, 2)));
  // Source centres sit at 1.5 and 5.5 target pixels: a symmetric rise between them, and past
  // them no more than the cubic's slight overshoot.
  EXPECT_TRUE(std::is_sorted(reds.begin() + 1, reds.end() - 1));
  for (int x = 0; x < 4; ++x) EXPECT_NEAR(reds[x] + reds[7 - x], 200, 1) << x;
  EXPECT_NEAR(reds[0], 50, 10);
  EXPECT_GT(reds[3], 75);
  EXPECT_LT(reds[3], 100);
}

TEST(OperationsTest, UnknownHandlesFail) {
  const ColourPair pair{0, 1};
  const std::uint8_t table[256] = {};
  BitmapInfoHeader header{};
  const PictureHandle handles[] = {0, 0xdeadbeef};
  for (PictureHandle handle : handles) {
    EXPECT_EQ(GetPictureHeader(handle, &header), 0);
    EXPECT_EQ(CropPicture(handle, 0, 0, 1, 1), 0u);
    EXPECT_EQ(ConvertTo24Bit(handle), 0);
    EXPECT_EQ(ConvertTo16Bit(handle, 0, 0), 0);
    EXPECT_EQ(ConvertTo8Bit(handle, 0, 0), 0);
    EXPECT_EQ(ConvertToGrey(handle, 255), 0);
    EXPECT_EQ(ReplaceColours(handle, &pair, 1), 0);
    EXPECT_EQ(ScaleChannels(handle, 1000, 1000, 1000), 0);
    EXPECT_EQ(AdjustChannels(handle, 100, 100, 100), 0);
    EXPECT_EQ(ApplyLookupTables(handle, table, table, table), 0);
    EXPECT_EQ(RotatePicture(handle, 45000, 0), 0);
    EXPECT_EQ(ResizePicture(handle, 2, 2), 0);
  }
}

}  // namespace
