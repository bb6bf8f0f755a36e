// How a PNG's pixel data is compressed, and which ways are tried for a picture.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "imagelib/png_layout.h"

namespace imagelib {

// The row filters libpng may choose from, and zlib's level and strategy.
struct Compression {
  int filters;
  int level;
  int strategy;
};

// The compressed bytes of the listed rows of the picture, in that order; SIZE_MAX when they
// cannot be encoded.
using SampleTrial = std::function<std::size_t(const std::vector<int>& rows, const Compression&)>;

// The compressions to run over the whole picture, the smallest result kept: every candidate
// for a small picture; for a larger one, the one that does best on a sample of its rows.
std::vector<Compression> CompressionsToRun(const PngLayout& layout, int width, int height,
                                           const SampleTrial& trial);

}  // namespace imagelib
