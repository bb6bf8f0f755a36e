// Decoder variants that the shared suites do not cover, made with ImageMagick in the test.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

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

// An 8x8 JPEG of one colour of `components` samples in `space`; with `scans`, the scans of
// that script instead of one interleaved scan.
std::vector<std::uint8_t> PlainJpeg(J_COLOR_SPACE space, int components, const std::uint8_t* colour,
                                    bool adobe, const std::vector<jpeg_scan_info>& scans = {}) {
  jpeg_compress_struct encoder{};
  jpeg_error_mgr errors{};
  encoder.err = jpeg_std_error(&errors);
  jpeg_create_compress(&encoder);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&encoder, &buffer, &size);
  encoder.image_width = 8;
  encoder.image_height = 8;
  encoder.input_components = components;
  encoder.in_color_space = space;
  jpeg_set_defaults(&encoder);
  jpeg_set_quality(&encoder, 100, TRUE);
  encoder.write_Adobe_marker = adobe ? TRUE : FALSE;
  if (!scans.empty()) {
    encoder.scan_info = scans.data();
    encoder.num_scans = static_cast<int>(scans.size());
  }
  jpeg_start_compress(&encoder, TRUE);
  std::vector<std::uint8_t> row;
  for (int x = 0; x < 8; ++x) row.insert(row.end(), colour, colour + components);
  while (encoder.next_scanline < 8) {
    JSAMPROW rows[] = {row.data()};
    jpeg_write_scanlines(&encoder, rows, 1);
  }
  jpeg_finish_compress(&encoder);
  jpeg_destroy_compress(&encoder);
  std::vector<std::uint8_t> bytes(buffer, buffer + size);
  std::free(buffer);
  return bytes;
}

TEST(ReaderVariantTest, CmykInksAreReadPlainOrInverted) {
  const std::uint8_t plainRed[4] = {0, 255, 255, 0};
  const std::uint8_t invertedRed[4] = {255, 0, 0, 255};
  const std::uint8_t plainGreyish[4] = {0, 0, 0, 128};
  struct Case {
    const std::uint8_t* ink;
    bool adobe;
    ColourRef expected;
  };
  for (const Case& test : {Case{plainRed, false, MakeColour(255, 0, 0)},
                           Case{invertedRed, true, MakeColour(255, 0, 0)},
                           Case{plainGreyish, false, MakeColour(127, 127, 127)},
                           Case{plainRed, true, MakeColour(0, 0, 0)}}) {
    codectest::TempFolder folder;
    const std::string path = folder.File("cmyk.jpg");
    codectest::WriteBytes(path, PlainJpeg(JCS_CMYK, 4, test.ink, test.adobe));
    ScopedPicture picture(LoadPicture(path.c_str()));
    ASSERT_TRUE(picture);
    const ColourRef colour = GetPixelColour(picture.Get(), 3, 3);
    EXPECT_NEAR(RedOf(colour), RedOf(test.expected), 2);
    EXPECT_NEAR(GreenOf(colour), GreenOf(test.expected), 2);
    EXPECT_NEAR(BlueOf(colour), BlueOf(test.expected), 2);
  }
}

// A sequential JPEG whose components come in scans of their own is read; cut after its first
// scan (and closed with an end marker) it is refused, not shown with grey for the missing ones.
TEST(ReaderVariantTest, ComponentsInSeparateScansAreAllNeeded) {
  const std::uint8_t orange[3] = {250, 150, 20};
  const std::vector<jpeg_scan_info> separate = {
      {1, {0}, 0, 63, 0, 0}, {1, {1}, 0, 63, 0, 0}, {1, {2}, 0, 63, 0, 0}};
  const std::vector<std::uint8_t> whole = PlainJpeg(JCS_RGB, 3, orange, false, separate);
  codectest::TempFolder folder;
  const std::string path = folder.File("separate.jpg");
  codectest::WriteBytes(path, whole);
  ScopedPicture picture(LoadPicture(path.c_str()));
  ASSERT_TRUE(picture);
  const ColourRef colour = GetPixelColour(picture.Get(), 3, 3);
  EXPECT_NEAR(RedOf(colour), 250, 2);
  EXPECT_NEAR(GreenOf(colour), 150, 2);
  EXPECT_NEAR(BlueOf(colour), 20, 2);

  std::vector<std::uint8_t> cut = whole;
  std::size_t scansSeen = 0;
  for (std::size_t i = 0; i + 1 < cut.size(); ++i) {
    if (cut[i] == 0xff && cut[i + 1] == 0xda && ++scansSeen == 2) {
      cut.resize(i);
      break;
    }
  }
  ASSERT_EQ(scansSeen, 2u);
  cut.insert(cut.end(), {0xff, 0xd9});
  codectest::WriteBytes(path, cut);
  EXPECT_EQ(LoadPicture(path.c_str()), 0u);
}

