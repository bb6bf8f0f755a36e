// Crop, rotation and resize: sizes, exact pixel moves, fill colour and averaging.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "engine/imagelib/imagelib.h"
#include "engine/imagelib/picture_store.h"
#include "tests/engine/imagelib/test_pictures.h"

namespace {

using testpictures::Make24Bit;
using testpictures::MakeFlat;
using testpictures::PixelsOf;
using testpictures::Size;
using testpictures::SizeOf;

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

TEST(ResizeTest, ShrinkingAveragesTheCoveredArea) {
  // Stripes 0, 90, 255 repeated: three source pixels go into two, with weights 2/3 and 1/3.
  const int levels[] = {0, 90, 255};
  ScopedPicture picture = Make24Bit(6, 4, [&](int x, int) {
    int level = levels[x % 3];
    return MakeColour(level, level, level);
  });
  ASSERT_EQ(ResizePicture(picture.Get(), 4, 2), 1);
  // (0·2 + 90·1) / 3 = 30 and (90·1 + 255·2) / 3 = 200.
  const int expected[] = {30, 200, 30, 200};
  for (int x = 0; x < 4; ++x) {
    for (int y = 0; y < 2; ++y) {
      EXPECT_EQ(GetPixelColour(picture.Get(), x, y),
                MakeColour(expected[x], expected[x], expected[x]))
          << x << "," << y;
    }
  }
  // A one-pixel checkerboard halves to flat grey, without aliasing.
  ScopedPicture checkers =
      Make24Bit(64, 48, [](int x, int y) { return (x + y) % 2 ? 0xffffffu : 0u; });
  ASSERT_EQ(ResizePicture(checkers.Get(), 32, 24), 1);
  for (ColourRef colour : PixelsOf(checkers.Get())) EXPECT_EQ(colour, MakeColour(128, 128, 128));
}

// The exact mean of `level` over the source area that target pixel (targetX, targetY) covers.
double AreaMean(const std::function<int(int, int)>& level, Size source, Size target, int targetX,
                int targetY) {
  // Overlaps along one axis, in units of 1 / targetSize source pixels.
  auto overlaps = [](int sourceSize, int targetSize, int position) {
    std::vector<std::pair<int, double>> result;
    const std::int64_t begin = std::int64_t{position} * sourceSize;
    const std::int64_t end = begin + sourceSize;
    for (std::int64_t j = begin / targetSize; j * targetSize < end; ++j) {
      const std::int64_t overlap =
          std::min(end, (j + 1) * targetSize) - std::max(begin, j * targetSize);
      result.emplace_back(static_cast<int>(j), static_cast<double>(overlap) / sourceSize);
    }
    return result;
  };
  double mean = 0;
  for (auto [y, wy] : overlaps(source.height, target.height, targetY)) {
    for (auto [x, wx] : overlaps(source.width, target.width, targetX)) {
      mean += wx * wy * level(x, y);
    }
  }
  return mean;
}

TEST(ResizeTest, ExtremeShrinkRatiosGiveTheAreaMean) {
  struct Case {
    Size source;
    Size target;
    std::function<int(int, int)> level;
  };
  const Case cases[] = {
      // A white one-pixel border on black.
      {{4000, 3000},
       {16, 12},
       [](int x, int y) { return x == 0 || y == 0 || x == 3999 || y == 2999 ? 255 : 0; }},
      // Two white columns in a long black strip.
      {{20000, 4}, {2, 4}, [](int x, int) { return x == 7000 || x == 13001 ? 255 : 0; }},
      // 2^14 : 1 along each axis, and ratios that do not divide evenly.
      {{1 << 15, 3}, {2, 3}, [](int x, int y) { return (x * 7919 + y * 31) % 256; }},
      {{3, 1 << 14}, {3, 1}, [](int x, int y) { return (x + y) % 3 == 0 ? 255 : (y % 7) * 9; }},
      {{30001, 5}, {3, 2}, [](int x, int y) { return x < 10000 ? 255 : (x * y) % 200; }},
      // Divisors too large for 32-bit sums.
      {{2, 40001}, {2, 3}, [](int x, int y) { return (x + y) % 2 ? 255 : y % 50; }},
      {{9000001, 1}, {600, 1}, [](int x, int) { return x % 3 ? 250 : 0; }},
  };
  for (const Case& c : cases) {
    ScopedPicture picture = Make24Bit(c.source.width, c.source.height, [&](int x, int y) {
      const int level = c.level(x, y);
      return MakeColour(level, level, 255 - level);
    });
    ASSERT_EQ(ResizePicture(picture.Get(), c.target.width, c.target.height), 1);
    for (int y = 0; y < c.target.height; ++y) {
      for (int x = 0; x < c.target.width; ++x) {
        const double mean = AreaMean(c.level, c.source, c.target, x, y);
        const ColourRef colour = GetPixelColour(picture.Get(), x, y);
        EXPECT_NEAR(RedOf(colour), mean, 1.0)
            << c.source.width << "x" << c.source.height << " " << x << "," << y;
        EXPECT_NEAR(BlueOf(colour), 255 - mean, 1.0) << c.source.width << " " << x << "," << y;
      }
    }
  }
}

TEST(ResizeTest, EnlargingInterpolatesBetweenPixels) {
  ScopedPicture picture =
      Make24Bit(2, 1, [](int x, int) { return x == 0 ? 0u : MakeColour(200, 100, 40); });
  ASSERT_EQ(ResizePicture(picture.Get(), 8, 3), 1);
  std::vector<int> reds;
  for (int x = 0; x < 8; ++x) reds.push_back(RedOf(GetPixelColour(picture.Get(), x, 2)));
  // Source centres sit at 1.5 and 5.5 target pixels: flat outside, a ramp between.
  EXPECT_EQ(reds, (std::vector<int>{0, 0, 25, 75, 125, 175, 200, 200}));
  ScopedPicture flat = MakeFlat(3, 5, MakeColour(17, 99, 201));
  ASSERT_EQ(ResizePicture(flat.Get(), 11, 7), 1);
  for (ColourRef colour : PixelsOf(flat.Get())) EXPECT_EQ(colour, MakeColour(17, 99, 201));
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
