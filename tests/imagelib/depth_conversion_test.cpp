// Depth conversion: exact palettes, quantiser quality, 16-bit round trips, and reading pixels
// and headers at every depth.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "imagelib/depth_conversion.h"
#include "imagelib/imagelib.h"
#include "imagelib/picture_store.h"
#include "tests/imagelib/test_pictures.h"

namespace {

using testpictures::Make24Bit;
using testpictures::PixelsOf;

double Psnr(const std::vector<ColourRef>& a, const std::vector<ColourRef>& b) {
  double squaredError = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    for (int shift : {0, 8, 16}) {
      double difference = static_cast<double>((a[i] >> shift) & 0xff) - ((b[i] >> shift) & 0xff);
      squaredError += difference * difference;
    }
  }
  double meanSquaredError = squaredError / (3.0 * static_cast<double>(a.size()));
  return 10 * std::log10(255.0 * 255.0 / meanSquaredError);
}

int BitCountOf(PictureHandle picture) {
  BitmapInfoHeader header{};
  GetPictureHeader(picture, &header);
  return header.biBitCount;
}

// 256 distinct colours spread over the whole cube.
ColourRef ScatteredColour(int x, int y) {
  int index = (x * 7 + y * 31) % 256;
  return MakeColour(index * 97 % 256, index * 53 % 256, index);
}

TEST(ConvertTo8BitTest, KeepsUpTo256ColoursExactly) {
  ScopedPicture picture = Make24Bit(37, 23, ScatteredColour);
  std::vector<ColourRef> before = PixelsOf(picture.Get());
  ASSERT_EQ(std::set<ColourRef>(before.begin(), before.end()).size(), 256u);
  ASSERT_EQ(ConvertTo8Bit(picture.Get(), 0, 0), 1);
  EXPECT_EQ(BitCountOf(picture.Get()), 8);
  EXPECT_EQ(PixelsOf(picture.Get()), before);
}

TEST(ConvertTo8BitTest, QuantisesPhotographLikePicturesWell) {
  ScopedPicture picture = Make24Bit(320, 240, testpictures::PhotoLike);
  std::vector<ColourRef> before = PixelsOf(picture.Get());
  ASSERT_GT(std::set<ColourRef>(before.begin(), before.end()).size(), 5000u);
  ASSERT_EQ(ConvertTo8Bit(picture.Get(), 0, 0), 1);
  BitmapInfoHeader header{};
  GetPictureHeader(picture.Get(), &header);
  EXPECT_EQ(header.biBitCount, 8);
  EXPECT_EQ(header.biClrUsed, 256u);
  // The palette itself, without dithering: ImageMagick's "-colors 256 +dither" reaches 27.4 dB
  // on this picture.
  ScopedPicture again = Make24Bit(320, 240, testpictures::PhotoLike);
  imagelib::Picture undithered = imagelib::QuantiseTo8Bit(*imagelib::FindPicture(again.Get()),
                                                          std::nullopt, imagelib::Dithering::kNone);
  *imagelib::FindPicture(again.Get()) = std::move(undithered);
  EXPECT_GT(Psnr(before, PixelsOf(again.Get())), 27.4);
}

TEST(ConvertTo8BitTest, KeptColourIsExactAndOnlyForItsPixels) {
  const ColourRef kept = MakeColour(255, 255, 255);
  // A gradient with near-white pixels and a few pure white ones.
  ScopedPicture picture = Make24Bit(64, 64, [&](int x, int y) {
    if (x == y) return kept;
    return MakeColour(255 - (x % 4), 255 - (y % 3), 200 + x / 2 + y / 3);
  });
  imagelib::Picture* stored = imagelib::FindPicture(picture.Get());
  imagelib::Picture quantised = imagelib::QuantiseTo8Bit(*stored, kept);
  int keptEntries = 0;
  int keptIndex = -1;
  for (std::size_t i = 0; i < quantised.palette.size(); ++i) {
    const imagelib::PaletteEntry& entry = quantised.palette[i];
    if (MakeColour(entry.red, entry.green, entry.blue) == kept) {
      ++keptEntries;
      keptIndex = static_cast<int>(i);
    }
  }
  ASSERT_EQ(keptEntries, 1);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      EXPECT_EQ(quantised.Row(y)[x] == keptIndex, x == y) << x << "," << y;
    }
  }
}

// The PSNR of two pictures after a 5x5 box blur of each: how alike they look from a distance,
// where dithering reads as the colour it stands for and banding stays visible.
double BlurredPsnr(const std::vector<ColourRef>& a, const std::vector<ColourRef>& b, int width) {
  const int height = static_cast<int>(a.size()) / width;
  double squaredError = 0;
  for (int y = 2; y < height - 2; ++y) {
    for (int x = 2; x < width - 2; ++x) {
      for (int shift : {0, 8, 16}) {
        double difference = 0;
        for (int v = y - 2; v <= y + 2; ++v) {
          for (int u = x - 2; u <= x + 2; ++u) {
            const auto i = static_cast<std::size_t>(v * width + u);
            difference += static_cast<double>((a[i] >> shift) & 0xff) - ((b[i] >> shift) & 0xff);
          }
        }
        squaredError += difference * difference / (25.0 * 25.0);
      }
    }
  }
  const double meanSquaredError = squaredError / (3.0 * (width - 4) * (height - 4));
  return 10 * std::log10(255.0 * 255.0 / meanSquaredError);
}

