// Times the image library on a 1920x1080 photograph-like picture: loading each format,
// resizing to 640x480 and saving each format. Prints the median of several runs in
// milliseconds, one "name milliseconds" line each, and leaves the pictures it wrote in the
// folder given as its argument for compare_codecs.sh.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imagelib/imagelib.h"
#include "imagelib/picture_store.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kRuns = 7;
constexpr int kJpegQuality = 85;

// Smooth colour waves with fine grain, like a photograph: many colours, some texture.
PictureHandle MakePhotoLike() {
  auto picture = std::make_unique<imagelib::Picture>();
  picture->width = kWidth;
  picture->height = kHeight;
  picture->pixels.resize(picture->Stride() * kHeight);
  std::uint32_t noise = 12345;
  for (int y = 0; y < kHeight; ++y) {
    std::uint8_t* pixel = picture->Row(y);
    for (int x = 0; x < kWidth; ++x, pixel += 3) {
      noise = noise * 1103515245u + 12345u;
      const double grain = static_cast<double>((noise >> 16) % 17) - 8.0;
      auto wave = [&](double value) {
        return static_cast<std::uint8_t>(
            std::clamp(127.5 + 110.0 * std::sin(value) + grain, 0.0, 255.0));
      };
      pixel[0] = wave((x + y) * 0.0061 + 2.0 + 0.3 * std::sin(x * 0.013));
      pixel[1] = wave(x * 0.0043 - y * 0.0079 + 1.0);
      pixel[2] = wave(x * 0.0071 + y * 0.0037);
    }
  }
  return imagelib::StorePicture(std::move(picture));
}

double MedianMilliseconds(const std::function<void()>& work) {
  std::vector<double> times;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const auto end = std::chrono::steady_clock::now();
    times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

PictureHandle Copy(PictureHandle picture) {
  return imagelib::StorePicture(
      std::make_unique<imagelib::Picture>(*imagelib::FindPicture(picture)));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: imagelib_bench OUTPUT-FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  auto file = [&](const char* name) { return folder + "/" + name; };
  ScopedPicture photo(MakePhotoLike());
  const PngOptions png{};
  const GifOptions gif{};

  const std::vector<std::pair<const char*, std::function<int()>>> saves = {
      {"photo.bmp", [&] { return SaveBmp(file("photo.bmp").c_str(), photo.Get()); }},
      {"photo.jpg",
       [&] { return SaveJpeg(file("photo.jpg").c_str(), photo.Get(), kJpegQuality, 0); }},
      {"photo.png", [&] { return SavePng(file("photo.png").c_str(), photo.Get(), &png); }},
      {"photo.gif", [&] { return SaveGif(file("photo.gif").c_str(), photo.Get(), &gif); }},
  };
  for (const auto& [name, save] : saves) {
    if (save() == 0) {
      std::fprintf(stderr, "imagelib_bench: cannot write %s\n", name);
      return 1;
    }
    std::printf("save_%s %.2f\n", name, MedianMilliseconds([&] { save(); }));
  }
  for (const char* name : {"photo.bmp", "photo.jpg", "photo.png", "photo.gif"}) {
    std::printf("load_%s %.2f\n", name,
                MedianMilliseconds([&] { ReleasePicture(LoadPicture(file(name).c_str())); }));
  }
  std::printf("resize_640x480 %.2f\n", MedianMilliseconds([&] {
                ScopedPicture copy(Copy(photo.Get()));
                ResizePicture(copy.Get(), 640, 480);
              }));
  std::printf("quantise_256 %.2f\n", MedianMilliseconds([&] {
                ScopedPicture copy(Copy(photo.Get()));
                ConvertTo8Bit(copy.Get(), 0, 0);
              }));
  // The work of one conversion: JPEG in, resized, JPEG out.
  std::printf("jpeg_load_resize_save %.2f\n", MedianMilliseconds([&] {
                ScopedPicture loaded(LoadPicture(file("photo.jpg").c_str()));
                ResizePicture(loaded.Get(), 640, 480);
                SaveJpeg(file("small.jpg").c_str(), loaded.Get(), kJpegQuality, 0);
              }));
  std::printf("jpeg_load_save %.2f\n", MedianMilliseconds([&] {
                ScopedPicture loaded(LoadPicture(file("photo.jpg").c_str()));
                SaveJpeg(file("again.jpg").c_str(), loaded.Get(), kJpegQuality, 0);
              }));
  // The quantised picture, for the quality comparison.
  ScopedPicture quantised(Copy(photo.Get()));
  ConvertTo8Bit(quantised.Get(), 0, 0);
  SaveBmp(file("quantised.bmp").c_str(), quantised.Get());
  return 0;
}
