// Decoder variants that the shared suites do not cover, made with ImageMagick in the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>
#include <lcms2.h>
#include <zlib.h>

#include "imagelib/exif_orientation.h"
#include "imagelib/imagelib.h"
#include "imagelib/picture_store.h"
#include "imagelib/picture_strips.h"
#include "tests/imagelib/codec_test_support.h"
#include "tests/imagelib/test_pictures.h"

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
                "greyalpha.png", 24},
        Variant{"WebpLossy", "-quality 80", "lossy.webp", 24},
        Variant{"WebpLosslessAlpha", "-alpha set -channel A -fx 'i/w' -define webp:lossless=true",
                "alpha.webp", 24}),
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
// clear"), as some encoders write. Four colours, coded with the given LZW minimum code size;
// `codesAfterFull` counts the codes written with the full table.
std::vector<std::uint8_t> DeferredClearGif(int width, int height,
                                           const std::vector<std::uint8_t>& indexes,
                                           int& codesAfterFull, int codeSize = 2) {
  const int kClear = 1 << codeSize;
  constexpr int kTableSize = 4096;
  std::vector<std::uint8_t> codes;
  std::uint32_t pending = 0;
  int pendingBits = 0;
  int bits = codeSize + 1;
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
  gif.insert(gif.end(), {0, static_cast<std::uint8_t>(codeSize)});
  for (std::size_t at = 0; at < codes.size(); at += 255) {
    const std::size_t block = std::min<std::size_t>(255, codes.size() - at);
    gif.push_back(static_cast<std::uint8_t>(block));
    gif.insert(gif.end(), codes.begin() + static_cast<std::ptrdiff_t>(at),
               codes.begin() + static_cast<std::ptrdiff_t>(at + block));
  }
  gif.insert(gif.end(), {0, 0x3b});
  return gif;
}

// Colour indexes in runs of one to three, which fill the code table of a 200x200 image.
std::vector<std::uint8_t> GifTestIndexes(std::size_t count) {
  std::vector<std::uint8_t> indexes;
  std::uint32_t random = 12345;
  while (indexes.size() < count) {
    random = random * 1103515245 + 12345;
    indexes.insert(indexes.end(), 1 + (random >> 28) % 3,
                   static_cast<std::uint8_t>(random >> 16) & 3);
  }
  indexes.resize(count);
  return indexes;
}

TEST(ReaderVariantTest, GifWithDeferredClearIsReadExactly) {
  constexpr int kSide = 200;
  const std::uint8_t palette[4][3] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {255, 255, 255}};
  const std::vector<std::uint8_t> indexes = GifTestIndexes(kSide * kSide);
  codectest::RgbPicture expected{kSide, kSide, {}};
  for (const std::uint8_t index : indexes) {
    expected.rgb.insert(expected.rgb.end(), palette[index], palette[index] + 3);
  }
  codectest::TempFolder folder;
  // Minimum code sizes past 8 are valid though wider than four colours need.
  for (const int codeSize : {2, 9, 10, 11}) {
    int codesAfterFull = 0;
    const std::string path = folder.File("deferred" + std::to_string(codeSize) + ".gif");
    const std::vector<std::uint8_t> gif =
        DeferredClearGif(kSide, kSide, indexes, codesAfterFull, codeSize);
    codectest::WriteBytes(path, gif);
    ASSERT_GT(codesAfterFull, 1000);
    ScopedPicture picture(LoadPicture(path.c_str()));
    ASSERT_TRUE(picture) << codeSize;
    EXPECT_EQ(codectest::LargestDifference(codectest::RgbOf(picture.Get()), expected), 0)
        << codeSize;
    EXPECT_EQ(codectest::LargestDifference(*codectest::ReadWithImageMagick(path), expected), 0)
        << codeSize;
    // Cut short, the data is refused as with every code size.
    codectest::WriteBytes(path, std::vector<std::uint8_t>(gif.begin(), gif.begin() + 2000));
    EXPECT_EQ(LoadPicture(path.c_str()), 0u) << codeSize;
  }
}

