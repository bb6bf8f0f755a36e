// The size a picture is resized to: the chosen width and height as they are, or the picture's
// own shape fitted to them, and with "拡大しない" never larger than the picture.
#pragma once

#include <cstdint>

// RESIZE_FIT's values.
enum ResizeShape {
  kResizeStretch = 0,    // to W×H exactly
  kResizeFitInside = 1,  // the largest size of the picture's shape inside W×H
  kResizeLongSide = 2,   // the longer side becomes the larger of W and H
};

struct PixelSize {
  std::int64_t width;
  std::int64_t height;
  bool operator==(const PixelSize&) const = default;
};

// `picture` and `frame` are at least 1×1; so is the result. `noEnlarge` keeps a picture that
// already lies within the size at its own size.
PixelSize OutputSize(PixelSize picture, PixelSize frame, int shape, bool noEnlarge);