TEST(ConvertTo8BitTest, DithersGradientsAndKeepsDrawingsExact) {
  constexpr int kWidth = 192;
  constexpr int kHeight = 96;
  // A smooth gradient over all three channels: far more colours than a palette holds.
  auto gradient = [](int x, int y) {
    return MakeColour(x * 255 / (kWidth - 1), y * 255 / (kHeight - 1), 64 + (x + y) / 3);
  };
  ScopedPicture dithered = Make24Bit(kWidth, kHeight, gradient);
  const std::vector<ColourRef> before = PixelsOf(dithered.Get());
  ASSERT_EQ(ConvertTo8Bit(dithered.Get(), 0, 0), 1);
  ScopedPicture plain = Make24Bit(kWidth, kHeight, gradient);
  imagelib::Picture undithered = imagelib::QuantiseTo8Bit(*imagelib::FindPicture(plain.Get()),
                                                          std::nullopt, imagelib::Dithering::kNone);
  *imagelib::FindPicture(plain.Get()) = std::move(undithered);
  const double ditheredPsnr = BlurredPsnr(before, PixelsOf(dithered.Get()), kWidth);
  const double plainPsnr = BlurredPsnr(before, PixelsOf(plain.Get()), kWidth);
  EXPECT_GT(ditheredPsnr, plainPsnr + 5.0) << ditheredPsnr << " vs " << plainPsnr;

  // A drawing of few colours is indexed exactly, with nothing dithered.
  ScopedPicture drawing = Make24Bit(kWidth, kHeight, [](int x, int y) {
    return (x / 16 + y / 8) % 3 == 0 ? MakeColour(200, 30, 30) : MakeColour(x / 24 * 30, 90, 250);
  });
  const std::vector<ColourRef> drawn = PixelsOf(drawing.Get());
  ASSERT_EQ(ConvertTo8Bit(drawing.Get(), 0, 0), 1);
  EXPECT_EQ(PixelsOf(drawing.Get()), drawn);
}

TEST(ConvertTo16BitTest, RoundTripsAndStaysWithinOneLevel) {
  ScopedPicture picture = Make24Bit(
      33, 7, [](int x, int y) { return MakeColour(x * 8 % 256, y * 37 % 256, (x * y) % 256); });
  std::vector<ColourRef> original = PixelsOf(picture.Get());
  ASSERT_EQ(ConvertTo16Bit(picture.Get(), 0, 0), 1);
  EXPECT_EQ(BitCountOf(picture.Get()), 16);
  std::vector<ColourRef> sixteen = PixelsOf(picture.Get());
  for (std::size_t i = 0; i < original.size(); ++i) {
    for (int shift : {0, 8, 16}) {
      int before = static_cast<int>((original[i] >> shift) & 0xff);
      int after = static_cast<int>((sixteen[i] >> shift) & 0xff);
      // Error diffusion picks one of the two levels around the value, 8 or 9 apart.
      EXPECT_LE(std::abs(before - after), 8) << i;
    }
  }
  ASSERT_EQ(ConvertTo24Bit(picture.Get()), 1);
  EXPECT_EQ(PixelsOf(picture.Get()), sixteen);
  ASSERT_EQ(ConvertTo16Bit(picture.Get(), 0, 0), 1);
  EXPECT_EQ(PixelsOf(picture.Get()), sixteen);
}

TEST(ConvertTo16BitTest, DithersGradientsAndKeepsFiveBitPicturesExact) {
  constexpr int kWidth = 192;
  constexpr int kHeight = 64;
  // A slow gradient: each 5-bit level covers a band about 50 pixels wide.
  auto gradient = [](int x, int y) { return MakeColour(40 + x / 6, 90 + y / 8, 160 - x / 12); };
  ScopedPicture dithered = Make24Bit(kWidth, kHeight, gradient);
  const std::vector<ColourRef> before = PixelsOf(dithered.Get());
  ASSERT_EQ(ConvertTo16Bit(dithered.Get(), 0, 0), 1);
  // Rounding each pixel alone bands at up to 4 levels; diffusion keeps the local mean.
  std::vector<ColourRef> rounded;
  for (ColourRef colour : before) {
    auto level = [](int value) { return imagelib::WidenFiveBits((value * 31 + 127) / 255); };
    rounded.push_back(
        MakeColour(level(RedOf(colour)), level(GreenOf(colour)), level(BlueOf(colour))));
  }
  const double ditheredPsnr = BlurredPsnr(before, PixelsOf(dithered.Get()), kWidth);
  const double roundedPsnr = BlurredPsnr(before, rounded, kWidth);
  EXPECT_GT(ditheredPsnr, roundedPsnr + 6.0) << ditheredPsnr << " vs " << roundedPsnr;

  // A picture of 5-bit levels only keeps them exactly.
  ScopedPicture levels = Make24Bit(kWidth, kHeight, [](int x, int y) {
    return MakeColour(imagelib::WidenFiveBits(x % 32), imagelib::WidenFiveBits(y % 32),
                      imagelib::WidenFiveBits((x + y) % 32));
  });
  const std::vector<ColourRef> exact = PixelsOf(levels.Get());
  ASSERT_EQ(ConvertTo16Bit(levels.Get(), 0, 0), 1);
  EXPECT_EQ(PixelsOf(levels.Get()), exact);
}

