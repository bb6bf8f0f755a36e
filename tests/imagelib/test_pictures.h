// Pictures made in memory for the pixel-operation tests.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>

#include "imagelib/imagelib.h"
#include "imagelib/picture.h"
#include "imagelib/picture_store.h"

namespace testpictures {

using ColourAt = std::function<ColourRef(int x, int y)>;

// A stored 24-bit picture whose pixel (x, y) has the colour colourAt(x, y).
inline ScopedPicture Make24Bit(int width, int height, const ColourAt& colourAt) {
  auto picture = std::make_unique<imagelib::Picture>();
  picture->width = width;
  picture->height = height;
  picture->pixels.assign(picture->Stride() * static_cast<std::size_t>(height), 0);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* pixel = picture->Row(y);
    for (int x = 0; x < width; ++x, pixel += 3) {
      ColourRef colour = colourAt(x, y);
      pixel[0] = static_cast<std::uint8_t>(BlueOf(colour));
      pixel[1] = static_cast<std::uint8_t>(GreenOf(colour));
      pixel[2] = static_cast<std::uint8_t>(RedOf(colour));
    }
  }
  return ScopedPicture(imagelib::StorePicture(std::move(picture)));
}

inline ScopedPicture MakeFlat(int width, int height, ColourRef colour) {
  return Make24Bit(width, height, [colour](int, int) { return colour; });
}

// A smooth, photograph-like picture: overlapping colour waves with fine texture, so that it
// has far more than 256 colours.
inline ColourRef PhotoLike(int x, int y) {
  auto wave = [](double value) { return static_cast<int>(127.5 + 127.5 * std::sin(value)); };
  int red = wave(x * 0.031 + y * 0.017);
  int green = wave(x * 0.013 - y * 0.029 + 1.0);
  int blue = wave((x + y) * 0.021 + 2.0 + 0.3 * std::sin(x * 0.2));
  return MakeColour(red, green, blue);
}

// The colour of every pixel, row by row.
inline std::vector<ColourRef> PixelsOf(PictureHandle picture) {
  BitmapInfoHeader header{};
  GetPictureHeader(picture, &header);
  std::vector<ColourRef> pixels;
  for (int y = 0; y < header.biHeight; ++y) {
    for (int x = 0; x < header.biWidth; ++x) pixels.push_back(GetPixelColour(picture, x, y));
  }
  return pixels;
}

struct Size {
  int width;
  int height;
  bool operator==(const Size&) const = default;
};

inline Size SizeOf(PictureHandle picture) {
  BitmapInfoHeader header{};
  GetPictureHeader(picture, &header);
  return {header.biWidth, header.biHeight};
}

}  // namespace testpictures
