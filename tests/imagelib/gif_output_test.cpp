// GIF transparency, animations, and the first-frame composition of animated files.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "imagelib/codec_support.h"
#include "imagelib/imagelib.h"
#include "imagelib/picture_store.h"
#include "tests/imagelib/codec_test_support.h"
#include "tests/imagelib/test_pictures.h"

namespace {

using codectest::TempFolder;

constexpr ColourRef kWhite = MakeColour(255, 255, 255);
constexpr ColourRef kRed = MakeColour(255, 0, 0);
constexpr ColourRef kBlue = MakeColour(0, 0, 255);
constexpr ColourRef kGreen = MakeColour(0, 160, 0);

// The alpha of every pixel as ImageMagick reads the file's first frame.
std::vector<std::uint8_t> AlphaOf(const std::string& path) {
  const auto rgba =
      codectest::Run("/usr/bin/convert " + codectest::Quoted(path + "[0]") + " -depth 8 rgba:-");
  std::vector<std::uint8_t> alpha;
  for (std::size_t i = 3; rgba && i < rgba->size(); i += 4) alpha.push_back((*rgba)[i]);
  return alpha;
}

// A photograph-like picture (thousands of colours, so it must be quantised) with a white
// diagonal line.
ScopedPicture PhotoWithWhiteLine(int width, int height) {
  return testpictures::Make24Bit(
      width, height, [](int x, int y) { return x == y ? kWhite : testpictures::PhotoLike(x, y); });
}

TEST(GifOutputTest, TransparentColourMarksExactlyItsPixels) {
  TempFolder folder;
  for (const bool quantised : {true, false}) {
    ScopedPicture picture = PhotoWithWhiteLine(64, 48);
    if (!quantised) {
      ASSERT_EQ(ConvertTo8Bit(picture.Get(), 0, 0), 1);
    }
    const std::string path = folder.File(quantised ? "quantised.gif" : "palette.gif");
    GifOptions options{};
    options.flags = kGifFlagTransparent;
    options.transparent = kWhite;
    ASSERT_EQ(SaveGif(path.c_str(), picture.Get(), &options), 1);

    EXPECT_NE(codectest::DescribeWithImageMagick(path).find("Transparent color"),
              std::string::npos);
    const auto alpha = AlphaOf(path);
    ASSERT_EQ(alpha.size(), 64u * 48u);
    for (int y = 0; y < 48; ++y) {
      for (int x = 0; x < 64; ++x) {
        const bool white = GetPixelColour(picture.Get(), x, y) == kWhite;
        EXPECT_EQ(alpha[static_cast<std::size_t>(y * 64 + x)] == 0, white) << x << "," << y;
      }
    }
  }
}

TEST(GifOutputTest, WithoutTheFlagNothingIsTransparent) {
  TempFolder folder;
  const std::string path = folder.File("opaque.gif");
  ScopedPicture picture = PhotoWithWhiteLine(16, 16);
  GifOptions options{};
  options.transparent = kWhite;  // ignored: the flag is not set
  ASSERT_EQ(SaveGif(path.c_str(), picture.Get(), &options), 1);
  const auto alpha = AlphaOf(path);
  ASSERT_EQ(alpha.size(), 256u);
  EXPECT_EQ(std::count(alpha.begin(), alpha.end(), 0), 0);
}

AnimationFrame Frame(PictureHandle picture, std::uint16_t delayMs, std::uint16_t frameValue = 2) {
  AnimationFrame frame{};
  frame.flags = kGifFlagFrameValid;
  frame.frameValue = frameValue;
  frame.delayMs = delayMs;
  frame.picture = picture;
  return frame;
}

TEST(GifOutputTest, AnimationKeepsDelaysDisposalSizesAndLoops) {
  TempFolder folder;
  const std::string path = folder.File("animation.gif");
  ScopedPicture first = testpictures::MakeFlat(10, 8, kRed);
  ScopedPicture second = PhotoWithWhiteLine(20, 6);
  ScopedPicture third = testpictures::MakeFlat(5, 5, kBlue);
  const std::vector<AnimationFrame> frames = {Frame(first.Get(), 250), Frame(second.Get(), 0),
                                              Frame(third.Get(), 1000)};
  ASSERT_EQ(SaveAnimatedGif(path.c_str(), frames.data(), 3, 0), 1);

  const auto described =
      codectest::Run("/usr/bin/identify -format '%T %D %W %H %w %h\\n' " + codectest::Quoted(path));
  ASSERT_TRUE(described.has_value());
  EXPECT_EQ(*described,
            "25 Background 20 8 10 8\n0 Background 20 8 20 6\n100 Background 20 8 5 5\n");
  EXPECT_NE(codectest::DescribeWithImageMagick(path).find("Iterations: 0"), std::string::npos);

  // Every frame carries its own palette; there is no screen palette.
  int error = 0;
  std::unique_ptr<GifFileType, void (*)(GifFileType*)> gif(
      DGifOpenFileName(path.c_str(), &error),
      [](GifFileType* file) { DGifCloseFile(file, nullptr); });
  ASSERT_TRUE(gif);
  ASSERT_EQ(DGifSlurp(gif.get()), GIF_OK);
  EXPECT_EQ(gif->SColorMap, nullptr);
  ASSERT_EQ(gif->ImageCount, 3);
  for (int i = 0; i < 3; ++i) EXPECT_NE(gif->SavedImages[i].ImageDesc.ColorMap, nullptr);
}

TEST(GifOutputTest, AnimationFrameCountLimits) {
  TempFolder folder;
  ScopedPicture pixel = testpictures::MakeFlat(1, 1, kGreen);
  std::vector<AnimationFrame> frames(1001, Frame(pixel.Get(), 10));
  const std::string path = folder.File("frames.gif");
  EXPECT_EQ(SaveAnimatedGif(path.c_str(), frames.data(), 1001, 0), 0);
  EXPECT_EQ(SaveAnimatedGif(path.c_str(), frames.data(), 0, 0), 0);
  EXPECT_TRUE(folder.Names().empty());

  frames[500].flags = 0;  // not marked valid
  EXPECT_EQ(SaveAnimatedGif(path.c_str(), frames.data(), 1000, 0), 0);
  frames[500].flags = kGifFlagFrameValid;
  frames[500].picture = 0;
  EXPECT_EQ(SaveAnimatedGif(path.c_str(), frames.data(), 1000, 0), 0);
  EXPECT_TRUE(folder.Names().empty());

  frames[500].picture = pixel.Get();
  ASSERT_EQ(SaveAnimatedGif(path.c_str(), frames.data(), 1000, 0), 1);
  const auto count = codectest::Run("/usr/bin/identify " + codectest::Quoted(path) + " | wc -l");
  EXPECT_EQ(count.value_or(""), "1000\n");
}

// One image of an animation: its place on the screen, the palette index of its pixels except
// the top-left one, which holds `corner`, and its graphic control.
struct AnimationImage {
  int left, top, width, height, index, corner;
  GraphicsControlBlock control;
};

// Writes an animation with giflib on a screen whose palette is black, red, green, blue and
// whose background index is black.
void WriteAnimation(const std::string& path, int width, int height,
                    const std::vector<AnimationImage>& images) {
  int error = 0;
  std::unique_ptr<GifFileType, void (*)(GifFileType*)> gif(
      EGifOpenFileName(path.c_str(), false, &error),
      [](GifFileType* file) { EGifCloseFile(file, nullptr); });
  ASSERT_TRUE(gif);
  const GifColorType colours[] = {{0, 0, 0}, {255, 0, 0}, {0, 160, 0}, {0, 0, 255}};
  const std::unique_ptr<ColorMapObject, void (*)(ColorMapObject*)> palette(
      GifMakeMapObject(4, colours), GifFreeMapObject);
  EGifSetGifVersion(gif.get(), true);
  bool written = EGifPutScreenDesc(gif.get(), width, height, 8, 0, palette.get()) == GIF_OK;
  for (const AnimationImage& image : images) {
    GifByteType control[4];
    EGifGCBToExtension(&image.control, control);
    written = written &&
              EGifPutExtension(gif.get(), GRAPHICS_EXT_FUNC_CODE, 4, control) == GIF_OK &&
              EGifPutImageDesc(gif.get(), image.left, image.top, image.width, image.height, false,
                               nullptr) == GIF_OK;
    for (int y = 0; y < image.height; ++y) {
      std::vector<GifPixelType> row(static_cast<std::size_t>(image.width),
                                    static_cast<GifPixelType>(image.index));
      if (y == 0) row[0] = static_cast<GifPixelType>(image.corner);
      written = written && EGifPutLine(gif.get(), row.data(), image.width) == GIF_OK;
    }
  }
  EXPECT_EQ(EGifCloseFile(gif.release(), &error), GIF_OK);
  EXPECT_TRUE(written);
}

TEST(GifOutputTest, LoadingShowsTheFirstImageOnTheScreenAsViewersDo) {
  TempFolder folder;
  constexpr int kWidth = 8;
  constexpr int kHeight = 6;
  // The first image: red 4x3 at (2,1) with its transparent top-left pixel in blue, shown for
  // no time; a full green image follows at once, then a blue one with a delay.
  codectest::RgbPicture wanted{kWidth, kHeight, {}};
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const bool red = x >= 2 && x < 6 && y >= 1 && y < 4 && !(x == 2 && y == 1);
      const std::uint8_t greenAndBlue = red ? 0 : 255;
      wanted.rgb.insert(wanted.rgb.end(), {255, greenAndBlue, greenAndBlue});
    }
  }
  for (const int disposal :
       {DISPOSAL_UNSPECIFIED, DISPOSE_DO_NOT, DISPOSE_BACKGROUND, DISPOSE_PREVIOUS}) {
    SCOPED_TRACE(disposal);
    const std::string path = folder.File("animation" + std::to_string(disposal) + ".gif");
    WriteAnimation(path, kWidth, kHeight,
                   {{2, 1, 4, 3, 1, 3, {disposal, false, 0, 3}},
                    {0, 0, kWidth, kHeight, 2, 2, {DISPOSAL_UNSPECIFIED, false, 0, -1}},
                    {5, 3, 3, 3, 3, 3, {DISPOSAL_UNSPECIFIED, false, 50, -1}}});

    ScopedPicture loaded(LoadPicture(path.c_str()));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(codectest::LargestDifference(codectest::RgbOf(loaded.Get()), wanted), 0);
    const auto reference = codectest::Run("/usr/bin/convert " + codectest::Quoted(path + "[0]") +
                                          " -coalesce -background white -flatten -depth 8 rgb:-");
    ASSERT_TRUE(reference.has_value());
    EXPECT_EQ(std::vector<std::uint8_t>(reference->begin(), reference->end()), wanted.rgb);
  }
}

}  // namespace
