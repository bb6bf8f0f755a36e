#include "engine/pipeline.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/colour_numbers.h"
#include "engine/encoders.h"
#include "engine/filters.h"
#include "imagelib/picture_store.h"
#include "platform/files.h"
#include "tests/engine/pipeline_test_support.h"

namespace {

namespace fs = std::filesystem;

class ConversionTest : public PipelineTest {
 protected:
  void SetUp() override {
    PipelineTest::SetUp();
    target_->DIB_TYPE = kFormatBmp;
    target_->BMP_TYPE = 0;
  }

  // Converts `input` with the current settings into out.bmp; returns the result.
  int Convert(const fs::path& input) {
    SetPaths(input, "out.bmp");
    return ConvertSingle();
  }
};

TEST_F(ConversionTest, ColourFiltersGiveTheExpectedPixels) {
  fs::path flat = MakePicture("BMP3:flat.bmp", "-size 4x3 xc:'rgb(200,100,50)' -type TrueColor");
  fs::path grey = MakePicture("BMP3:grey.bmp", "-size 4x3 xc:'rgb(128,128,128)' -type TrueColor");
  struct Case {
    const char* name;
    int filter;
    const fs::path& input;
    int red, green, blue;
    int tolerance;
  } cases[] = {
      {"none", kFilterNone, flat, 200, 100, 50, 0},
      {"out of range", 8, flat, 200, 100, 50, 0},
      {"negative range", -1, flat, 200, 100, 50, 0},
      {"negative", kFilterNegative, flat, 55, 155, 205, 0},
      {"grey of grey", kFilterGrey, grey, 128, 128, 128, 0},
      // 128 scaled by 1.4, 1.0 and 0.725; the last is 92.8, rounded either way.
      {"sepia of grey 128", kFilterSepia, grey, 179, 128, 93, 1},
      // A flat picture has no edges to sharpen or soften.
      {"sharpen flat", kFilterSharpen, flat, 200, 100, 50, 0},
      {"soften flat", kFilterSoften, flat, 200, 100, 50, 0},
  };
  for (const Case& c : cases) {
    target_->FILTER_TYPE = c.filter;
    ASSERT_EQ(Convert(c.input), 1) << c.name;
    int red = -1, green = -1, blue = -1;
    std::string pixel = PixelOf(output_, 1, 1);
    ASSERT_EQ(std::sscanf(pixel.c_str(), "%d,%d,%d", &red, &green, &blue), 3) << pixel;
    EXPECT_NEAR(red, c.red, c.tolerance) << c.name;
    EXPECT_NEAR(green, c.green, c.tolerance) << c.name;
    EXPECT_NEAR(blue, c.blue, c.tolerance) << c.name;
    EXPECT_EQ(Identify(output_, "%wx%h"), "4x3") << c.name;
  }
  EXPECT_EQ(imagelib::StoredPictureCount(), 0u);
}

TEST_F(ConversionTest, GreyIsALuminanceOfTheColour) {
  fs::path input = MakePicture("BMP3:in.bmp", "-size 2x2 xc:'rgb(200,100,50)' -type TrueColor");
  target_->FILTER_TYPE = kFilterGrey;
  ASSERT_EQ(Convert(input), 1);
  std::string pixel = PixelOf(output_, 0, 0);
  int red = 0, green = 0, blue = 0;
  ASSERT_EQ(std::sscanf(pixel.c_str(), "%d,%d,%d", &red, &green, &blue), 3) << pixel;
  EXPECT_EQ(red, green);
  EXPECT_EQ(green, blue);
  // Rec. 601 luma of this colour is 124.2; any sound weighting lands close to it.
  EXPECT_NEAR(red, 124, 4);
}

TEST_F(ConversionTest, SharpenAndSoftenChangeAnEdgeInOppositeWays) {
  // Left half dark grey, right half light grey: the pixel left of the edge gets darker when
  // sharpened and lighter when softened.
  fs::path edge = MakePicture("BMP3:edge.bmp",
                              "-size 8x4 xc:'rgb(60,60,60)' -fill 'rgb(180,180,180)' "
                              "-draw 'rectangle 4,0 7,3' -type TrueColor");
  auto redAt = [&](int filter) {
    target_->FILTER_TYPE = filter;
    EXPECT_EQ(Convert(edge), 1);
    return std::atoi(PixelOf(output_, 3, 1).c_str());
  };
  EXPECT_EQ(redAt(kFilterNone), 60);
  EXPECT_LT(redAt(kFilterSharpen), 60);
  EXPECT_GT(redAt(kFilterSoften), 60);
}

// A 4x1 picture: the corner colour, then three probe colours.
TEST_F(ConversionTest, MasksKeepExactlyTheCornerColour) {
  struct Case {
    const char* name;
    int mode;
    const char* corner;
    const char* probes[3];
    const char* expected[4];
  } cases[] = {
      {"black corner, white mask",
       kFilterMaskCornerWhite,
       "rgb(0,0,0)",
       {"rgb(0,0,5)", "rgb(255,0,0)", "rgb(0,0,0)"},
       {"255,255,255,1", "0,0,0,1", "0,0,0,1", "255,255,255,1"}},
      {"black corner, black mask",
       kFilterMaskCornerBlack,
       "rgb(0,0,0)",
       {"rgb(0,0,5)", "rgb(1,1,1)", "rgb(0,0,0)"},
       {"0,0,0,1", "255,255,255,1", "255,255,255,1", "0,0,0,1"}},
      // A near-black corner takes every near-black pixel and the substitute colour with it.
      {"near-black corner",
       kFilterMaskCornerWhite,
       "rgb(0,0,5)",
       {"rgb(5,0,0)", "rgb(29,18,8)", "rgb(0,0,0)"},
       {"255,255,255,1", "255,255,255,1", "255,255,255,1", "0,0,0,1"}},
      {"white corner",
       kFilterMaskCornerBlack,
       "rgb(255,255,255)",
       {"rgb(254,255,255)", "rgb(1,1,1)", "rgb(255,255,255)"},
       {"0,0,0,1", "255,255,255,1", "255,255,255,1", "0,0,0,1"}},
  };
  for (const Case& c : cases) {
    std::string draw = "-size 4x1 xc:'" + std::string(c.corner) + "'";
    for (int x = 0; x < 3; ++x) {
      draw +=
          " -fill '" + std::string(c.probes[x]) + "' -draw 'point " + std::to_string(x + 1) + ",0'";
    }
    fs::path input = MakePicture("BMP3:mask.bmp", draw + " -type TrueColor");
    target_->FILTER_TYPE = c.mode;
    ASSERT_EQ(Convert(input), 1) << c.name;
    for (int x = 0; x < 4; ++x) {
      EXPECT_EQ(PixelOf(output_, x, 0), c.expected[x]) << c.name << " pixel " << x;
    }
  }
}

TEST_F(ConversionTest, CropTakesTheRectangleInEffect) {
  fs::path input = MakePicture("BMP3:in.bmp",
                               "-size 40x30 xc:white -fill 'rgb(0,0,255)' "
                               "-draw 'rectangle 10,5 19,14' -type TrueColor");
  target_->CUT_TYPE = 1;
  target_->cropX = 10;
  target_->cropY = 5;
  target_->cropWidth = 10;
  target_->cropHeight = 10;
  ASSERT_EQ(Convert(input), 1);
  EXPECT_EQ(Identify(output_, "%wx%h"), "10x10");
  EXPECT_EQ(PixelOf(output_, 0, 0), "0,0,255,1");
  EXPECT_EQ(PixelOf(output_, 9, 9), "0,0,255,1");

  // A rectangle reaching past the picture is clipped to it.
  target_->cropX = 30;
  target_->cropY = 20;
  target_->cropWidth = 100;
  target_->cropHeight = 100;
  ASSERT_EQ(Convert(input), 1);
  EXPECT_EQ(Identify(output_, "%wx%h"), "10x10");

  // Without a crop type the rectangle is ignored.
  target_->CUT_TYPE = 0;
  ASSERT_EQ(Convert(input), 1);
  EXPECT_EQ(Identify(output_, "%wx%h"), "40x30");
}

TEST_F(ConversionTest, RotationFillsTheBlankWithTheChosenColour) {
  fs::path input = MakePicture("BMP3:in.bmp", "-size 40x20 xc:'rgb(10,200,10)' -type TrueColor");
  target_->ANGLE_VAL = 45;
  target_->ANGLE_COLOR = 3;  // Red.
  ASSERT_EQ(Convert(input), 1);
  EXPECT_EQ(PixelOf(output_, 0, 0), "255,0,0,1");
  int width = 0, height = 0;
  ASSERT_EQ(std::sscanf(Identify(output_, "%w %h").c_str(), "%d %d", &width, &height), 2);
  // The turned 40x20 rectangle needs about 42.4 by 42.4 pixels.
  EXPECT_NEAR(width, 43, 1);
  EXPECT_NEAR(height, 43, 1);

  target_->ANGLE_VAL = 360;
  ASSERT_EQ(Convert(input), 1);
  EXPECT_EQ(Identify(output_, "%wx%h"), "40x20");
  EXPECT_EQ(PixelOf(output_, 0, 0), "10,200,10,1");
}

TEST_F(ConversionTest, SingleRotatesBeforeResizingAndFramesAfter) {
  fs::path input = MakePicture("BMP3:in.bmp", "-size 64x32 xc:'rgb(10,200,10)' -type TrueColor");
  target_->ANGLE_VAL = 90;
  target_->RESIZE_TYPE = 2;
  target_->width = 320;
  target_->height = 240;
  ASSERT_EQ(Convert(input), 1);
  EXPECT_EQ(Identify(output_, "%wx%h"), "320x240");

  target_->DIB_TYPE = kFormatGif;
  target_->GIF_ANIMA = 1;
  state_->paths->itemCount = 2;
  SetPaths(input, "anim.gif");
  ASSERT_EQ(ConvertFrame(0, 0), 1);
  EXPECT_NE(state_->frameImages[0], 0u);  // Collected, not yet written.
  EXPECT_FALSE(fs::exists(output_));
  ASSERT_EQ(ConvertFrame(1, 1), 1);
  EXPECT_EQ(Identify(output_, "%wx%h "), "240x320 240x320 ");
  EXPECT_EQ(state_->frameImages[0], 0u);
  EXPECT_EQ(state_->frameImages[1], 0u);
  EXPECT_EQ(imagelib::StoredPictureCount(), 0u);
}

// A JPEG resized right after loading is decoded at a reduced DCT scale that still covers the
// output (turned as its Exif says); its size as a file stays known, and the output has the size
// and the look that the whole picture gives.
TEST_F(ConversionTest, ResizedJpegIsDecodedReducedYetConvertedAsTheWholePicture) {
  const fs::path input =
      MakePicture("in.jpg", "-size 1000x603 -seed 3 plasma:fractal -blur 0x2 -quality 95");
  RunCommand("/usr/bin/exiftool -q -n -Orientation=6 -overwrite_original '" + input.string() + "'");
  PictureSize asked{};
  const ScopedPicture reduced(
      LoadPictureForResize(input.string().c_str(), 0, [&](PictureSize shown) {
        asked = shown;
        return PictureSize{36, 60};
      }));
  BitmapInfoHeader header{};
  PictureSize source{};
  ASSERT_TRUE(GetPictureHeader(reduced.Get(), &header) && GetSourceSize(reduced.Get(), &source));
  EXPECT_EQ(asked.width, 603);
  EXPECT_EQ(asked.height, 1000);
  EXPECT_EQ(header.biWidth, 76);  // an eighth, rounded up
  EXPECT_EQ(header.biHeight, 125);
  EXPECT_EQ(source.width, 603);
  EXPECT_EQ(source.height, 1000);

  // The long side to 100: the output looks as ImageMagick's Lanczos of the whole picture does
  // (a decode reduced to just the output's size would differ four times as much).
  target_->RESIZE_TYPE = 3;
  target_->RESIZE_FIT = kResizeLongSide;
  target_->width = 100;
  target_->height = 100;
  ASSERT_EQ(Convert(input), 1);
  EXPECT_EQ(Identify(output_, "%wx%h"), "60x100");
  const std::string reference = (folder_ / "reference.bmp").string();
  RunCommand("/usr/bin/convert '" + input.string() +
             "' -auto-orient -filter Lanczos -resize 60x100! '" + reference + "'");
  const std::string difference = RunCommand("/usr/bin/compare -metric MAE '" + output_.string() +
                                            "' '" + reference + "' null: 2>&1");
  EXPECT_LT(std::stod(difference), 0.75 * 257) << difference;
}

TEST_F(ConversionTest, LoadFailureShowsOneMessageAndLeavesTheFailedSlotEmpty) {
  fs::path good = MakePicture("BMP3:good.bmp", "-size 4x4 xc:white -type TrueColor");
  fs::path bad = folder_ / "bad.bmp";
  std::FILE* file = std::fopen(bad.string().c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fputs("BM this is not a picture", file);
  std::fclose(file);

  target_->DIB_TYPE = kFormatGif;
  target_->GIF_ANIMA = 1;
  state_->paths->itemCount = 2;
  SetPaths(good, "anim.gif");
  ASSERT_EQ(ConvertFrame(0, 0), 1);
  SetPaths(bad, "anim.gif");
  EXPECT_EQ(ConvertFrame(1, 1), 0);
  EXPECT_EQ(layer_->messages, std::vector<std::string>{"[" + platform::ShownPath(bad.string()) +
                                                       "]\nがオープンできませんでした！"});
  EXPECT_EQ(state_->frameImages[1], 0u);
  // The frame collected before stays for its caller, who releases every slot at its next start.
  EXPECT_NE(state_->frameImages[0], 0u);
  EXPECT_EQ(imagelib::StoredPictureCount(), 1u);
  EXPECT_FALSE(fs::exists(output_));
}

TEST(ColourByNumberTest, NumbersOneToSixThenThePreviousColour) {
  EXPECT_EQ(ColourByNumber(2), MakeColour(0, 0, 0));
  EXPECT_EQ(ColourByNumber(0), MakeColour(0, 0, 0));
  EXPECT_EQ(ColourByNumber(1), MakeColour(255, 255, 255));
  EXPECT_EQ(ColourByNumber(3), MakeColour(255, 0, 255));
  EXPECT_EQ(ColourByNumber(4), MakeColour(255, 0, 0));
  EXPECT_EQ(ColourByNumber(5), MakeColour(0, 255, 0));
  EXPECT_EQ(ColourByNumber(6), MakeColour(0, 0, 255));
  EXPECT_EQ(ColourByNumber(7), MakeColour(0, 0, 255));
  EXPECT_EQ(ColourByNumber(-1), MakeColour(0, 0, 255));
}

}  // namespace
