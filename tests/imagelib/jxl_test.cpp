// JPEG XL: read as djxl of the same libjxl decodes, written so that djxl reads it back, JPEGs
// recompressed so that djxl rebuilds them byte for byte, and Exif found in the file's box.
#include <gtest/gtest.h>
#include <jxl/encode.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "imagelib/codec_support.h"
#include "imagelib/exif_editing.h"
#include "imagelib/imagelib.h"
#include "imagelib/picture_store.h"
#include "tests/imagelib/codec_test_support.h"

namespace {

using codectest::Quoted;
using codectest::RgbPicture;

// djxl or cjxl of the libjxl the programs link on Linux (a Linux program under Wine too).
std::string Tool(const std::string& name) {
  return "LD_LIBRARY_PATH=" TRASTEL_JXL_TOOLS "/lib " TRASTEL_JXL_TOOLS "/bin/" + name + " ";
}

// Decodes into an 8-bit PNG in sRGB (for grey pictures, grey with sRGB's curve).
bool Djxl(const std::string& from, const std::string& to, bool grey = false) {
  return codectest::Run(Tool("djxl") + Quoted(from) + " " + Quoted(to) +
                        " --bits_per_sample=8 --color_space=" +
                        (grey ? "Gra_D65_Rel_SRG" : "RGB_D65_SRG_Rel_SRG") + " --quiet 2>&1")
      .has_value();
}

// A PNG file's pixels as R, G, B and alpha bytes, as stored.
std::vector<std::uint8_t> RgbaOf(const std::string& path) {
  const auto rgba =
      codectest::Run("/usr/bin/convert " + Quoted(path) + " -set colorspace sRGB -depth 8 rgba:-");
  return rgba ? std::vector<std::uint8_t>(rgba->begin(), rgba->end()) : std::vector<std::uint8_t>{};
}

// A decoded picture's own colours and alpha (255 where it keeps none), as R, G, B and alpha.
std::vector<std::uint8_t> RgbaOf(const imagelib::Picture& picture) {
  std::vector<std::uint8_t> rgba;
  for (int y = 0; y < picture.height; ++y) {
    const std::uint8_t* pixel = picture.Row(y);
    const std::uint8_t* alpha = picture.AlphaRow(y);
    for (int x = 0; x < picture.width; ++x, pixel += 3) {
      rgba.insert(rgba.end(), {pixel[2], pixel[1], pixel[0], alpha ? alpha[x] : std::uint8_t{255}});
    }
  }
  return rgba;
}

RgbPicture RgbOf(std::unique_ptr<imagelib::Picture> picture) {
  const ScopedPicture stored(imagelib::StorePicture(std::move(picture)));
  return codectest::RgbOf(stored.Get());
}

// A lossless file of 3 x 2 pixels of six colours, stored with the given orientation.
std::vector<std::uint8_t> OrientedFile(JxlOrientation orientation) {
  const std::unique_ptr<JxlEncoder, decltype(&JxlEncoderDestroy)> encoder(JxlEncoderCreate(nullptr),
                                                                          JxlEncoderDestroy);
  JxlBasicInfo info;
  JxlEncoderInitBasicInfo(&info);
  info.xsize = 3;
  info.ysize = 2;
  info.bits_per_sample = 8;
  info.uses_original_profile = JXL_TRUE;
  info.orientation = orientation;
  JxlColorEncoding srgb;
  JxlColorEncodingSetToSRGB(&srgb, JXL_FALSE);
  JxlEncoderFrameSettings* settings = JxlEncoderFrameSettingsCreate(encoder.get(), nullptr);
  const std::uint8_t pixels[] = {255, 0,   0, 0, 255, 0,   0, 0, 255,
                                 255, 255, 0, 0, 255, 255, 9, 9, 9};
  const JxlPixelFormat format{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
  EXPECT_EQ(JxlEncoderSetBasicInfo(encoder.get(), &info), JXL_ENC_SUCCESS);
  EXPECT_EQ(JxlEncoderSetColorEncoding(encoder.get(), &srgb), JXL_ENC_SUCCESS);
  EXPECT_EQ(JxlEncoderSetFrameLossless(settings, JXL_TRUE), JXL_ENC_SUCCESS);
  EXPECT_EQ(JxlEncoderAddImageFrame(settings, &format, pixels, sizeof pixels), JXL_ENC_SUCCESS);
  JxlEncoderCloseInput(encoder.get());
  std::vector<std::uint8_t> file(4096);
  std::uint8_t* next = file.data();
  std::size_t left = file.size();
  EXPECT_EQ(JxlEncoderProcessOutput(encoder.get(), &next, &left), JXL_ENC_SUCCESS);
  file.resize(file.size() - left);
  return file;
}

// A photo-like picture (lossy, in libjxl's own colour space), one with graded alpha, a 16-bit
// grey one stored losslessly, and a turned one: each as djxl decodes it into sRGB. (The grey
// one's curve is ImageMagick's gamma 2.2, brought to sRGB's from 8-bit samples.)
TEST(JxlTest, ReadsAsDjxlDecodes) {
  codectest::TempFolder folder;
  struct Case {
    const char* name;
    const char* picture;  // ImageMagick's arguments
    const char* coding;   // cjxl's
    double mean;
    int largest;
  };
  for (const Case& c : {
           Case{"photo", "rose: -resize 200%", "-d 1", 0.5, 3},
           Case{"alpha", "rose: -alpha set -channel A -fx 'i/w'", "-d 1", 0.5, 3},
           Case{"grey16", "rose: -colorspace gray -depth 16", "-d 0", 0.5, 2},
       }) {
    SCOPED_TRACE(c.name);
    const std::string png = folder.File(std::string(c.name) + ".png");
    const std::string jxl = folder.File(std::string(c.name) + ".jxl");
    const std::string decoded = folder.File(std::string(c.name) + "-djxl.png");
    ASSERT_TRUE(codectest::Run("/usr/bin/convert " + std::string(c.picture) + " " + Quoted(png)));
    ASSERT_TRUE(codectest::Run(Tool("cjxl") + Quoted(png) + " " + Quoted(jxl) + " " + c.coding +
                               " --quiet 2>&1"));
    ASSERT_TRUE(Djxl(jxl, decoded, std::string(c.name) == "grey16"));
    const std::vector<std::uint8_t> bytes = codectest::ReadBytes(jxl);
    EXPECT_TRUE(imagelib::IsJxl(bytes));
    const RgbPicture reference = *codectest::ReadWithImageMagick(decoded);
    const RgbPicture ours = RgbOf(imagelib::DecodeJxl(bytes));
    EXPECT_LE(codectest::MeanDifference(ours, reference), c.mean);
    EXPECT_LE(codectest::LargestDifference(ours, reference), c.largest);

    // Kept, the alpha is djxl's and the colours its own.
    const auto kept = imagelib::DecodeJxl(bytes, imagelib::AlphaUse::kKept);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->HasAlpha(), std::string(c.name) == "alpha");
    const std::vector<std::uint8_t> ourRgba = RgbaOf(*kept);
    const std::vector<std::uint8_t> theirRgba = RgbaOf(decoded);
    ASSERT_EQ(ourRgba.size(), theirRgba.size());
    int largest = 0;
    for (std::size_t i = 0; i < ourRgba.size(); i += 4) {
      if (theirRgba[i + 3] == 0) continue;  // no colour to compare
      for (std::size_t channel = 0; channel < 4; ++channel) {
        largest = std::max(largest, std::abs(ourRgba[i + channel] - theirRgba[i + channel]));
      }
    }
    EXPECT_LE(largest, c.largest);
  }

  const std::vector<std::uint8_t> turned = OrientedFile(JXL_ORIENT_ROTATE_90_CW);
  const std::string path = folder.File("turned.jxl");
  const std::string decoded = folder.File("turned.png");
  codectest::WriteBytes(path, turned);
  ASSERT_TRUE(Djxl(path, decoded));
  const RgbPicture ours = RgbOf(imagelib::DecodeJxl(turned));
  EXPECT_EQ(ours.width, 2);
  EXPECT_EQ(codectest::LargestDifference(ours, *codectest::ReadWithImageMagick(decoded)), 0);
}

// Saved lossy, the picture comes back close; lossless, exact with its alpha; the Exif block in
// its box, as exiftool reads it.
TEST(JxlTest, SavedFilesReadBackWithDjxl) {
  codectest::TempFolder folder;
  const std::string source = folder.File("source.png");
  const std::string jpeg = folder.File("photo.jpg");
  ASSERT_TRUE(codectest::Run(
      "/usr/bin/convert rose: -resize 200% -alpha set -channel A -fx '0.2+i/w' " + Quoted(source) +
      " && /usr/bin/convert rose: " + Quoted(jpeg) +
      " && /usr/bin/exiftool -q -overwrite_original '-Model=Test Camera' " + Quoted(jpeg)));
  const std::string lossy = folder.File("lossy.jxl");
  const std::string lossless = folder.File("lossless.jxl");
  const std::string back = folder.File("back.png");

  ScopedPicture shown(LoadPicture(source.c_str()));
  ASSERT_TRUE(KeepSourceExif(shown.Get(), jpeg.c_str(), 2));
  ASSERT_EQ(SaveJxl(lossy.c_str(), shown.Get(), 90, 7, 0), 1);
  ASSERT_TRUE(Djxl(lossy, back));
  const RgbPicture original = codectest::RgbOf(shown.Get());
  const RgbPicture lossyBack = *codectest::ReadWithImageMagick(back);
  EXPECT_LE(codectest::MeanDifference(original, lossyBack), 2.0);
  EXPECT_LE(codectest::LargestDifference(original, lossyBack), 40);
  EXPECT_EQ(codectest::Run("/usr/bin/exiftool -s3 -Model " + Quoted(lossy)), "Test Camera\n");

  ScopedPicture kept(LoadPictureKeepingAlpha(source.c_str()));
  ASSERT_EQ(SaveJxl(lossless.c_str(), kept.Get(), 90, 3, 1), 1);
  ASSERT_TRUE(Djxl(lossless, back));
  EXPECT_EQ(RgbaOf(*imagelib::FindPicture(kept.Get())), RgbaOf(back));
}

// Recompressed, a JPEG comes back from djxl byte for byte; with the location left out, as that
// JPEG with its Exif so edited and the same pixels. Arithmetic coding and a turned JPEG (whose
// Exif may be left out) are refused with a reason.
TEST(JxlTest, JpegsRecompressedWithoutLossComeBackWhole) {
  codectest::TempFolder folder;
  const std::string jpeg = folder.File("photo.jpg");
  const std::string jxl = folder.File("photo.jxl");
  const std::string back = folder.File("back.jpg");
  ASSERT_TRUE(codectest::Run("/usr/bin/convert rose: -resize 300% -quality 85 " + Quoted(jpeg) +
                             " && /usr/bin/exiftool -q -overwrite_original '-Model=Test Camera' "
                             "-GPSLatitude=35.6 -GPSLatitudeRef=N " +
                             Quoted(jpeg)));

  ASSERT_EQ(SaveJxlFromJpeg(jxl.c_str(), jpeg.c_str(), 2), 1);
  ASSERT_TRUE(Djxl(jxl, back));
  EXPECT_EQ(codectest::ReadBytes(back), codectest::ReadBytes(jpeg));
  EXPECT_LT(codectest::ReadBytes(jxl).size(), codectest::ReadBytes(jpeg).size());

  ASSERT_EQ(SaveJxlFromJpeg(jxl.c_str(), jpeg.c_str(), 1), 1);
  ASSERT_TRUE(Djxl(jxl, back));
  EXPECT_EQ(
      codectest::Run("/usr/bin/exiftool -s -n -Model -Orientation -GPSLatitude " + Quoted(back)),
      "Model                           : Test Camera\n");
  EXPECT_EQ(codectest::LargestDifference(*codectest::ReadWithImageMagick(back),
                                         *codectest::ReadWithImageMagick(jpeg)),
            0);

  const std::string arithmetic = TRASTEL_SHARED_TESTDATA "/libjpeg-turbo/testimgari.jpg";
  ASSERT_TRUE(
      codectest::Run("/usr/bin/exiftool -q -overwrite_original -Orientation#=6 " + Quoted(jpeg)));
  const std::string refused = folder.File("refused.jxl");
  for (const std::string& unsuitable : {arithmetic, jpeg}) {
    ClearFailureReason();
    EXPECT_EQ(SaveJxlFromJpeg(refused.c_str(), unsuitable.c_str(), 2), 0) << unsuitable;
    EXPECT_STRNE(LastFailureReason(), "");
    EXPECT_FALSE(std::filesystem::exists(refused));
  }
}

// The Exif of a JPEG that cjxl recompressed is found in the JPEG XL file's box, for the
// picture's facts and for keeping it in converted files.
TEST(JxlTest, ExifIsFoundInTheFilesBox) {
  codectest::TempFolder folder;
  const std::string jpeg = folder.File("photo.jpg");
  const std::string jxl = folder.File("photo.jxl");
  ASSERT_TRUE(codectest::Run("/usr/bin/convert rose: " + Quoted(jpeg) +
                             " && /usr/bin/exiftool -q -overwrite_original '-Model=Test Camera' " +
                             Quoted(jpeg) + " && " + Tool("cjxl") + Quoted(jpeg) + " " +
                             Quoted(jxl) + " --quiet 2>&1"));
  const imagelib::Bytes exif = imagelib::ExifBlockOf(codectest::ReadBytes(jpeg));
  ASSERT_FALSE(exif.empty());
  EXPECT_EQ(imagelib::ExifBlockOf(codectest::ReadBytes(jxl)), exif);
}

}  // namespace
