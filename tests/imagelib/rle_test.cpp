// Run-length coding: the encoder against its decoder over awkward rows, the decoder over
// hand-written streams, and the public compress and expand calls.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "imagelib/codec_support.h"
#include "imagelib/imagelib.h"
#include "imagelib/picture_store.h"
#include "imagelib/rle8.h"
#include "tests/imagelib/codec_test_support.h"
#include "tests/imagelib/test_pictures.h"

namespace {

using imagelib::Picture;

Picture Indexed(int width, int height, const std::function<int(int, int)>& indexAt) {
  Picture picture = *imagelib::MakePicture(width, height, 8);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) picture.Row(y)[x] = static_cast<std::uint8_t>(indexAt(x, y));
  }
  return picture;
}

Picture Decoded(const std::vector<std::uint8_t>& stream, int width, int height, int bits,
                bool* complete = nullptr) {
  Picture picture = *imagelib::MakePicture(width, height, 8);
  const bool ok = imagelib::DecodeRle(stream, bits, picture);
  if (complete != nullptr) *complete = ok;
  return picture;
}

struct RowPattern {
  const char* name;
  std::function<int(int, int)> indexAt;
};

TEST(RleTest, EncodedRowsDecodeToThemselves) {
  std::mt19937 random(7);
  std::vector<int> noise(600 * 3);
  for (int& value : noise) value = static_cast<int>(random() % 4);
  const std::vector<RowPattern> patterns = {
      {"constant", [](int, int) { return 9; }},
      {"all different", [](int x, int y) { return (x + y) % 256; }},
      {"pairs", [](int x, int) { return (x / 2) % 2; }},
      {"triples", [](int x, int) { return (x / 3) % 7; }},
      {"noise of four values",
       [&](int x, int y) { return noise[static_cast<std::size_t>(y * 600 + x)]; }},
  };
  for (const RowPattern& pattern : patterns) {
    for (const int width : {1, 2, 3, 4, 254, 255, 256, 257, 511, 600}) {
      const Picture original = Indexed(width, 3, pattern.indexAt);
      const auto stream = imagelib::EncodeRle8(original);
      bool complete = false;
      const Picture decoded = Decoded(stream, width, 3, 8, &complete);
      EXPECT_TRUE(complete);
      EXPECT_EQ(decoded.pixels, original.pixels) << pattern.name << ", width " << width;
    }
  }
}

TEST(RleTest, EncoderUsesRunsAndLiterals) {
  // 300 equal pixels: runs of 255 and 45, then end of picture.
  EXPECT_EQ(imagelib::EncodeRle8(Indexed(300, 1, [](int, int) { return 5; })),
            (std::vector<std::uint8_t>{255, 5, 45, 5, 0, 1}));
  // Five different pixels: one literal padded to an even length, end of line, end of picture.
  EXPECT_EQ(
      imagelib::EncodeRle8(Indexed(5, 2, [](int x, int) { return x; })),
      (std::vector<std::uint8_t>{0, 5, 0, 1, 2, 3, 4, 0, 0, 0, 0, 5, 0, 1, 2, 3, 4, 0, 0, 1}));
  // Two different pixels cost less as two runs of one.
  EXPECT_EQ(imagelib::EncodeRle8(Indexed(2, 1, [](int x, int) { return x + 1; })),
            (std::vector<std::uint8_t>{1, 1, 1, 2, 0, 1}));
}

TEST(RleTest, EncoderFoldsShortRunsIntoLiterals) {
  // A pair inside different pixels stays in the literal stretch: 8 bytes where a literal cut
  // around the pair would take 10.
  const std::vector<int> row = {1, 2, 3, 3, 4, 5};
  EXPECT_EQ(imagelib::EncodeRle8(Indexed(6, 1, [&](int x, int) { return row[x]; })),
            (std::vector<std::uint8_t>{0, 6, 1, 2, 3, 3, 4, 5, 0, 1}));
  // Noise of four values, as in a dithered picture, takes barely more than its pixels, and
  // decodes to itself with our reader and with ImageMagick's.
  std::mt19937 random(11);
  Picture noisy = Indexed(301, 40, [&](int, int) { return static_cast<int>(random() % 4); });
  noisy.palette = {{0, 0, 0, 0}, {80, 80, 80, 0}, {160, 160, 160, 0}, {240, 240, 240, 0}};
  const auto stream = imagelib::EncodeRle8(noisy);
  EXPECT_LT(stream.size(), 301u * 40 * 103 / 100);
  bool complete = false;
  EXPECT_EQ(Decoded(stream, 301, 40, 8, &complete).pixels, noisy.pixels);
  EXPECT_TRUE(complete);
  codectest::TempFolder folder;
  const std::string path = folder.File("noisy.bmp");
  ScopedPicture stored(imagelib::StorePicture(std::make_unique<Picture>(noisy)));
  ASSERT_EQ(CompressRle(stored.Get()), 1);
  ASSERT_EQ(SaveBmp(path.c_str(), stored.Get()), 1);
  ScopedPicture expanded(imagelib::StorePicture(std::make_unique<Picture>(noisy)));
  EXPECT_EQ(codectest::LargestDifference(*codectest::ReadWithImageMagick(path),
                                         codectest::RgbOf(expanded.Get())),
            0);
}