TEST(PictureHeaderTest, DescribesEveryDepth) {
  struct Case {
    int convertTo;
    std::uint16_t bitCount;
    std::uint32_t imageSize;
    std::uint32_t paletteSize;
  };
  // 5 × 3 pixels: rows of 15, 10 and 5 bytes padded to 16, 12 and 8.
  const Case cases[] = {{24, 24, 48, 0}, {16, 16, 36, 0}, {8, 8, 24, 2}};
  for (const Case& c : cases) {
    ScopedPicture picture = Make24Bit(5, 3, [](int x, int) { return x % 2 ? 0xffffffu : 0u; });
    if (c.convertTo == 16) ConvertTo16Bit(picture.Get(), 0, 0);
    if (c.convertTo == 8) ConvertTo8Bit(picture.Get(), 0, 0);
    BitmapInfoHeader header{};
    header.biXPelsPerMeter = 99;  // cleared by the call
    ASSERT_EQ(GetPictureHeader(picture.Get(), &header), 1);
    EXPECT_EQ(header.biSize, 40u);
    EXPECT_EQ(header.biWidth, 5);
    EXPECT_EQ(header.biHeight, 3);
    EXPECT_EQ(header.biPlanes, 1);
    EXPECT_EQ(header.biBitCount, c.bitCount);
    EXPECT_EQ(header.biCompression, 0u);
    EXPECT_EQ(header.biSizeImage, c.imageSize);
    EXPECT_EQ(header.biClrUsed, c.paletteSize);
    EXPECT_EQ(header.biXPelsPerMeter, 0);
    EXPECT_EQ(GetPixelColour(picture.Get(), 1, 2), 0xffffffu);
    EXPECT_EQ(GetPixelColour(picture.Get(), 2, 2), 0u);
  }
}

TEST(PictureHeaderTest, CompressedPictureIsDescribedAndReadable) {
  ScopedPicture picture = Make24Bit(9, 4, ScatteredColour);
  std::vector<ColourRef> before = PixelsOf(picture.Get());
  ASSERT_EQ(CompressRle(picture.Get()), 1);
  BitmapInfoHeader header{};
  ASSERT_EQ(GetPictureHeader(picture.Get(), &header), 1);
  EXPECT_EQ(header.biCompression, 1u);
  EXPECT_EQ(header.biBitCount, 8);
  EXPECT_EQ(PixelsOf(picture.Get()), before);
  // Operations expand it first.
  ASSERT_EQ(ConvertTo24Bit(picture.Get()), 1);
  EXPECT_EQ(NeedsExpanding(picture.Get()), 0);
  EXPECT_EQ(PixelsOf(picture.Get()), before);
}

TEST(PixelColourTest, OutsideThePictureOrWithoutOneIsBlack) {
  ScopedPicture picture = testpictures::MakeFlat(4, 3, MakeColour(1, 2, 3));
  const int outside[][2] = {{-1, 0}, {0, -1}, {4, 0}, {0, 3}, {1 << 30, 1 << 30}};
  for (const auto& point : outside) {
    EXPECT_EQ(GetPixelColour(picture.Get(), point[0], point[1]), 0u);
  }
  EXPECT_EQ(GetPixelColour(picture.Get(), 3, 2), MakeColour(1, 2, 3));
  EXPECT_EQ(GetPixelColour(0, 0, 0), 0u);
  BitmapInfoHeader header{};
  EXPECT_EQ(GetPictureHeader(picture.Get(), nullptr), 0);
  EXPECT_EQ(GetPictureHeader(0, &header), 0);
}

TEST(DepthTest, PaletteIndexBeyondThePaletteReadsBlack) {
  auto picture = std::make_unique<imagelib::Picture>();
  picture->width = 2;
  picture->height = 1;
  picture->bitsPerPixel = 8;
  picture->palette = {{10, 20, 30, 0}};
  picture->pixels = {0, 7, 0, 0};
  ScopedPicture stored(imagelib::StorePicture(std::move(picture)));
  EXPECT_EQ(GetPixelColour(stored.Get(), 0, 0), MakeColour(30, 20, 10));
  EXPECT_EQ(GetPixelColour(stored.Get(), 1, 0), 0u);
  ASSERT_EQ(ConvertTo24Bit(stored.Get()), 1);
  EXPECT_EQ(GetPixelColour(stored.Get(), 1, 0), 0u);
}

}  // namespace
