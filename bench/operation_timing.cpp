// Times the pixel operations on a 1920×1080 photograph-like picture made in memory; prints
// the best of several runs of each, in milliseconds.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>

#include "engine/table_art.h"
#include "imagelib/imagelib.h"
#include "imagelib/picture_store.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kRuns = 7;

PictureHandle MakePhotoLike() {
  auto picture = std::make_unique<imagelib::Picture>();
  picture->width = kWidth;
  picture->height = kHeight;
  picture->pixels.resize(picture->Stride() * kHeight);
  auto wave = [](double value) {
    return static_cast<std::uint8_t>(127.5 + 127.5 * std::sin(value));
  };
  for (int y = 0; y < kHeight; ++y) {
    std::uint8_t* pixel = picture->Row(y);
    for (int x = 0; x < kWidth; ++x, pixel += 3) {
      pixel[0] = wave((x + y) * 0.007 + 2.0 + 0.3 * std::sin(x * 0.05));
      pixel[1] = wave(x * 0.004 - y * 0.009 + 1.0);
      pixel[2] = wave(x * 0.011 + y * 0.006 + 0.2 * std::sin(y * 0.3));
    }
  }
  return imagelib::StorePicture(std::move(picture));
}

void Time(const char* name, const std::function<void(PictureHandle)>& operation) {
  double best = 1e9;
  for (int run = 0; run < kRuns; ++run) {
    ScopedPicture picture(MakePhotoLike());
    auto start = std::chrono::steady_clock::now();
    operation(picture.Get());
    auto elapsed = std::chrono::steady_clock::now() - start;
    best = std::min(best, std::chrono::duration<double, std::milli>(elapsed).count());
  }
  std::printf("%-32s %8.1f ms\n", name, best);
}

}  // namespace

int main() {
  std::uint8_t negative[256];
  for (int i = 0; i < 256; ++i) negative[i] = static_cast<std::uint8_t>(255 - i);
  Time("resize to 640x480", [](PictureHandle p) { ResizePicture(p, 640, 480); });
  Time("resize to 1600x900", [](PictureHandle p) { ResizePicture(p, 1600, 900); });
  Time("resize to 3840x2160", [](PictureHandle p) { ResizePicture(p, 3840, 2160); });
  Time("rotate 90", [](PictureHandle p) { RotatePicture(p, 90000, 0); });
  Time("rotate 45", [](PictureHandle p) { RotatePicture(p, 45000, 0); });
  Time("grey", [](PictureHandle p) { ConvertToGrey(p, 255); });
  Time("sepia (grey + scale)", [](PictureHandle p) {
    ConvertToGrey(p, 255);
    ScaleChannels(p, 1400, 1000, 725);
  });
  Time("negative (lookup tables)",
       [&](PictureHandle p) { ApplyLookupTables(p, negative, negative, negative); });
  Time("sharpen", [](PictureHandle p) { AdjustChannels(p, 100, 100, 100); });
  Time("soften", [](PictureHandle p) { AdjustChannels(p, -100, -100, -100); });
  Time("crop 1000x600",
       [](PictureHandle p) { ReleasePicture(CropPicture(p, 100, 100, 1000, 600)); });
  Time("to 16 bits", [](PictureHandle p) { ConvertTo16Bit(p, 0, 0); });
  Time("to 8 bits (quantise)", [](PictureHandle p) { ConvertTo8Bit(p, 0, 0); });
  Time("table-art page of 640x480", [](PictureHandle p) {
    ResizePicture(p, 640, 480);
    WriteTableArt(p, "/tmp/trastel_operation_timing.htm", 640, 480, 1);
  });
  std::remove("/tmp/trastel_operation_timing.htm");
  return 0;
}