using Bytes = std::vector<std::uint8_t>;

Bytes SavedAs(PictureHandle picture, const std::string& path) {
  const bool jpeg = path.ends_with(".jpg");
  EXPECT_EQ(
      jpeg ? SaveJpeg(path.c_str(), picture, 100, 0) : SavePng(path.c_str(), picture, nullptr), 1);
  return codectest::ReadBytes(path);
}

// The JPEG with a segment of `marker` holding `payload` right after its start-of-image marker.
Bytes WithJpegSegment(Bytes jpeg, std::uint8_t marker, const Bytes& payload) {
  const std::size_t length = payload.size() + 2;
  Bytes segment = {0xff, marker, static_cast<std::uint8_t>(length >> 8),
                   static_cast<std::uint8_t>(length)};
  segment.insert(segment.end(), payload.begin(), payload.end());
  jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
  return jpeg;
}

// The PNG with a chunk of `type` holding `payload` right after its header chunk.
Bytes WithPngChunk(Bytes png, const char* type, const Bytes& payload) {
  constexpr std::size_t kAfterHeader = 8 + 12 + 13;
  const auto length = static_cast<std::uint32_t>(payload.size());
  Bytes chunk = {static_cast<std::uint8_t>(length >> 24), static_cast<std::uint8_t>(length >> 16),
                 static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)};
  chunk.insert(chunk.end(), type, type + 4);
  chunk.insert(chunk.end(), payload.begin(), payload.end());
  const uLong crc = crc32(0, chunk.data() + 4, static_cast<uInt>(chunk.size() - 4));
  for (int shift = 24; shift >= 0; shift -= 8)
    chunk.push_back(static_cast<std::uint8_t>(crc >> shift));
  png.insert(png.begin() + kAfterHeader, chunk.begin(), chunk.end());
  return png;
}

// An Exif block ("Exif\0\0" and the TIFF data) with only an Orientation tag, in the big-endian
// byte order of Motorola cameras or the little-endian one of Intel.
Bytes ExifWithOrientation(int orientation, bool bigEndian = true) {
  const auto value = static_cast<std::uint8_t>(orientation);
  Bytes block = {'E', 'x', 'i', 'f', 0, 0};
  const Bytes bigEndianTiff = {'M', 'M', 0, 42, 0, 0, 0,     8, 0, 1, 0x01, 0x12, 0,
                               3,   0,   0, 0,  1, 0, value, 0, 0, 0, 0,    0,    0};
  const Bytes littleEndianTiff = {'I', 'I', 42, 0, 8, 0,     0, 0, 1, 0, 0x12, 0x01, 3,
                                  0,   1,   0,  0, 0, value, 0, 0, 0, 0, 0,    0,    0};
  const Bytes& tiff = bigEndian ? bigEndianTiff : littleEndianTiff;
  block.insert(block.end(), tiff.begin(), tiff.end());
  return block;
}

codectest::RgbPicture Loaded(const std::string& path, const Bytes& bytes) {
  codectest::WriteBytes(path, bytes);
  ScopedPicture picture(LoadPicture(path.c_str()));
  EXPECT_TRUE(picture) << path;
  return picture ? codectest::RgbOf(picture.Get()) : codectest::RgbPicture{};
}