struct StreamCase {
  const char* name;
  int bits;
  std::vector<std::uint8_t> stream;
  // Expected rows from the top, width 4, height 2; 0 where the stream leaves pixels alone.
  std::vector<std::uint8_t> top;
  std::vector<std::uint8_t> bottom;
  bool complete;
};

TEST(RleTest, DecoderFollowsEscapes) {
  const std::vector<StreamCase> cases = {
      {"runs", 8, {2, 7, 2, 8, 0, 0, 4, 9, 0, 1}, {9, 9, 9, 9}, {7, 7, 8, 8}, true},
      {"early end of line", 8, {1, 7, 0, 0, 1, 9, 0, 1}, {9, 0, 0, 0}, {7, 0, 0, 0}, true},
      {"delta right and up", 8, {0, 2, 1, 1, 1, 5, 0, 1}, {0, 5, 0, 0}, {0, 0, 0, 0}, true},
      {"literal with padding", 8, {0, 3, 1, 2, 3, 0, 0, 1}, {0, 0, 0, 0}, {1, 2, 3, 0}, true},
      {"run past the edge is clipped", 8, {6, 4, 0, 1}, {0, 0, 0, 0}, {4, 4, 4, 4}, true},
      {"four-bit runs alternate", 4, {4, 0x12, 0, 1}, {0, 0, 0, 0}, {1, 2, 1, 2}, true},
      {"four-bit literal of three", 4, {0, 3, 0x34, 0x50, 0, 1}, {0, 0, 0, 0}, {3, 4, 5, 0}, true},
      {"missing end", 8, {2, 7}, {0, 0, 0, 0}, {7, 7, 0, 0}, false},
      {"literal cut short", 8, {0, 4, 1, 2}, {0, 0, 0, 0}, {0, 0, 0, 0}, false},
      {"delta cut short", 8, {0, 2, 1}, {0, 0, 0, 0}, {0, 0, 0, 0}, false},
  };
  for (const StreamCase& test : cases) {
    bool complete = false;
    const Picture picture = Decoded(test.stream, 4, 2, test.bits, &complete);
    EXPECT_EQ(complete, test.complete) << test.name;
    EXPECT_EQ(std::vector<std::uint8_t>(picture.Row(0), picture.Row(0) + 4), test.top) << test.name;
    EXPECT_EQ(std::vector<std::uint8_t>(picture.Row(1), picture.Row(1) + 4), test.bottom)
        << test.name;
  }
}

TEST(RleTest, CompressAndExpandInPlace) {
  ScopedPicture picture = testpictures::Make24Bit(
      33, 17, [](int x, int y) { return MakeColour((x / 4) * 30, y * 15, 200); });
  const auto before = testpictures::PixelsOf(picture.Get());
  EXPECT_EQ(NeedsExpanding(picture.Get()), 0);
  ASSERT_EQ(CompressRle(picture.Get()), 1);
  EXPECT_NE(NeedsExpanding(picture.Get()), 0);
  const imagelib::Picture* stored = imagelib::FindPicture(picture.Get());
  EXPECT_EQ(stored->bitsPerPixel, 8);
  EXPECT_TRUE(stored->pixels.empty());
  EXPECT_EQ(CompressRle(picture.Get()), 1);  // already compressed: unchanged
  ASSERT_EQ(ExpandPicture(picture.Get()), 1);
  EXPECT_EQ(NeedsExpanding(picture.Get()), 0);
  EXPECT_EQ(ExpandPicture(picture.Get()), 1);  // already expanded: unchanged
  // At most 256 colours, so quantising kept every colour.
  EXPECT_EQ(testpictures::PixelsOf(picture.Get()), before);

  EXPECT_EQ(CompressRle(0), 0);
  EXPECT_EQ(NeedsExpanding(0), 0);
  EXPECT_EQ(ExpandPicture(0), 0);
}

}  // namespace
