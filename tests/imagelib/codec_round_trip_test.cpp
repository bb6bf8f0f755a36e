// Saving and loading again, per format and depth, and the written files as ImageMagick sees
// them.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "imagelib/codec_support.h"
#include "imagelib/depth_conversion.h"
#include "imagelib/imagelib.h"
#include "imagelib/picture_store.h"
#include "tests/imagelib/codec_test_support.h"
#include "tests/imagelib/test_pictures.h"

namespace {

using codectest::RgbOf;
using codectest::TempFolder;

ColourRef GreyOf(int level) {
  return MakeColour(level, level, level);
}

constexpr int kWidth = 47;  // odd sizes exercise row padding
constexpr int kHeight = 33;

// A picture of 60 distinct colours in diagonal bands, so that every format can keep it exactly.
imagelib::Picture Banded24() {
  imagelib::Picture picture = *imagelib::MakePicture(kWidth, kHeight, 24);
  picture.palette.clear();
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const int band = (x + 2 * y) % 60;
      std::uint8_t* pixel = picture.Row(y) + 3 * x;
      pixel[0] = static_cast<std::uint8_t>(band * 4);
      pixel[1] = static_cast<std::uint8_t>(255 - band * 3);
      pixel[2] = static_cast<std::uint8_t>(40 + band * 2);
    }
  }
  return picture;
}

imagelib::Picture Banded(int bitsPerPixel) {
  const imagelib::Picture picture = Banded24();
  if (bitsPerPixel == 16) return imagelib::ToBgr16(picture);
  if (bitsPerPixel == 8) return imagelib::QuantiseTo8Bit(picture);
  return picture;
}

ScopedPicture Store(imagelib::Picture picture) {
  return ScopedPicture(imagelib::StorePicture(std::make_unique<imagelib::Picture>(picture)));
}

enum class Format { kBmp, kJpeg, kPng, kGif };

int Save(Format format, const std::string& path, PictureHandle picture) {
  switch (format) {
    case Format::kBmp:
      return SaveBmp(path.c_str(), picture);
    case Format::kJpeg:
      return SaveJpeg(path.c_str(), picture, 95, 0);
    case Format::kPng: {
      PngOptions options{};
      return SavePng(path.c_str(), picture, &options);
    }
    case Format::kGif: {
      GifOptions options{};
      return SaveGif(path.c_str(), picture, &options);
    }
  }
  return 0;
}

struct RoundTrip {
  Format format;
  int bitsPerPixel;
  // The depth of the picture loaded back.
  int loadedBitsPerPixel;
  // Largest channel difference allowed, and largest mean difference (JPEG is lossy).
  int tolerance;
  double meanTolerance;
};

class RoundTripTest : public testing::TestWithParam<RoundTrip> {};