// Six colours stored as the rows "abc" and "def", each colour a square of `scale` pixels, show
// in the layout that every Orientation value describes: JPEG files tagged in an APP1 segment,
// PNG files in an eXIf chunk.
TEST(ReaderVariantTest, ExifOrientationStandsPicturesUpright) {
  const ColourRef colours[6] = {MakeColour(255, 0, 0),     MakeColour(0, 255, 0),
                                MakeColour(0, 0, 255),     MakeColour(255, 255, 0),
                                MakeColour(255, 255, 255), MakeColour(0, 0, 0)};
  const std::vector<std::vector<std::string>> upright = {{},
                                                         {"abc", "def"},
                                                         {"cba", "fed"},
                                                         {"fed", "cba"},
                                                         {"def", "abc"},
                                                         {"ad", "be", "cf"},
                                                         {"da", "eb", "fc"},
                                                         {"fc", "eb", "da"},
                                                         {"cf", "be", "ad"}};
  codectest::TempFolder folder;
  for (const auto& [file, scale] : {std::pair<std::string, int>{"pixels.png", 1},
                                    std::pair<std::string, int>{"squares.jpg", 8}}) {
    ScopedPicture stored = testpictures::Make24Bit(
        3 * scale, 2 * scale, [&](int x, int y) { return colours[y / scale * 3 + x / scale]; });
    const Bytes plain = SavedAs(stored.Get(), folder.File(file));
    for (int orientation = 1; orientation <= 8; ++orientation) {
      SCOPED_TRACE(file + " orientation " + std::to_string(orientation));
      const Bytes exif = ExifWithOrientation(orientation, orientation % 2 == 0);
      const Bytes tagged = scale == 1
                               ? WithPngChunk(plain, "eXIf", Bytes(exif.begin() + 6, exif.end()))
                               : WithJpegSegment(plain, JPEG_APP0 + 1, exif);
      const codectest::RgbPicture loaded = Loaded(folder.File(file), tagged);
      const std::vector<std::string>& rows = upright[orientation];
      ASSERT_EQ(loaded.width, static_cast<int>(rows[0].size()) * scale);
      ASSERT_EQ(loaded.height, static_cast<int>(rows.size()) * scale);
      std::string shown;
      for (std::size_t y = 0; y < rows.size(); ++y) {
        for (std::size_t x = 0; x < rows[0].size(); ++x) {
          const std::size_t at =
              3 * ((y * scale + scale / 2) * loaded.width + x * scale + scale / 2);
          int nearest = 0;
          int nearestDistance = 1 << 30;
          for (int i = 0; i < 6; ++i) {
            const int distance = std::abs(loaded.rgb[at] - RedOf(colours[i])) +
                                 std::abs(loaded.rgb[at + 1] - GreenOf(colours[i])) +
                                 std::abs(loaded.rgb[at + 2] - BlueOf(colours[i]));
            if (distance < nearestDistance) nearest = i, nearestDistance = distance;
          }
          shown += static_cast<char>('a' + nearest);
        }
        if (y + 1 < rows.size()) shown += '/';
      }
      std::string expected = rows[0];
      for (std::size_t y = 1; y < rows.size(); ++y) expected += "/" + rows[y];
      EXPECT_EQ(shown, expected);
    }
  }
}

// An Exif block is read only within its own bytes: offsets and counts that point past its end,
// a wrong value type or a value out of range give the upright default.
TEST(ReaderVariantTest, ExifOrientationReadsOnlyInsideItsBlock) {
  using imagelib::ExifOrientation;
  const Bytes good = ExifWithOrientation(6);
  EXPECT_EQ(ExifOrientation(good), 6);
  EXPECT_EQ(ExifOrientation(ExifWithOrientation(8, false)), 8);
  auto changed = [&](std::size_t at, std::initializer_list<std::uint8_t> bytes) {
    Bytes block = good;
    std::copy(bytes.begin(), bytes.end(), block.begin() + static_cast<std::ptrdiff_t>(at));
    return block;
  };
  for (std::size_t size = 0; size < good.size() - 6; ++size) {
    EXPECT_EQ(ExifOrientation(Bytes(good.begin(), good.begin() + size)), 1) << size;
  }
  EXPECT_EQ(ExifOrientation(changed(10, {0xff, 0xff, 0xff, 0xf0})), 1);  // directory offset
  Bytes manyEntries = changed(14, {0xff, 0xff});  // entries past the end, none the tag
  manyEntries[16] = 0;
  EXPECT_EQ(ExifOrientation(manyEntries), 1);
  EXPECT_EQ(ExifOrientation(changed(18, {0, 4})), 1);               // type LONG
  EXPECT_EQ(ExifOrientation(changed(20, {0, 0, 0, 0})), 1);         // no components
  EXPECT_EQ(ExifOrientation(changed(24, {0, 9})), 1);               // no orientation
  EXPECT_EQ(ExifOrientation(changed(6, {'M', 'I'})), 1);            // no byte order
  EXPECT_EQ(ExifOrientation(changed(0, {'E', 'x', 'i', 'F'})), 1);  // no Exif header
  // A directory pointing back at the header is read once and ends at the data's end.
  EXPECT_EQ(ExifOrientation(changed(10, {0, 0, 0, 0})), 1);
}

