#include "engine/encoders.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/colour_numbers.h"
#include "engine/filters.h"
#include "engine/pipeline.h"
#include "imagelib/exif_editing.h"
#include "imagelib/picture_store.h"
#include "tests/engine/pipeline_test_support.h"
#include "tests/imagelib/heif_file_builder.h"
#include "tests/support/file_size_limit.h"

namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::uint32_t LittleEndianAt(const std::string& bytes, std::size_t offset, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) {
    value = value << 8 | static_cast<std::uint8_t>(bytes.at(offset + i));
  }
  return value;
}

std::size_t Occurrences(const std::string& text, const std::string& piece) {
  std::size_t count = 0;
  for (auto at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++count;
  return count;
}

class EncodersTest : public PipelineTest {
 protected:
  void SetUp() override {
    PipelineTest::SetUp();
    input_ = MakePicture("PNG24:in.png",
                         "-size 24x16 xc:white -fill black -draw 'rectangle 0,8 23,15' "
                         "-fill 'rgb(200,100,50)' -draw 'rectangle 12,0 23,7'");
  }

  int Convert(int format, const std::string& outputName) {
    target_->DIB_TYPE = format;
    SetPaths(input_, outputName);
    return ConvertSingle();
  }

  fs::path input_;
};

TEST_F(EncodersTest, BmpDepthFollowsTheChoice) {
  struct Case {
    int bmpType;
    std::uint32_t bitCount;
    std::uint32_t compression;
  } cases[] = {{0, 24, 0}, {1, 16, 0}, {2, 8, 0}, {3, 8, 1}, {7, 24, 0}, {-1, 24, 0}};
  for (const Case& c : cases) {
    target_->BMP_TYPE = c.bmpType;
    ASSERT_EQ(Convert(kFormatBmp, "out.bmp"), 1) << c.bmpType;
    std::string bytes = ReadBytes(output_);
    ASSERT_GT(bytes.size(), 54u);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(LittleEndianAt(bytes, 28, 2), c.bitCount) << c.bmpType;
    EXPECT_EQ(LittleEndianAt(bytes, 30, 4), c.compression) << c.bmpType;
    EXPECT_EQ(Identify(output_, "%wx%h"), "24x16") << c.bmpType;
    EXPECT_EQ(PixelOf(output_, 0, 0), "255,255,255,1") << c.bmpType;
    EXPECT_EQ(PixelOf(output_, 0, 15), "0,0,0,1") << c.bmpType;
  }
  EXPECT_EQ(Identify(output_, "%C"), "None");
  target_->BMP_TYPE = 3;
  ASSERT_EQ(Convert(kFormatBmp, "out.bmp"), 1);
  EXPECT_EQ(Identify(output_, "%C"), "RLE");
  // Three colours fit a palette exactly.
  EXPECT_EQ(PixelOf(output_, 20, 2), "200,100,50,1");
}

TEST_F(EncodersTest, JpegQualityIsTheComplementOfTheCompressionChoice) {
  struct Case {
    int compression;
    int progressive;
    int lowestQuality;
    int highestQuality;
    const char* interlace;
  } cases[] = {
      {0, 0, 100, 100, "None"},
      {20, 1, 80, 80, "JPEG"},
      {100, 0, 1, 2, "None"},  // Quality 0 is written as the lowest quality there is.
  };
  for (const Case& c : cases) {
    target_->JPG_TYPE = c.compression;
    target_->JPG_PRO = c.progressive;
    ASSERT_EQ(Convert(kFormatJpeg, "out.jpg"), 1) << c.compression;
    EXPECT_EQ(Identify(output_, "%m %wx%h %[interlace]"), std::string("JPEG 24x16 ") + c.interlace);
    int quality = std::stoi(Identify(output_, "%Q"));
    EXPECT_GE(quality, c.lowestQuality) << c.compression;
    EXPECT_LE(quality, c.highestQuality) << c.compression;
  }
}

TEST_F(EncodersTest, PngAndGifInterlaceOnRequest) {
  for (int interlaced : {0, 1}) {
    target_->PNG_PRO = interlaced;
    target_->GIF_PRO = interlaced;
    ASSERT_EQ(Convert(kFormatPng, "out.png"), 1);
    EXPECT_EQ(Identify(output_, "%m %wx%h %[interlace]"),
              std::string("PNG 24x16 ") + (interlaced ? "PNG" : "None"));
    EXPECT_EQ(PixelOf(output_, 20, 2), "200,100,50,1");
    ASSERT_EQ(Convert(kFormatGif, "out.gif"), 1);
    EXPECT_EQ(Identify(output_, "%m %wx%h %[interlace]"),
              std::string("GIF 24x16 ") + (interlaced ? "GIF" : "None"));
    EXPECT_EQ(PixelOf(output_, 20, 2), "200,100,50,1");
  }
}

TEST_F(EncodersTest, WebpIsLossyByQualityOrExactWhenLossless) {
  std::uintmax_t sizes[2] = {};
  for (int quality : {10, 95}) {
    target_->WEBP_QUALITY = quality;
    ASSERT_EQ(Convert(kFormatWebp, "out.webp"), 1) << quality;
    EXPECT_EQ(ReadBytes(output_).substr(8, 7), "WEBPVP8");
    EXPECT_EQ(Identify(output_, "%m %wx%h"), "WEBP 24x16");
    sizes[quality > 50] = fs::file_size(output_);
  }
  EXPECT_LT(sizes[0], sizes[1]);
  // Lossy: close to the source colour; lossless: the very colours, whatever the quality says.
  int red = 0, green = 0, blue = 0;
  ASSERT_EQ(std::sscanf(PixelOf(output_, 20, 2).c_str(), "%d,%d,%d", &red, &green, &blue), 3);
  EXPECT_NEAR(red, 200, 12);
  EXPECT_NEAR(green, 100, 12);
  EXPECT_NEAR(blue, 50, 12);
  target_->WEBP_LOSSLESS = 1;
  target_->WEBP_QUALITY = 0;
  ASSERT_EQ(Convert(kFormatWebp, "out.webp"), 1);
  EXPECT_EQ(ReadBytes(output_).substr(12, 4), "VP8L");
  EXPECT_EQ(PixelOf(output_, 20, 2), "200,100,50,1");
  EXPECT_EQ(PixelOf(output_, 0, 15), "0,0,0,1");
  EXPECT_EQ(PixelOf(output_, 0, 0), "255,255,255,1");
}

// A JPEG whose pixels go through unchanged becomes JPEG XL by recompressing its DCT data (the
// bytes the library's recompression gives, which djxl turns back into the JPEG); a resized,
// filtered or turned one, or any when JXL_FROM_JPEG is off, by coding its pixels.
TEST_F(EncodersTest, JxlRecompressesAJpegWhosePixelsStayAndCodesEveryOtherPicture) {
  const fs::path photo =
      MakePicture("photo.jpg", "-size 64x48 -seed 4 plasma:fractal -blur 0x1 -quality 90");
  const fs::path recompressed = folder_ / "recompressed.jxl";
  ASSERT_EQ(SaveJxlFromJpeg(recompressed.string().c_str(), photo.string().c_str(), 0), 1);
  target_->DIB_TYPE = kFormatJxl;
  target_->JXL_FROM_JPEG = 1;
  target_->JXL_QUALITY = 90;
  target_->JXL_EFFORT = 6;
  auto convert = [&] {
    SetPaths(photo, "out.jxl");
    EXPECT_EQ(ConvertSingle(), 1);
    return ReadBytes(output_);
  };
  EXPECT_EQ(convert(), ReadBytes(recompressed));
  auto sizeOf = [&] {
    const ScopedPicture loaded(LoadPicture(output_.string().c_str()));
    BitmapInfoHeader header{};
    GetPictureHeader(loaded.Get(), &header);
    return std::to_string(header.biWidth) + "x" + std::to_string(header.biHeight);
  };
  target_->FILTER_TYPE = kFilterGrey;
  EXPECT_NE(convert(), ReadBytes(recompressed));
  target_->FILTER_TYPE = kFilterNone;
  target_->RESIZE_TYPE = 2;
  target_->width = 32;
  target_->height = 24;
  EXPECT_NE(convert(), ReadBytes(recompressed));
  EXPECT_EQ(sizeOf(), "32x24");
  target_->RESIZE_TYPE = 0;
  target_->JXL_FROM_JPEG = 0;
  EXPECT_NE(convert(), ReadBytes(recompressed));
  EXPECT_EQ(sizeOf(), "64x48");
}

// Alpha of a pixel read by ImageMagick: "1" opaque, "0" transparent.
std::string AlphaOf(const fs::path& file, int x, int y) {
  std::string pixel = PipelineTest::PixelOf(file, x, y);
  return pixel.substr(pixel.rfind(',') + 1);
}

// Every pixel as ImageMagick reads it: red, green, blue and alpha bytes.
std::string RgbaOf(const fs::path& file) {
  return RunCommand("/usr/bin/convert '" + file.string() + "[0]' -depth 8 RGBA:- 2>/dev/null");
}

int SampleAt(const std::string& rgba, std::size_t pixel, int channel) {
  return static_cast<std::uint8_t>(rgba.at(4 * pixel + static_cast<std::size_t>(channel)));
}

TEST_F(EncodersTest, WebpAndAvifKeepTheSourcesAlphaThroughEveryStep) {
  // Opaque orange, half-transparent blue and fully transparent green, side by side.
  input_ = MakePicture("PNG32:alpha.png",
                       "-size 24x16 xc:'rgba(0,255,0,0)' -fill 'rgb(200,100,50)' "
                       "-draw 'rectangle 0,0 11,15' -fill 'rgba(0,0,255,0.502)' "
                       "-draw 'rectangle 12,0 17,15'");
  const std::string source = RgbaOf(input_);
  ASSERT_EQ(source.size(), 24u * 16 * 4);
  ASSERT_EQ(SampleAt(source, 14, 3), 128);

  // Lossless: every visible pixel and every opacity exactly as in the source.
  target_->WEBP_LOSSLESS = 1;
  ASSERT_EQ(Convert(kFormatWebp, "out.webp"), 1);
  std::string written = RgbaOf(output_);
  ASSERT_EQ(written.size(), source.size());
  for (std::size_t pixel = 0; pixel < 24 * 16; ++pixel) {
    EXPECT_EQ(SampleAt(written, pixel, 3), SampleAt(source, pixel, 3)) << pixel;
    for (int channel = 0; channel < 3 && SampleAt(source, pixel, 3) != 0; ++channel) {
      EXPECT_EQ(SampleAt(written, pixel, channel), SampleAt(source, pixel, channel)) << pixel;
    }
  }
  // ImageMagick reads no AVIF alpha: libavif's own decoder (not the library that wrote it) does.
  ASSERT_EQ(Convert(kFormatAvif, "out.avif"), 1);
  const fs::path decoded = folder_ / "avif.png";
  RunCommand("/usr/bin/avifdec '" + output_.string() + "' '" + decoded.string() +
             "' >/dev/null 2>&1");
  written = RgbaOf(decoded);
  ASSERT_EQ(written.size(), source.size());
  EXPECT_NEAR(SampleAt(written, 5, 3), 255, 4);
  EXPECT_NEAR(SampleAt(written, 14, 3), 128, 8);
  EXPECT_NEAR(SampleAt(written, 14, 2), 255, 24);
  EXPECT_NEAR(SampleAt(written, 20, 3), 0, 4);

  // A colour filter acts on the pixels' own colours: the blue turns yellow, still half seen.
  target_->FILTER_TYPE = kFilterNegative;
  ASSERT_EQ(Convert(kFormatWebp, "out.webp"), 1);
  written = RgbaOf(output_);
  EXPECT_EQ(written.substr(4 * 14, 4), std::string("\xff\xff\x00\x80", 4));
  EXPECT_EQ(written.substr(4 * 5, 4), std::string("\x37\x9b\xcd\xff", 4));

  // Cut, shrunk and turned: the alpha follows; the transparent green lends no colour to its
  // neighbours, and the corners the turn uncovers are transparent.
  target_->FILTER_TYPE = 0;
  target_->CUT_TYPE = 1;
  target_->cropX = 4;
  target_->cropY = 0;
  target_->cropWidth = 20;
  target_->cropHeight = 16;
  target_->RESIZE_TYPE = 2;
  target_->width = 10;
  target_->height = 8;
  target_->ANGLE_VAL = 30;
  ASSERT_EQ(Convert(kFormatWebp, "out.webp"), 1);
  int width = 0, height = 0;
  ASSERT_EQ(std::sscanf(Identify(output_, "%w %h").c_str(), "%d %d", &width, &height), 2);
  written = RgbaOf(output_);
  ASSERT_EQ(written.size(), 4u * width * height);
  EXPECT_LE(SampleAt(written, 0, 3), 8);
  int seen = 0;
  for (std::size_t pixel = 0; pixel < written.size() / 4; ++pixel) {
    if (SampleAt(written, pixel, 3) < 64) continue;
    ++seen;
    EXPECT_LE(SampleAt(written, pixel, 1), 110) << pixel;
  }
  EXPECT_GT(seen, 20);
}

TEST_F(EncodersTest, GifTransparencyTakesWhiteBlackOrNothing) {
  struct Case {
    int gifColour;
    const char* whiteAlpha;
    const char* blackAlpha;
  } cases[] = {
      {1, "0", "1"}, {2, "1", "0"}, {0, "1", "1"},  // Even right after a colour was chosen.
  };
  for (const Case& c : cases) {
    target_->GIF_COLOR = c.gifColour;
    ASSERT_EQ(Convert(kFormatGif, "out.gif"), 1);
    EXPECT_EQ(AlphaOf(output_, 0, 0), c.whiteAlpha) << c.gifColour;
    EXPECT_EQ(AlphaOf(output_, 0, 15), c.blackAlpha) << c.gifColour;
    EXPECT_EQ(PixelOf(output_, 20, 2), "200,100,50,1") << c.gifColour;
  }
}

TEST_F(EncodersTest, TableArtHasOneCellPerPixelOfTheConvertedPicture) {
  target_->HTM_TYPE = 4;
  target_->CUT_TYPE = 1;
  target_->cropX = 10;
  target_->cropY = 6;
  target_->cropWidth = 5;
  target_->cropHeight = 3;
  ASSERT_EQ(Convert(kFormatHtm, "out.htm"), 1);
  std::string page = ReadBytes(output_);
  EXPECT_EQ(page.rfind("<HTML><HEAD> \r\n", 0), 0u);
  EXPECT_NE(page.find("td{ width:5px;height:5px;"), std::string::npos);
  EXPECT_EQ(Occurrences(page, "<tr>"), 3u);
  EXPECT_EQ(Occurrences(page, "<td bgcolor="), 15u);
  EXPECT_EQ(Occurrences(page, "\"#ffffff\""), 4u);  // x 10..11 of rows 6..7
  EXPECT_EQ(Occurrences(page, "\"#c86432\""), 6u);  // x 12..14 of rows 6..7
  EXPECT_EQ(Occurrences(page, "\"#000000\""), 5u);  // row 8
}

TEST_F(EncodersTest, UnknownFormatWritesNothing) {
  EXPECT_EQ(Convert(9, "out.xyz"), 0);
  EXPECT_EQ(Convert(-1, "out.xyz"), 0);
  EXPECT_FALSE(fs::exists(output_));
  EXPECT_TRUE(layer_->messages.empty());
  EXPECT_EQ(imagelib::StoredPictureCount(), 0u);
}

TEST_F(EncodersTest, AnimationHoldsEveryFrameWithItsDelay) {
  constexpr int kFrames = 150;
  target_->DIB_TYPE = kFormatGif;
  target_->GIF_ANIMA = 1;
  target_->GIF_SPEED = 25;
  target_->GIF_COLOR = 1;
  state_->paths->itemCount = kFrames;
  fs::path frames[2] = {
      MakePicture("BMP3:a.bmp", "-size 16x12 xc:white -fill red -draw 'point 3,3' -type TrueColor"),
      MakePicture("BMP3:b.bmp", "-size 16x12 xc:blue -type TrueColor")};
  for (int i = 0; i < kFrames; ++i) {
    SetPaths(frames[i % 2], "anim.gif");
    ASSERT_EQ(ConvertFrame(i, i == kFrames - 1), 1) << i;
  }
  std::string delays = Identify(output_, "%T,");
  EXPECT_EQ(Occurrences(delays, "25,"), static_cast<std::size_t>(kFrames)) << delays;
  EXPECT_EQ(Identify(output_, "%n\n").substr(0, 4), "150\n");
  // Each frame is cleared to the background before the next one is drawn.
  EXPECT_EQ(Identify(output_, "%D\n").substr(0, 11), "Background\n");
  // The white of the first frame is transparent; the red pixel is not.
  EXPECT_EQ(AlphaOf(output_, 0, 0), "0");
  EXPECT_EQ(PixelOf(output_, 3, 3), "255,0,0,1");
  EXPECT_EQ(imagelib::StoredPictureCount(), 0u);

  target_->DIB_TYPE = kFormatBmp;
  EXPECT_EQ(SaveAnimation(), 0);
}

// A phone photo stored on its side (Orientation 6) with date, camera, location, an owner's name
// and a thumbnail, read back by exiftool from every format with a place for Exif.
TEST_F(EncodersTest, ExifKeepsWhatEachChoiceSaysWithThePictureUpright) {
  const fs::path photo =
      MakePicture("photo.jpg", "-size 40x20 xc:red -fill blue -draw 'rectangle 0,0 9,19'");
  MakePicture("thumb.jpg", "-size 8x4 xc:green");
  RunCommand(
      "/usr/bin/exiftool -q -overwrite_original -Make=TestMaker '-Model=Test Camera' "
      "'-DateTimeOriginal=2026:05:04 10:11:12' -Orientation#=6 -GPSLatitude=35.6 "
      "-GPSLatitudeRef=N -GPSLongitude=139.7 -GPSLongitudeRef=E '-Artist=Hanako Yamada' "
      "-ExifImageWidth=40 -ExifImageHeight=20 "
      "-ImageUniqueID=0123456789abcdef0123456789abcdef '-ThumbnailImage<=" +
      (folder_ / "thumb.jpg").string() + "' '" + photo.string() + "'");
  input_ = photo;
  const std::string kTags =
      " -S -n -Orientation -DateTimeOriginal -Model -ExifImageWidth -ExifImageHeight "
      "-GPSLatitude -Artist -ImageUniqueID -ThumbnailLength '";
  ASSERT_NE(
      RunCommand("/usr/bin/exiftool" + kTags + photo.string() + "'").find("GPSLatitude: 35.6"),
      std::string::npos);
  const std::string kCamera =
      "Orientation: 1\nDateTimeOriginal: 2026:05:04 10:11:12\nModel: Test Camera\n"
      "ExifImageWidth: 20\nExifImageHeight: 40\n";
  const std::string kKept[] = {"", kCamera,
                               kCamera +
                                   "GPSLatitude: 35.6\nArtist: Hanako Yamada\n"
                                   "ImageUniqueID: 0123456789abcdef0123456789abcdef\n"};
  for (int keep : {0, 1, 2}) {
    target_->EXIF_KEEP = keep;
    for (int format : {kFormatJpeg, kFormatPng, kFormatWebp, kFormatAvif}) {
      ASSERT_EQ(Convert(format, "out.picture"), 1) << format;
      EXPECT_EQ(RunCommand("/usr/bin/exiftool" + kTags + output_.string() + "'"), kKept[keep])
          << keep << " " << format;
      // What is not kept is gone from the file, not only from its directories.
      EXPECT_EQ(ReadBytes(output_).find("Hanako") != std::string::npos, keep == 2) << format;
      // Each of these formats passes its block on as a source, too.
      if (keep == 2 && format != kFormatJpeg) {
        const fs::path source = folder_ / ("source" + std::to_string(format));
        fs::rename(output_, source);
        input_ = source;
        ASSERT_EQ(Convert(kFormatJpeg, "out.jpg"), 1) << format;
        EXPECT_EQ(RunCommand("/usr/bin/exiftool" + kTags + output_.string() + "'"), kKept[2])
            << format;
        input_ = photo;
      }
    }
  }
  // Stood upright: the blue left side of the stored picture is at the top.
  ASSERT_EQ(Convert(kFormatPng, "out.png"), 1);
  EXPECT_EQ(Identify(output_, "%wx%h"), "20x40");
  EXPECT_EQ(PixelOf(output_, 10, 2).substr(0, 4), "0,0,");
}

// Photos of iOS 18 and later: a gain map (or a thumbnail) that belongs to two pictures at once,
// built here from a plain HEIC, with its date, camera and location and a turn to stand upright.
TEST_F(EncodersTest, PhonePhotosWhosePicturesShareAGainMapOrThumbnailConvertUpright) {
  const fs::path plain =
      MakePicture("plain.heic", "-size 40x20 xc:red -fill blue -draw 'rectangle 0,0 9,19'");
  const fs::path tagged = MakePicture("tagged.jpg", "-size 8x8 xc:gray");
  RunCommand(
      "/usr/bin/exiftool -q -overwrite_original '-Model=Test Camera' "
      "'-DateTimeOriginal=2026:05:04 10:11:12' -GPSLatitude=35.6 -GPSLatitudeRef=N '" +
      tagged.string() + "'");
  const std::string jpeg = ReadBytes(tagged);
  const imagelib::Bytes exif = imagelib::ExifBlockOf(
      imagelib::ByteSpan(reinterpret_cast<const std::uint8_t*>(jpeg.data()), jpeg.size()));
  ASSERT_GT(exif.size(), 6u);
  const std::string heic = ReadBytes(plain);
  for (const std::string shared : {"auxl", "thmb"}) {
    heiftest::HeifFileBuilder photo = heiftest::HeifFileBuilder::From(
        imagelib::ByteSpan(reinterpret_cast<const std::uint8_t*>(heic.data()), heic.size()));
    const std::uint32_t primary = photo.Primary();
    photo.Item(primary).properties.push_back(heiftest::Rotation(3));
    const std::uint32_t metadata =
        photo.Add("Exif", heiftest::ExifItem(imagelib::ByteSpan(exif).subspan(6)), {});
    photo.Reference("cdsc", metadata, {primary});
    // A second, hidden picture, and the picture both name (made of the first coded picture).
    const heiftest::BuiltItem coded = photo.First("hvc1");
    const std::uint32_t second = photo.Add("hvc1", coded.data, coded.properties, true);
    std::vector<imagelib::Bytes> properties = coded.properties;
    if (shared == "auxl") {
      properties.push_back(heiftest::AuxiliaryType("urn:com:apple:photo:2020:aux:hdrgainmap"));
    }
    photo.Reference(shared, photo.Add("hvc1", coded.data, properties, true), {primary, second});
    const imagelib::Bytes built = photo.Build();
    input_ = folder_ / ("iphone-" + shared + ".heic");
    std::ofstream(input_, std::ios::binary)
        .write(reinterpret_cast<const char*>(built.data()),
               static_cast<std::streamsize>(built.size()));

    target_->EXIF_KEEP = 1;
    ASSERT_EQ(Convert(kFormatJpeg, "out.jpg"), 1) << shared;
    EXPECT_EQ(Identify(output_, "%wx%h"), "20x40") << shared;
    // The blue left side of the stored picture is the top, the red rest below.
    EXPECT_LT(std::stoi(PixelOf(output_, 10, 2)), 60) << shared;
    EXPECT_GT(std::stoi(PixelOf(output_, 10, 37)), 200) << shared;
    EXPECT_EQ(RunCommand("/usr/bin/exiftool -S -n -DateTimeOriginal -Model -GPSLatitude '" +
                         output_.string() + "'"),
              "DateTimeOriginal: 2026:05:04 10:11:12\nModel: Test Camera\n")
        << shared;
  }
}

TEST_F(EncodersTest, FailedWriteLeavesNoFileBehind) {
  // No such folder.
  target_->DIB_TYPE = kFormatPng;
  SetPaths(input_, "missing/out.png");
  EXPECT_EQ(ConvertSingle(), 0);
  EXPECT_FALSE(fs::exists(output_));

#ifndef _WIN32  // A full disk is made with a POSIX file size limit.
  // A write that stops part-way, as on a full disk.
  for (int format : {kFormatBmp, kFormatJpeg, kFormatPng, kFormatGif}) {
    target_->DIB_TYPE = format;
    SetPaths(input_, "out.picture");
    int result = 0;
    {
      FileSizeLimit fullDisk(20);  // Less than any header.
      ASSERT_TRUE(fullDisk.active());
      result = ConvertSingle();
    }
    EXPECT_EQ(result, 0) << format;
    EXPECT_FALSE(fs::exists(output_)) << format;
  }
#endif
  // Only the input is left in the folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
}

}  // namespace
