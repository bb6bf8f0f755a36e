// How a picture is laid out in a PNG file: the smallest colour type and bit depth that hold
// it exactly, and the compression that suits its kind.
#pragma once

#include <png.h>

#include <cstdint>
#include <vector>

#include "imagelib/picture.h"

namespace imagelib {

struct PngLayout {
  // PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_PALETTE or PNG_COLOR_TYPE_RGB.
  int colourType = PNG_COLOR_TYPE_RGB;
  int bitDepth = 8;
  std::vector<png_color> palette;
  // Grey and palette pictures: one sample (level or index) a byte, rows one after another,
  // for libpng to pack. Empty for RGB, whose rows are the picture's own.
  std::vector<std::uint8_t> samples;
  // Few pixels repeat their left neighbour, as in photographs and gradients.
  bool photographic = false;
};

// The layout of an uncompressed 8-bit or 24-bit picture.
PngLayout LayOutForPng(const Picture& picture);

}  // namespace imagelib