struct ProfileCloser {
  void operator()(void* profile) const { cmsCloseProfile(profile); }
};
using Profile = std::unique_ptr<void, ProfileCloser>;

Bytes ProfileBytes(const Profile& profile) {
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile.get(), nullptr, &size);
  Bytes bytes(size);
  cmsSaveProfileToMem(profile.get(), bytes.data(), &size);
  return bytes;
}

// A JPEG with `profile` in APP2 segments of at most `perSegment` bytes of it each.
Bytes WithProfile(const Bytes& jpeg, const Bytes& profile, std::size_t perSegment) {
  const std::size_t count = (profile.size() + perSegment - 1) / perSegment;
  Bytes tagged = jpeg;
  for (std::size_t i = count; i-- > 0;) {
    static constexpr char kName[] = "ICC_PROFILE";
    Bytes payload(kName, kName + sizeof kName);
    payload.push_back(static_cast<std::uint8_t>(i + 1));
    payload.push_back(static_cast<std::uint8_t>(count));
    const auto from = profile.begin() + static_cast<std::ptrdiff_t>(i * perSegment);
    payload.insert(
        payload.end(), from,
        from + static_cast<std::ptrdiff_t>(std::min(perSegment, profile.size() - i * perSegment)));
    tagged = WithJpegSegment(tagged, JPEG_APP0 + 2, payload);
  }
  return tagged;
}

// sRGB's encoding of a linear light level.
int SrgbLevel(double linear) {
  const double encoded =
      linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
  return static_cast<int>(std::lround(255 * encoded));
}

