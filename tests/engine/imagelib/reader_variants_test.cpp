// Decoder variants that the shared suites do not cover, made with ImageMagick in the test.
#include <gtest/gtest.h>

#include <string>

#include "engine/imagelib/imagelib.h"
#include "engine/imagelib/picture_store.h"
#include "tests/engine/imagelib/codec_test_support.h"

namespace {

struct Variant {
  const char* name;
  const char* convertArguments;  // applied to a built-in colour picture
  const char* file;
  int loadedBitsPerPixel;
  const char* outputFormat = "";  // ImageMagick's format prefix, when the name does not tell
};

class ReaderVariantTest : public testing::TestWithParam<Variant> {};

TEST_P(ReaderVariantTest, LoadsAsImageMagickReadsIt) {
  const Variant& variant = GetParam();
  codectest::TempFolder folder;
  const std::string path = folder.File(variant.file);
  ASSERT_TRUE(codectest::Run("/usr/bin/convert rose: " + std::string(variant.convertArguments) +
                             " " + variant.outputFormat + codectest::Quoted(path)));
  ScopedPicture picture(LoadPicture(path.c_str()));
  ASSERT_TRUE(picture);
  EXPECT_EQ(imagelib::FindPicture(picture.Get())->bitsPerPixel, variant.loadedBitsPerPixel);
  EXPECT_LE(codectest::LargestDifference(codectest::RgbOf(picture.Get()),
                                         *codectest::ReadWithImageMagick(path)),
            2);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReaderVariantTest,
    testing::Values(
        Variant{"GreyJpeg", "-colorspace Gray", "grey.jpg", 8},
        Variant{"AdobeCmykJpeg", "-colorspace CMYK", "cmyk.jpg", 24},
        Variant{"ProgressiveGreyJpeg", "-colorspace Gray -interlace JPEG", "pgrey.jpg", 8},
        Variant{"ProgressiveCmykJpeg", "-colorspace CMYK -interlace JPEG", "pcmyk.jpg", 24},
        Variant{"Unsubsampled", "-sampling-factor 1x1", "444.jpg", 24},
        Variant{"GifLocalPalette", "-colors 50 +map", "local.gif", 24},
        Variant{"BmpV5Rgb32Alpha", "-alpha set -channel A -fx 0.5 -define bmp:format=bmp4",
                "alpha.bmp", 24},
        Variant{"BmpCore", "-colors 16", "core.bmp", 8, "BMP2:"},
        Variant{"PngGreyAlpha16", "-colorspace Gray -alpha set -channel A -fx 0.3 -depth 16",
                "greyalpha.png", 24}),
    [](const testing::TestParamInfo<Variant>& info) { return info.param.name; });

}  // namespace
