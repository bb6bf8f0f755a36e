// Measures the 256-colour quantiser: PSNR of the 8-bit picture against the original, as it is
// and after a 5x5 box blur on both (roughly what the eye sees of dithering), or the same
// figures between two pictures (to rate another quantiser's output the same way).
//   quantise_psnr [--no-dither] <picture>   our quantiser on the picture; the time is the
//                                           median CPU time of 5 runs (the quantiser runs on one
//                                           thread, so other busy programs hardly change it)
//   quantise_psnr <picture> <quantised>     the quantised picture against the original
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "imagelib/depth_conversion.h"
#include "imagelib/imagelib.h"
#include "imagelib/picture_store.h"

namespace {

constexpr int kTimedRuns = 5;

// The picture as red, green, blue values per pixel.
struct Channels {
  int width = 0;
  int height = 0;
  std::vector<double> values;
};

Channels ChannelsOf(PictureHandle picture) {
  BitmapInfoHeader header{};
  GetPictureHeader(picture, &header);
  Channels channels{header.biWidth, header.biHeight, {}};
  for (int y = 0; y < header.biHeight; ++y) {
    for (int x = 0; x < header.biWidth; ++x) {
      ColourRef colour = GetPixelColour(picture, x, y);
      for (int shift : {0, 8, 16}) channels.values.push_back((colour >> shift) & 0xff);
    }
  }
  return channels;
}

// Each value replaced by the mean of the 5x5 square around it, clipped at the edges.
Channels Blurred(const Channels& in) {
  Channels out = in;
  for (int y = 0; y < in.height; ++y) {
    for (int x = 0; x < in.width; ++x) {
      for (int channel = 0; channel < 3; ++channel) {
        double sum = 0;
        int count = 0;
        for (int v = std::max(0, y - 2); v <= std::min(in.height - 1, y + 2); ++v) {
          for (int u = std::max(0, x - 2); u <= std::min(in.width - 1, x + 2); ++u, ++count) {
            sum += in.values[3 * (static_cast<std::size_t>(v) * in.width + u) + channel];
          }
        }
        out.values[3 * (static_cast<std::size_t>(y) * in.width + x) + channel] = sum / count;
      }
    }
  }
  return out;
}

double Psnr(const Channels& a, const Channels& b) {
  if (a.width != b.width || a.height != b.height) return -1;
  double squaredError = 0;
  for (std::size_t i = 0; i < a.values.size(); ++i) {
    squaredError += (a.values[i] - b.values[i]) * (a.values[i] - b.values[i]);
  }
  double meanSquaredError = squaredError / static_cast<double>(a.values.size());
  return meanSquaredError == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / meanSquaredError);
}

ScopedPicture Load24(const char* path) {
  ScopedPicture picture(LoadPicture(path));
  if (picture) ConvertTo24Bit(picture.Get());
  return picture;
}

double CpuMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Quantises the picture in place; returns the median time of the runs in milliseconds.
double Quantise(PictureHandle handle, imagelib::Dithering dithering) {
  imagelib::Picture& picture = *imagelib::FindPicture(handle);
  std::vector<double> times;
  imagelib::Picture quantised;
  for (int run = 0; run < kTimedRuns; ++run) {
    const double start = CpuMilliseconds();
    quantised = imagelib::QuantiseTo8Bit(picture, std::nullopt, dithering);
    times.push_back(CpuMilliseconds() - start);
  }
  picture = std::move(quantised);
  std::nth_element(times.begin(), times.begin() + kTimedRuns / 2, times.end());
  return times[kTimedRuns / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const bool dithering = argc < 2 || std::strcmp(argv[1], "--no-dither") != 0;
  const int first = dithering ? 1 : 2;
  if (argc - first != 1 && (argc - first != 2 || !dithering)) {
    std::fprintf(stderr, "usage: %s [--no-dither] picture | picture quantised\n", argv[0]);
    return 2;
  }
  const bool ours = argc - first == 1;
  ScopedPicture original = Load24(argv[first]);
  ScopedPicture quantised = Load24(argv[ours ? first : first + 1]);
  if (!original || !quantised) {
    std::fprintf(stderr, "cannot load the pictures\n");
    return 1;
  }
  double milliseconds = 0;
  if (ours) {
    milliseconds = Quantise(quantised.Get(), dithering ? imagelib::Dithering::kErrorDiffusion
                                                       : imagelib::Dithering::kNone);
  }
  const Channels before = ChannelsOf(original.Get());
  const Channels after = ChannelsOf(quantised.Get());
  std::printf("%.2f dB, blurred %.2f dB", Psnr(before, after),
              Psnr(Blurred(before), Blurred(after)));
  if (ours) std::printf(" in %.1f ms", milliseconds);
  std::printf("\n");
  return 0;
}