// Colours are shown as a browser shows them: a JPEG's Adobe RGB profile (split over two
// segments), a grey JPEG's linear profile and a PNG's gamma of 1.0 are converted to sRGB; a
// damaged or sRGB profile, sRGB's gamma, and any gamma beside an sRGB chunk change nothing.
TEST(ReaderVariantTest, ColourProfilesAndGammaAreShownInSrgb) {
  codectest::TempFolder folder;
  ScopedPicture photo = testpictures::Make24Bit(48, 32, testpictures::PhotoLike);
  const std::string jpegPath = folder.File("photo.jpg");
  const Bytes jpeg = SavedAs(photo.Get(), jpegPath);
  const codectest::RgbPicture asStored = Loaded(jpegPath, jpeg);

  const cmsCIExyY d65 = {0.3127, 0.3290, 1.0};
  const cmsCIExyYTRIPLE adobePrimaries = {{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
  cmsToneCurve* curve = cmsBuildGamma(nullptr, 563.0 / 256);
  cmsToneCurve* curves[3] = {curve, curve, curve};
  const Profile adobe(cmsCreateRGBProfile(&d65, &adobePrimaries, curves));
  cmsFreeToneCurve(curve);
  const Profile srgb(cmsCreate_sRGBProfile());
  void* transform =
      cmsCreateTransform(adobe.get(), TYPE_RGB_8, srgb.get(), TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
  codectest::RgbPicture expected = asStored;
  cmsDoTransform(transform, asStored.rgb.data(), expected.rgb.data(),
                 static_cast<cmsUInt32Number>(asStored.width * asStored.height));
  cmsDeleteTransform(transform);
  ASSERT_GT(codectest::LargestDifference(asStored, expected), 20);

  const Bytes adobeBytes = ProfileBytes(adobe);
  EXPECT_LE(
      codectest::LargestDifference(
          Loaded(jpegPath, WithProfile(jpeg, adobeBytes, adobeBytes.size() / 2 + 1)), expected),
      1);
  EXPECT_EQ(codectest::LargestDifference(
                Loaded(jpegPath, WithProfile(jpeg, ProfileBytes(srgb), 60000)), asStored),
            0);
  Bytes damaged = adobeBytes;
  std::fill(damaged.begin() + 128, damaged.end(), std::uint8_t{0xa5});
  EXPECT_EQ(
      codectest::LargestDifference(Loaded(jpegPath, WithProfile(jpeg, damaged, 60000)), asStored),
      0);

  const std::uint8_t darkGrey = 64;
  cmsToneCurve* linearCurve = cmsBuildGamma(nullptr, 1.0);
  const Profile linearGrey(cmsCreateGrayProfile(cmsD50_xyY(), linearCurve));
  cmsFreeToneCurve(linearCurve);
  const std::string greyPath = folder.File("grey.jpg");
  const codectest::RgbPicture grey = Loaded(
      greyPath,
      WithProfile(PlainJpeg(JCS_GRAYSCALE, 1, &darkGrey, false), ProfileBytes(linearGrey), 60000));
  for (const std::uint8_t sample : grey.rgb) EXPECT_NEAR(sample, SrgbLevel(darkGrey / 255.0), 1);

  const Bytes linearGamma = {0, 1, 0x86, 0xa0};  // 100000: gamma 1.0
  const Bytes srgbGamma = {0, 0, 0xb1, 0x8f};    // 45455: gamma 1/2.2
  for (const bool palette : {false, true}) {
    SCOPED_TRACE(palette ? "palette" : "24-bit");
    if (palette) {
      ASSERT_EQ(ConvertTo8Bit(photo.Get(), 0, 0), 1);
    }
    const std::string pngPath = folder.File("photo.png");
    const Bytes png = SavedAs(photo.Get(), pngPath);
    const codectest::RgbPicture stored = Loaded(pngPath, png);
    codectest::RgbPicture linear = stored;
    for (std::uint8_t& level : linear.rgb)
      level = static_cast<std::uint8_t>(SrgbLevel(level / 255.0));
    EXPECT_LE(codectest::LargestDifference(Loaded(pngPath, WithPngChunk(png, "gAMA", linearGamma)),
                                           linear),
              1);
    for (const Bytes& declared :
         {WithPngChunk(png, "gAMA", srgbGamma),
          WithPngChunk(WithPngChunk(png, "gAMA", linearGamma), "sRGB", {0})}) {
      EXPECT_EQ(codectest::LargestDifference(Loaded(pngPath, declared), stored), 0);
    }
  }
}

// A colour as LittleCMS itself renders it through `profile` into sRGB.
std::array<std::uint8_t, 3> RenderedBy(const Profile& profile, cmsUInt32Number format,
                                       const std::uint8_t* samples) {
  const Profile srgb(cmsCreate_sRGBProfile());
  void* transform = cmsCreateTransform(profile.get(), format, srgb.get(), TYPE_RGB_8,
                                       INTENT_RELATIVE_COLORIMETRIC, 0);
  std::array<std::uint8_t, 3> rgb{};
  cmsDoTransform(transform, samples, rgb.data(), 1);
  cmsDeleteTransform(transform);
  return rgb;
}

// A small PNG whose profile inflates to more than the whole file (a ProPhoto profile padded
// with a long copyright text, as common v4 profiles are with their tables) is converted.
TEST(ReaderVariantTest, ProfileLargerThanTheFileIsApplied) {
  const cmsCIExyY d50 = {0.3457, 0.3585, 1.0};
  const cmsCIExyYTRIPLE primaries = {
      {0.7347, 0.2653, 1.0}, {0.1596, 0.8404, 1.0}, {0.0366, 0.0001, 1.0}};
  cmsToneCurve* curve = cmsBuildGamma(nullptr, 1.8);
  cmsToneCurve* curves[3] = {curve, curve, curve};
  const Profile proPhoto(cmsCreateRGBProfile(&d50, &primaries, curves));
  cmsFreeToneCurve(curve);
  cmsSetProfileVersion(proPhoto.get(), 4.3);
  cmsMLU* text = cmsMLUalloc(nullptr, 1);
  cmsMLUsetASCII(text, "en", "US", std::string(30000, ' ').c_str());
  cmsWriteTag(proPhoto.get(), cmsSigCopyrightTag, text);
  cmsMLUfree(text);
  const Bytes profile = ProfileBytes(proPhoto);

  Bytes packed(compressBound(static_cast<uLong>(profile.size())));
  uLongf packedSize = static_cast<uLongf>(packed.size());
  ASSERT_EQ(
      compress2(packed.data(), &packedSize, profile.data(), static_cast<uLong>(profile.size()), 9),
      Z_OK);
  Bytes iccp = {'P', 'r', 'o', 'P', 'h', 'o', 't', 'o', 0, 0};
  iccp.insert(iccp.end(), packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(packedSize));

  codectest::TempFolder folder;
  const std::string path = folder.File("prophoto.png");
  ScopedPicture plain = testpictures::MakeFlat(600, 400, MakeColour(120, 60, 30));
  const Bytes tagged = WithPngChunk(SavedAs(plain.Get(), path), "iCCP", iccp);
  ASSERT_LT(tagged.size(), profile.size());
  const std::uint8_t stored[3] = {120, 60, 30};
  const std::array<std::uint8_t, 3> expected = RenderedBy(proPhoto, TYPE_RGB_8, stored);
  ASSERT_GT(expected[0], 170);
  const codectest::RgbPicture loaded = Loaded(path, tagged);
  ASSERT_FALSE(loaded.rgb.empty());
  for (int channel = 0; channel < 3; ++channel)
    EXPECT_NEAR(loaded.rgb[channel], expected[channel], 1);
}

// A printer's CMYK profile made here: its inks are darker and duller than the plain formula
// of inks on white paper makes them.
Profile PrinterProfile() {
  Profile profile(cmsCreateProfilePlaceholder(nullptr));
  cmsSetProfileVersion(profile.get(), 2.1);
  cmsSetDeviceClass(profile.get(), cmsSigOutputClass);
  cmsSetColorSpace(profile.get(), cmsSigCmykData);
  cmsSetPCS(profile.get(), cmsSigLabData);
  const Profile srgb(cmsCreate_sRGBProfile());
  const Profile lab(cmsCreateLab4Profile(nullptr));
  void* toLab =
      cmsCreateTransform(srgb.get(), TYPE_RGB_DBL, lab.get(), TYPE_Lab_16, INTENT_PERCEPTUAL, 0);
  cmsStage* table = cmsStageAllocCLut16bit(nullptr, 9, 4, 3, nullptr);
  cmsStageSampleCLut16bit(
      table,
      [](const cmsUInt16Number in[], cmsUInt16Number out[], void* cargo) -> cmsInt32Number {
        const double black = 1 - in[3] / 65535.0;
        double rgb[3];
        for (int channel = 0; channel < 3; ++channel) {
          rgb[channel] = 0.9 * std::pow((1 - in[channel] / 65535.0) * black, 1.6);
        }
        cmsDoTransform(cargo, rgb, out, 1);
        return TRUE;
      },
      toLab, 0);
  cmsDeleteTransform(toLab);
  cmsPipeline* pipeline = cmsPipelineAlloc(nullptr, 4, 3);
  cmsPipelineInsertStage(pipeline, cmsAT_END, table);
  cmsWriteTag(profile.get(), cmsSigAToB0Tag, pipeline);
  cmsPipelineFree(pipeline);
  return profile;
}

// A CMYK JPEG with a profile shows its inks as LittleCMS renders them through it, stored
// plainly or inverted with Adobe's marker; without a profile the plain formula stays.
TEST(ReaderVariantTest, CmykJpegIsShownThroughItsProfile) {
  const Profile printer = PrinterProfile();
  const Bytes profile = ProfileBytes(printer);
  const std::uint8_t inks[4] = {40, 200, 120, 30};
  const std::uint8_t invertedInks[4] = {215, 55, 135, 225};
  const std::array<std::uint8_t, 3> expected = RenderedBy(printer, TYPE_CMYK_8, inks);
  codectest::TempFolder folder;
  const std::string path = folder.File("cmyk.jpg");
  const codectest::RgbPicture formula = Loaded(path, PlainJpeg(JCS_CMYK, 4, inks, false));
  ASSERT_FALSE(formula.rgb.empty());
  EXPECT_GT(std::abs(formula.rgb[0] - expected[0]) + std::abs(formula.rgb[1] - expected[1]) +
                std::abs(formula.rgb[2] - expected[2]),
            40);
  for (const bool adobe : {false, true}) {
    SCOPED_TRACE(adobe ? "inverted" : "plain");
    const codectest::RgbPicture shown = Loaded(
        path,
        WithProfile(PlainJpeg(JCS_CMYK, 4, adobe ? invertedInks : inks, adobe), profile, 60000));
    ASSERT_FALSE(shown.rgb.empty());
    for (int channel = 0; channel < 3; ++channel)
      EXPECT_NEAR(shown.rgb[channel], expected[channel], 2);
  }
}

// An animation shows its first frame on the canvas; a cut file and a canvas that the file's
// size cannot hold are refused.
TEST(ReaderVariantTest, WebpAnimationShowsItsFirstFrameAndLiesAreRefused) {
  codectest::TempFolder folder;
  const std::string red = folder.File("red.png");
  const std::string blue = folder.File("blue.png");
  const std::string animation = folder.File("animation.webp");
  ASSERT_TRUE(codectest::Run("/usr/bin/convert -size 32x24 xc:red " + codectest::Quoted(red) +
                             " && /usr/bin/convert -size 32x24 xc:blue " + codectest::Quoted(blue) +
                             " && img2webp -lossless " + codectest::Quoted(red) + " " +
                             codectest::Quoted(blue) + " -o " + codectest::Quoted(animation) +
                             " >/dev/null 2>&1"));
  {
    ScopedPicture picture(LoadPicture(animation.c_str()));
    ASSERT_TRUE(picture);
    const codectest::RgbPicture rgb = codectest::RgbOf(picture.Get());
    EXPECT_EQ(rgb.width, 32);
    EXPECT_EQ(rgb.height, 24);
    EXPECT_EQ(rgb.rgb[0], 255);
    EXPECT_EQ(rgb.rgb[2], 0);
  }
  std::vector<std::uint8_t> bytes = codectest::ReadBytes(animation);
  ASSERT_EQ(std::string(bytes.begin() + 12, bytes.begin() + 16), "VP8X");
  std::vector<std::uint8_t> cut(bytes.begin(), bytes.end() - 8);
  codectest::WriteBytes(folder.File("cut.webp"), cut);
  ClearFailureReason();
  EXPECT_FALSE(ScopedPicture(LoadPicture(folder.File("cut.webp").c_str())));
  EXPECT_STREQ(LastFailureReason(), "WebP ファイルが途中で切れています");
  // The canvas claims 20000x20000 pixels.
  for (int at : {24, 27}) {
    bytes[at] = 0x1f;
    bytes[at + 1] = 0x4e;
    bytes[at + 2] = 0;
  }
  codectest::WriteBytes(folder.File("huge.webp"), bytes);
  EXPECT_EQ(IdentifyPictureFile(folder.File("huge.webp").c_str(), 0), kIdentifiedWebp);
  ClearFailureReason();
  EXPECT_FALSE(ScopedPicture(LoadPicture(folder.File("huge.webp").c_str())));
  EXPECT_STREQ(LastFailureReason(),
               "WebP の画像の大きさが画像データの量に見合わないため読めません");
}

}  // namespace

// Strips of a JPEG decoded alone hold exactly the rows the whole decode gives, at the whole
// decode's scale, with chroma smoothed over the rows as there; files the whole decode would
// refuse, or that have no strips, give none.
TEST(ReaderVariantTest, JpegStripsAreTheWholeDecodesRows) {
  codectest::TempFolder folder;
  const std::string colour = folder.File("colour.jpg");
  const std::string grey = folder.File("grey.jpg");
  const std::string png = folder.File("picture.png");
  ASSERT_TRUE(codectest::Run("/usr/bin/convert -size 300x203 -seed 3 plasma:fractal " +
                             codectest::Quoted(png)));
  ASSERT_TRUE(codectest::Run("/usr/bin/convert " + codectest::Quoted(png) +
                             " -sampling-factor 2x2 -quality 90 " + codectest::Quoted(colour)));
  ASSERT_TRUE(codectest::Run("/usr/bin/convert " + codectest::Quoted(png) + " -colorspace Gray " +
                             codectest::Quoted(grey)));
  std::vector<std::uint8_t> bytes = codectest::ReadBytes(colour);
  bytes.resize(bytes.size() - 40);
  const std::string cut = folder.File("cut.jpg");
  codectest::WriteBytes(cut, bytes);

  const ResizedSizeRule whole = {};
  const ResizedSizeRule half = [](PictureSize) { return PictureSize{60, 40}; };
  const imagelib::StripRule spread = [](PictureSize, bool, int rows) {
    return std::vector<imagelib::RowRange>{{5, 21}, {40, 57}, {rows - 9, rows}};
  };
  for (const auto& [path, rule] :
       {std::pair{colour, whole}, std::pair{colour, half}, std::pair{grey, whole}}) {
    SCOPED_TRACE(path);
    ScopedPicture full(LoadPictureForResize(path.c_str(), 0, rule));
    ASSERT_TRUE(full);
    const imagelib::Picture& all = *imagelib::FindPicture(full.Get());
    const auto strips = imagelib::LoadPictureStrips(path.c_str(), rule, spread);
    ASSERT_TRUE(strips);
    EXPECT_EQ(strips->shown.width, 300);
    EXPECT_EQ(strips->shown.height, 203);
    const imagelib::Picture& rows = *strips->rows;
    ASSERT_EQ(rows.width, all.width);
    ASSERT_EQ(rows.bitsPerPixel, all.bitsPerPixel);
    int y = 0;
    for (const imagelib::RowRange strip : spread({}, false, all.height)) {
      for (int row = strip.top; row < strip.bottom; ++row, ++y) {
        ASSERT_LT(y, rows.height);
        EXPECT_EQ(std::memcmp(rows.Row(y), all.Row(row), all.Stride()), 0) << "row " << row;
      }
    }
    EXPECT_EQ(y, rows.height);
  }
  const imagelib::StripRule none = [](PictureSize, bool, int) {
    return std::vector<imagelib::RowRange>{};
  };
  EXPECT_FALSE(imagelib::LoadPictureStrips(colour.c_str(), whole, none));
  EXPECT_FALSE(imagelib::LoadPictureStrips(cut.c_str(), whole, spread));
  EXPECT_FALSE(imagelib::LoadPictureStrips(png.c_str(), whole, spread));
}