TEST_P(RoundTripTest, LoadsBackWhatWasSaved) {
  const RoundTrip& trip = GetParam();
  TempFolder folder;
  const std::string path = folder.File("picture");
  ScopedPicture original = Store(Banded(trip.bitsPerPixel));
  ASSERT_EQ(Save(trip.format, path, original.Get()), 1);

  ScopedPicture loaded(LoadPicture(path.c_str()));
  ASSERT_TRUE(loaded);
  EXPECT_EQ(imagelib::FindPicture(loaded.Get())->bitsPerPixel, trip.loadedBitsPerPixel);
  const int difference = codectest::LargestDifference(RgbOf(loaded.Get()), RgbOf(original.Get()));
  EXPECT_GE(difference, 0);
  EXPECT_LE(difference, trip.tolerance);
  EXPECT_LE(codectest::MeanDifference(RgbOf(loaded.Get()), RgbOf(original.Get())),
            trip.meanTolerance);
  // ImageMagick reads the same picture.
  EXPECT_LE(
      codectest::LargestDifference(*codectest::ReadWithImageMagick(path), RgbOf(loaded.Get())),
      trip.format == Format::kJpeg ? 2 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    FormatsAndDepths, RoundTripTest,
    testing::Values(RoundTrip{Format::kBmp, 24, 24, 0, 0.0},
                    RoundTrip{Format::kBmp, 16, 16, 0, 0.0}, RoundTrip{Format::kBmp, 8, 8, 0, 0.0},
                    RoundTrip{Format::kPng, 24, 8, 0, 0.0}, RoundTrip{Format::kPng, 16, 8, 0, 0.0},
                    RoundTrip{Format::kPng, 8, 8, 0, 0.0}, RoundTrip{Format::kGif, 24, 24, 0, 0.0},
                    RoundTrip{Format::kGif, 16, 24, 0, 0.0}, RoundTrip{Format::kGif, 8, 24, 0, 0.0},
                    RoundTrip{Format::kJpeg, 24, 24, 255, 8.0},
                    RoundTrip{Format::kJpeg, 16, 24, 255, 8.0},
                    RoundTrip{Format::kJpeg, 8, 24, 255, 8.0}));

TEST(RoundTripTest, RunLengthBmpStaysCompressed) {
  TempFolder folder;
  const std::string path = folder.File("rle.bmp");
  ScopedPicture original = Store(Banded(8));
  ScopedPicture compressed = Store(Banded(8));
  ASSERT_EQ(CompressRle(compressed.Get()), 1);
  ASSERT_EQ(SaveBmp(path.c_str(), compressed.Get()), 1);
  EXPECT_NE(codectest::DescribeWithImageMagick(path).find("Compression: RLE"), std::string::npos);

  ScopedPicture loaded(LoadPicture(path.c_str()));
  ASSERT_TRUE(loaded);
  EXPECT_NE(NeedsExpanding(loaded.Get()), 0);
  EXPECT_EQ(codectest::LargestDifference(RgbOf(loaded.Get()), RgbOf(original.Get())), 0);
  ASSERT_EQ(ExpandPicture(loaded.Get()), 1);
  EXPECT_EQ(NeedsExpanding(loaded.Get()), 0);
  EXPECT_EQ(codectest::LargestDifference(RgbOf(loaded.Get()), RgbOf(original.Get())), 0);
  EXPECT_EQ(
      codectest::LargestDifference(*codectest::ReadWithImageMagick(path), RgbOf(original.Get())),
      0);
}

// The header of a written BMP: bit count at byte 28, compression at byte 30.
TEST(RoundTripTest, BmpHeaderNamesTheDepth) {
  TempFolder folder;
  for (const int bitsPerPixel : {24, 16, 8}) {
    const std::string path = folder.File("depth" + std::to_string(bitsPerPixel) + ".bmp");
    ScopedPicture picture = Store(Banded(bitsPerPixel));
    ASSERT_EQ(SaveBmp(path.c_str(), picture.Get()), 1);
    const auto bytes = codectest::ReadBytes(path);
    ASSERT_GT(bytes.size(), 34u);
    EXPECT_EQ(bytes[28], bitsPerPixel);
    EXPECT_EQ(bytes[30], 0);  // BI_RGB: 16 bits means 5-5-5
    const std::string description = codectest::DescribeWithImageMagick(path);
    if (bitsPerPixel == 8) {
      EXPECT_NE(description.find("Type: Palette"), std::string::npos) << description;
    }
  }
}

struct DescribedSave {
  const char* name;
  std::function<int(const std::string&, PictureHandle)> save;
  const char* expected;  // a line of `identify -verbose`
};

class WrittenFileTest : public testing::TestWithParam<DescribedSave> {};

TEST_P(WrittenFileTest, ImageMagickSeesTheOption) {
  TempFolder folder;
  const std::string path = folder.File("out");
  ScopedPicture picture = Store(Banded(24));
  ASSERT_EQ(GetParam().save(path, picture.Get()), 1);
  EXPECT_NE(codectest::DescribeWithImageMagick(path).find(GetParam().expected), std::string::npos)
      << codectest::DescribeWithImageMagick(path);
}

PngOptions PngWithFlags(std::uint32_t flags) {
  PngOptions options{};
  options.flags = flags;
  return options;
}

GifOptions GifWithFlags(std::uint32_t flags) {
  GifOptions options{};
  options.flags = flags;
  return options;
}

INSTANTIATE_TEST_SUITE_P(
    Options, WrittenFileTest,
    testing::Values(DescribedSave{"ProgressiveJpeg",
                                  [](const std::string& path, PictureHandle picture) {
                                    return SaveJpeg(path.c_str(), picture, 80, 1);
                                  },
                                  "Interlace: JPEG"},
                    DescribedSave{"BaselineJpeg",
                                  [](const std::string& path, PictureHandle picture) {
                                    return SaveJpeg(path.c_str(), picture, 80, 0);
                                  },
                                  "Interlace: None"},
                    DescribedSave{"JpegQuality100",
                                  [](const std::string& path, PictureHandle picture) {
                                    return SaveJpeg(path.c_str(), picture, 100, 0);
                                  },
                                  "Quality: 100"},
                    DescribedSave{"JpegQuality0IsQuality1",
                                  [](const std::string& path, PictureHandle picture) {
                                    return SaveJpeg(path.c_str(), picture, 0, 0);
                                  },
                                  "Quality: 1\n"},
                    DescribedSave{"InterlacedPng",
                                  [](const std::string& path, PictureHandle picture) {
                                    const PngOptions options =
                                        PngWithFlags(0x03 | kPngFlagInterlace);
                                    return SavePng(path.c_str(), picture, &options);
                                  },
                                  "png:IHDR.interlace_method: 1 (Adam7 method)"},
                    DescribedSave{"PlainPng",
                                  [](const std::string& path, PictureHandle picture) {
                                    const PngOptions options = PngWithFlags(0x03);
                                    return SavePng(path.c_str(), picture, &options);
                                  },
                                  "png:IHDR.interlace_method: 0 (Not interlaced)"},
                    DescribedSave{"TrueColourPng",
                                  [](const std::string& path, PictureHandle) {
                                    ScopedPicture photograph =
                                        testpictures::Make24Bit(64, 48, testpictures::PhotoLike);
                                    return SavePng(path.c_str(), photograph.Get(), nullptr);
                                  },
                                  "png:IHDR.color_type: 2 (Truecolor)"},
                    DescribedSave{"GreyPng",
                                  [](const std::string& path, PictureHandle) {
                                    ScopedPicture grey = testpictures::Make24Bit(
                                        64, 48, [](int x, int y) { return GreyOf(x * 3 + y); });
                                    return SavePng(path.c_str(), grey.Get(), nullptr);
                                  },
                                  "png:IHDR.color_type: 0 (Grayscale)"},
                    DescribedSave{"PalettePng",
                                  [](const std::string& path, PictureHandle picture) {
                                    ConvertTo8Bit(picture, 0, 0);
                                    return SavePng(path.c_str(), picture, nullptr);
                                  },
                                  "png:IHDR.color_type: 3 (Indexed)"},
                    DescribedSave{"InterlacedGif",
                                  [](const std::string& path, PictureHandle picture) {
                                    const GifOptions options = GifWithFlags(kGifFlagInterlace);
                                    return SaveGif(path.c_str(), picture, &options);
                                  },
                                  "Interlace: GIF"},
                    DescribedSave{"PlainGif",
                                  [](const std::string& path, PictureHandle picture) {
                                    const GifOptions options = GifWithFlags(0);
                                    return SaveGif(path.c_str(), picture, &options);
                                  },
                                  "Interlace: None"}),
    [](const testing::TestParamInfo<DescribedSave>& info) { return info.param.name; });

TEST(RoundTripTest, InterlacedFilesLoadBackExactly) {
  TempFolder folder;
  ScopedPicture original = Store(Banded(24));
  const std::string png = folder.File("interlaced.png");
  const std::string gif = folder.File("interlaced.gif");
  const PngOptions pngOptions = PngWithFlags(kPngFlagInterlace);
  const GifOptions gifOptions = GifWithFlags(kGifFlagInterlace);
  ASSERT_EQ(SavePng(png.c_str(), original.Get(), &pngOptions), 1);
  ASSERT_EQ(SaveGif(gif.c_str(), original.Get(), &gifOptions), 1);
  for (const std::string& path : {png, gif}) {
    ScopedPicture loaded(LoadPicture(path.c_str()));
    EXPECT_EQ(codectest::LargestDifference(RgbOf(loaded.Get()), RgbOf(original.Get())), 0) << path;
  }
}

// Photographs and drawings are compressed differently, and grey pictures and those of few
// colours stored in fewer bits; all, interlaced or not, come back whole.
TEST(RoundTripTest, PngOfPhotographAndDrawingLoadsBackExactly) {
  TempFolder folder;
  ScopedPicture photograph = testpictures::Make24Bit(301, 203, testpictures::PhotoLike);
  ScopedPicture drawing = testpictures::Make24Bit(
      301, 203, [](int x, int y) { return (x / 40 + y / 25) % 2 ? MakeColour(250, 0, 0) : 0; });
  ScopedPicture greyPhotograph = testpictures::Make24Bit(
      301, 203, [](int x, int y) { return GreyOf(RedOf(testpictures::PhotoLike(x, y))); });
  ScopedPicture fourGreys =
      testpictures::Make24Bit(301, 203, [](int x, int y) { return GreyOf((x + y) % 4 * 85); });
  ScopedPicture sixteenColours = testpictures::Make24Bit(
      301, 203, [](int x, int y) { return MakeColour(x % 8 * 20, 7, y % 2 * 9); });
  for (PictureHandle original : {photograph.Get(), drawing.Get(), greyPhotograph.Get(),
                                 fourGreys.Get(), sixteenColours.Get()}) {
    for (std::uint32_t flags : {0u, kPngFlagInterlace}) {
      const std::string path = folder.File("picture.png");
      const PngOptions options = PngWithFlags(flags);
      ASSERT_EQ(SavePng(path.c_str(), original, &options), 1);
      ScopedPicture loaded(LoadPicture(path.c_str()));
      EXPECT_EQ(codectest::LargestDifference(RgbOf(loaded.Get()), RgbOf(original)), 0)
          << original << " flags " << flags;
    }
  }
}

// Pictures above a megapixel are compressed as a trial on some of their rows chose: a smooth
// one (an enlarged photograph) and a flat one still come back whole, and no larger than
// ImageMagick makes them with per-row filters at zlib's level 5.
TEST(RoundTripTest, LargePngLoadsBackExactlyAndStaysSmall) {
  TempFolder folder;
  ScopedPicture enlarged = testpictures::Make24Bit(
      1280, 960, [](int x, int y) { return testpictures::PhotoLike(x / 4, y / 4); });
  ScopedPicture drawing = testpictures::Make24Bit(
      1280, 960, [](int x, int y) { return (x / 40 + y / 25) % 2 ? MakeColour(250, 0, 0) : 0; });
  for (PictureHandle original : {enlarged.Get(), drawing.Get()}) {
    const std::string png = folder.File("picture.png");
    const std::string bmp = folder.File("picture.bmp");
    const std::string reference = folder.File("reference.png");
    ASSERT_EQ(SavePng(png.c_str(), original, nullptr), 1);
    ASSERT_EQ(SaveBmp(bmp.c_str(), original), 1);
    ASSERT_TRUE(codectest::Run("/usr/bin/convert " + codectest::Quoted(bmp) + " -quality 55 " +
                               codectest::Quoted(reference)));
    ScopedPicture loaded(LoadPicture(png.c_str()));
    EXPECT_EQ(codectest::LargestDifference(RgbOf(loaded.Get()), RgbOf(original)), 0) << original;
    EXPECT_LE(std::filesystem::file_size(png), std::filesystem::file_size(reference)) << original;
  }
}

TEST(RoundTripTest, ProgressiveJpegLoadsBack) {
  TempFolder folder;
  const std::string path = folder.File("progressive.jpg");
  ScopedPicture original = Store(Banded(24));
  ASSERT_EQ(SaveJpeg(path.c_str(), original.Get(), 95, 1), 1);
  ScopedPicture loaded(LoadPicture(path.c_str()));
  ASSERT_TRUE(loaded);
  EXPECT_LE(codectest::MeanDifference(RgbOf(loaded.Get()), RgbOf(original.Get())), 8.0);
  EXPECT_LE(
      codectest::LargestDifference(*codectest::ReadWithImageMagick(path), RgbOf(loaded.Get())), 2);
}

// From quality 90 up the colour keeps full resolution; below, it is subsampled 2x2.
TEST(RoundTripTest, JpegKeepsFullColourFromQuality90) {
  TempFolder folder;
  const std::string path = folder.File("sampling.jpg");
  ScopedPicture original = Store(Banded(24));
  for (const auto& [quality, sampling] : std::vector<std::pair<int, std::string>>{
           {100, "1x1,1x1,1x1"}, {90, "1x1,1x1,1x1"}, {89, "2x2,1x1,1x1"}, {20, "2x2,1x1,1x1"}}) {
    ASSERT_EQ(SaveJpeg(path.c_str(), original.Get(), quality, 0), 1);
    EXPECT_EQ(codectest::Run("/usr/bin/identify -format '%[jpeg:sampling-factor]' " +
                             codectest::Quoted(path)),
              sampling)
        << "quality " << quality;
  }
}

}  // namespace
