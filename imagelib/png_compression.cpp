#include "imagelib/png_compression.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>

namespace imagelib {
namespace {

// Above this, the full string search's cost on smooth pictures (several seconds a frame of
// 8 megapixels) rules out trying every candidate on the whole picture.
constexpr std::int64_t kMostWholeTrialPixels = std::int64_t{1} << 20;
// About 1/32 of a 4K frame, in bands of rows spread over the picture; in truecolour a band spans
// more than zlib's 32 KiB window, so that matches between rows count as in the whole.
constexpr std::int64_t kSamplePixels = std::int64_t{1} << 18;
constexpr int kBandRows = 16;
// zlib's levels above this search their hash chains up to 32 times longer for a few percent
// (ten times the time on a smooth picture): affordable only while the output, which bounds the
// searches made, stays within 1/128 of the raw rows, as in drawings and screenshots.
constexpr int kBoundedLevel = 7;
constexpr std::int64_t kRawBytesPerDeepOutputByte = 128;

// The compressions tried for a kind of picture. Photographs and gradients, filtered, hold
// almost no repeated strings: run-length matching alone makes them 5-10% smaller than the
// string search at level 3 (itself as good as level 6 on them) in 40% less time. Drawings,
// screenshots and palette pictures mostly compress best unfiltered with the full string search,
// but their smooth parts (shading, soft shadows) can favour filtering, so both are tried.
std::vector<Compression> Candidates(const PngLayout& layout) {
  if (layout.photographic && layout.bitDepth == 8 && layout.colourType != PNG_COLOR_TYPE_PALETTE) {
    return {{PNG_ALL_FILTERS, 3, Z_RLE}};
  }
  return {{PNG_FILTER_NONE, Z_BEST_COMPRESSION, Z_DEFAULT_STRATEGY},
          {PNG_ALL_FILTERS, Z_BEST_COMPRESSION, Z_DEFAULT_STRATEGY}};
}

// Rows of bands spread evenly over the picture, about kSamplePixels in all.
std::vector<int> SampleRows(int width, int height) {
  const int bandRows = std::min(kBandRows, height);
  const std::int64_t bandPixels = std::int64_t{bandRows} * width;
  const int bands = static_cast<int>(std::clamp<std::int64_t>(
      (kSamplePixels + bandPixels - 1) / bandPixels, 1, height / bandRows));
  std::vector<int> rows;
  for (int band = 0; band < bands; ++band) {
    const int middle = static_cast<int>(std::int64_t{height} * (2 * band + 1) / (2 * bands));
    const int first = std::clamp(middle - bandRows / 2, 0, height - bandRows);
    for (int y = first; y < first + bandRows; ++y) rows.push_back(y);
  }
  return rows;
}

// The bytes of the listed rows before compression.
std::int64_t RawBytes(const PngLayout& layout, int width, std::size_t rows) {
  const int bitsPerPixel = layout.bitDepth * (layout.colourType == PNG_COLOR_TYPE_RGB ? 3 : 1);
  return (std::int64_t{width} * bitsPerPixel + 7) / 8 * static_cast<std::int64_t>(rows);
}

// The candidate whose trial on the rows is smallest, with its bytes.
std::pair<Compression, std::size_t> Smallest(const std::vector<Compression>& candidates,
                                             const std::vector<int>& rows,
                                             const SampleTrial& trial) {
  std::pair<Compression, std::size_t> smallest{candidates.front(), SIZE_MAX};
  for (const Compression& candidate : candidates) {
    const std::size_t bytes = trial(rows, candidate);
    if (bytes < smallest.second) smallest = {candidate, bytes};
  }
  return smallest;
}

}  // namespace

std::vector<Compression> CompressionsToRun(const PngLayout& layout, int width, int height,
                                           const SampleTrial& trial) {
  std::vector<Compression> candidates = Candidates(layout);
  const std::int64_t pixels = std::int64_t{width} * height;
  if (candidates.size() == 1 || pixels <= kMostWholeTrialPixels) return candidates;
  // One filter throughout suits some smooth pictures, enlarged ones above all, better than
  // choosing per row.
  if (layout.bitDepth == 8 && layout.colourType != PNG_COLOR_TYPE_PALETTE) {
    candidates.push_back({PNG_FILTER_SUB, Z_BEST_COMPRESSION, Z_DEFAULT_STRATEGY});
  }
  const std::vector<int> rows = SampleRows(width, height);
  std::vector<Compression> bounded = candidates;
  for (Compression& compression : bounded) {
    compression.level = std::min(compression.level, kBoundedLevel);
  }
  const auto [fast, fastBytes] = Smallest(bounded, rows, trial);
  if (fastBytes == SIZE_MAX || static_cast<std::int64_t>(fastBytes) * kRawBytesPerDeepOutputByte >
                                   RawBytes(layout, width, rows.size())) {
    return {fast};
  }
  return {Smallest(candidates, rows, trial).first};
}

}  // namespace imagelib