// A GIF encoder that keeps its code table once it is full and never clears it (a "deferred
// clear"), as some encoders write. Four colours; `codesAfterFull` counts the codes written with
// the full table.
std::vector<std::uint8_t> DeferredClearGif(int width, int height,
                                           const std::vector<std::uint8_t>& indexes,
                                           int& codesAfterFull) {
  constexpr int kClear = 4;
  constexpr int kTableSize = 4096;
  std::vector<std::uint8_t> codes;
  std::uint32_t pending = 0;
  int pendingBits = 0;
  int bits = 3;
  int running = kClear + 2;  // as a reader counts: one more for every code read, up to 4097
  auto emit = [&](int code) {
    pending |= static_cast<std::uint32_t>(code) << pendingBits;
    for (pendingBits += bits; pendingBits >= 8; pendingBits -= 8, pending >>= 8) {
      codes.push_back(static_cast<std::uint8_t>(pending));
    }
    if (running <= kTableSize && ++running > 1 << bits && bits < 12) ++bits;
  };
  std::map<std::pair<int, int>, int> table;
  int next = kClear + 2;
  codesAfterFull = 0;
  emit(kClear);
  running = kClear + 2;
  int prefix = indexes[0];
  for (std::size_t i = 1; i < indexes.size(); ++i) {
    const auto found = table.find({prefix, indexes[i]});
    if (found != table.end()) {
      prefix = found->second;
      continue;
    }
    if (next == kTableSize) ++codesAfterFull;
    emit(prefix);
    if (next < kTableSize) table[{prefix, indexes[i]}] = next++;
    prefix = indexes[i];
  }
  emit(prefix);
  emit(kClear + 1);
  if (pendingBits > 0) codes.push_back(static_cast<std::uint8_t>(pending));

  std::vector<std::uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a'};
  auto put16 = [&gif](int value) {
    gif.push_back(static_cast<std::uint8_t>(value));
    gif.push_back(static_cast<std::uint8_t>(value >> 8));
  };
  put16(width);
  put16(height);
  gif.insert(gif.end(), {0x81, 0, 0, 0, 0, 0, 255, 0, 0, 0, 255, 0, 255, 255, 255, 0x2c});
  put16(0);
  put16(0);
  put16(width);
  put16(height);
  gif.insert(gif.end(), {0, 2});
  for (std::size_t at = 0; at < codes.size(); at += 255) {
    const std::size_t block = std::min<std::size_t>(255, codes.size() - at);
    gif.push_back(static_cast<std::uint8_t>(block));
    gif.insert(gif.end(), codes.begin() + static_cast<std::ptrdiff_t>(at),
               codes.begin() + static_cast<std::ptrdiff_t>(at + block));
  }
  gif.insert(gif.end(), {0, 0x3b});
  return gif;
}

TEST(ReaderVariantTest, GifWithDeferredClearIsReadExactly) {
  constexpr int kSide = 200;
  const std::uint8_t palette[4][3] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {255, 255, 255}};
  std::vector<std::uint8_t> indexes;
  std::uint32_t random = 12345;
  while (indexes.size() < kSide * kSide) {
    random = random * 1103515245 + 12345;
    indexes.insert(indexes.end(), 1 + (random >> 28) % 3,
                   static_cast<std::uint8_t>(random >> 16) & 3);
  }
  indexes.resize(kSide * kSide);
  int codesAfterFull = 0;
  codectest::TempFolder folder;
  const std::string path = folder.File("deferred.gif");
  codectest::WriteBytes(path, DeferredClearGif(kSide, kSide, indexes, codesAfterFull));
  ASSERT_GT(codesAfterFull, 1000);

  codectest::RgbPicture expected{kSide, kSide, {}};
  for (const std::uint8_t index : indexes) {
    expected.rgb.insert(expected.rgb.end(), palette[index], palette[index] + 3);
  }
  ScopedPicture picture(LoadPicture(path.c_str()));
  ASSERT_TRUE(picture);
  EXPECT_EQ(codectest::LargestDifference(codectest::RgbOf(picture.Get()), expected), 0);
  EXPECT_EQ(codectest::LargestDifference(*codectest::ReadWithImageMagick(path), expected), 0);
}

}  // namespace
