// Measures the 256-colour quantiser: PSNR of ConvertTo8Bit against the original picture, or
// PSNR between two pictures (to rate another quantiser's output the same way).
//   quantise_psnr <picture>              our quantiser on the picture
//   quantise_psnr <picture> <quantised>  the quantised picture against the original
#include <chrono>
#include <cmath>
#include <cstdio>

#include "engine/imagelib/imagelib.h"
#include "engine/imagelib/picture_store.h"

namespace {

double Psnr(PictureHandle original, PictureHandle quantised) {
  BitmapInfoHeader a{};
  BitmapInfoHeader b{};
  GetPictureHeader(original, &a);
  GetPictureHeader(quantised, &b);
  if (a.biWidth != b.biWidth || a.biHeight != b.biHeight) return -1;
  double squaredError = 0;
  for (int y = 0; y < a.biHeight; ++y) {
    for (int x = 0; x < a.biWidth; ++x) {
      ColourRef p = GetPixelColour(original, x, y);
      ColourRef q = GetPixelColour(quantised, x, y);
      for (int shift : {0, 8, 16}) {
        double difference = static_cast<double>((p >> shift) & 0xff) - ((q >> shift) & 0xff);
        squaredError += difference * difference;
      }
    }
  }
  double meanSquaredError = squaredError / (3.0 * a.biWidth * a.biHeight);
  return meanSquaredError == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / meanSquaredError);
}

ScopedPicture Load24(const char* path) {
  ScopedPicture picture(LoadPicture(path));
  if (picture) ConvertTo24Bit(picture.Get());
  return picture;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: %s picture [quantised]\n", argv[0]);
    return 2;
  }
  ScopedPicture original = Load24(argv[1]);
  ScopedPicture quantised = argc == 3 ? Load24(argv[2]) : Load24(argv[1]);
  if (!original || !quantised) {
    std::fprintf(stderr, "cannot load the pictures\n");
    return 1;
  }
  double milliseconds = 0;
  if (argc == 2) {
    auto start = std::chrono::steady_clock::now();
    ConvertTo8Bit(quantised.Get(), 0, 0);
    milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  }
  std::printf("%.2f dB", Psnr(original.Get(), quantised.Get()));
  if (argc == 2) std::printf(" in %.1f ms", milliseconds);
  std::printf("\n");
  return 0;
}
