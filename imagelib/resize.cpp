// Scaling a picture to an exact size.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <vector>

#include "imagelib/alpha_plane.h"
#include "imagelib/failure_reason.h"
#include "imagelib/imagelib.h"
#include "imagelib/operation_support.h"
#include "imagelib/resampling.h"

namespace imagelib {
namespace {

// Beyond this ratio a shrink first averages areas down to this many times the target size,
// exactly at any ratio, and the filter does the rest: the filter's own weights would otherwise
// number six times the source pixels.
constexpr int kMostFilterRatio = 3;
// The first pass of the area average keeps 8 fraction bits of each value for the second pass.
constexpr double kFractionScale = 256.0;

// For each target position along one axis, the run of source positions it is made of and their
// integer weights; a target value is the weighted sum divided by `divisor`. The weights are
// never negative and sum to the divisor, so sums are exact at any ratio.
struct AxisWeights {
  std::vector<int> first;
  std::vector<int> count;
  std::vector<int> offset;  // into weights
  std::vector<int> weights;
  std::int64_t divisor = 1;
};

// Shrinking averages the source area each target pixel covers: target pixel t covers
// [t * sourceSize, (t + 1) * sourceSize) in units of 1 / targetSize source pixels, and each
// source pixel weighs its overlap with it, exactly.
AxisWeights AreaWeights(int sourceSize, int targetSize) {
  AxisWeights axis;
  const std::int64_t common = std::gcd(sourceSize, targetSize);
  axis.divisor = sourceSize / common;
  for (int target = 0; target < targetSize; ++target) {
    const std::int64_t begin = std::int64_t{target} * sourceSize;
    const std::int64_t end = begin + sourceSize;
    const int first = static_cast<int>(begin / targetSize);
    axis.first.push_back(first);
    axis.offset.push_back(static_cast<int>(axis.weights.size()));
    int count = 0;
    for (std::int64_t j = first; j * targetSize < end; ++j, ++count) {
      const std::int64_t overlap =
          std::min(end, (j + 1) * targetSize) - std::max(begin, j * targetSize);
      axis.weights.push_back(static_cast<int>(overlap / common));
    }
    axis.count.push_back(count);
  }
  return axis;
}

// Weighted sums are 32-bit integers while they cannot overflow, the fast common case; beyond
// that 64-bit integers in the first pass and doubles (exact for whole numbers below 2^53) in the
// second.
bool FitsInt32(std::int64_t largestValue, std::int64_t divisor) {
  return largestValue * divisor <= INT32_MAX;
}

// First pass: one source row to the new width, values kept with 8 fraction bits.
template <typename Sum>
void NarrowRow(const std::uint8_t* in, std::uint16_t* out, const AxisWeights& across) {
  const double scale = kFractionScale / static_cast<double>(across.divisor);
  const std::size_t width = across.first.size();
  for (std::size_t x = 0; x < width; ++x, out += 3) {
    const std::uint8_t* source = in + 3 * static_cast<std::size_t>(across.first[x]);
    const int* weights = across.weights.data() + across.offset[x];
    Sum sums[3] = {0, 0, 0};
    for (int k = 0; k < across.count[x]; ++k, source += 3) {
      const Sum weight = weights[k];
      sums[0] += weight * source[0];
      sums[1] += weight * source[1];
      sums[2] += weight * source[2];
    }
    for (int channel = 0; channel < 3; ++channel) {
      out[channel] = static_cast<std::uint16_t>(static_cast<double>(sums[channel]) * scale + 0.5);
    }
  }
}

// Second pass: the narrowed rows blended down to the new height, a whole row at a time. Target
// rows use source rows in increasing order, and a source row is shared at most with the next
// target row, so a ring of two narrowed rows is enough at any ratio.
template <typename Sum>
void BlendRows(const Picture& source, Picture& result, const AxisWeights& across,
               const AxisWeights& down) {
  const std::size_t middleRow = static_cast<std::size_t>(result.width) * 3;
  std::vector<std::uint16_t> ring(middleRow * 2);
  auto ringRow = [&](int sourceRow) {
    return ring.data() + middleRow * static_cast<std::size_t>(sourceRow % 2);
  };
  const bool narrowInt32 = FitsInt32(255, across.divisor);
  std::vector<Sum> sums(middleRow);
  const double scale = 1.0 / (kFractionScale * static_cast<double>(down.divisor));
  int narrowedRows = 0;
  for (int y = 0; y < result.height; ++y) {
    std::fill(sums.begin(), sums.end(), Sum{0});
    const int* weights = down.weights.data() + down.offset[y];
    for (int k = 0; k < down.count[y]; ++k) {
      const int sourceRow = down.first[y] + k;
      for (; narrowedRows <= sourceRow; ++narrowedRows) {
        if (narrowInt32) {
          NarrowRow<std::int32_t>(source.Row(narrowedRows), ringRow(narrowedRows), across);
        } else {
          NarrowRow<std::int64_t>(source.Row(narrowedRows), ringRow(narrowedRows), across);
        }
      }
      const std::uint16_t* in = ringRow(sourceRow);
      const Sum weight = weights[k];
      for (std::size_t i = 0; i < middleRow; ++i) sums[i] += weight * in[i];
    }
    std::uint8_t* out = result.Row(y);
    for (std::size_t i = 0; i < middleRow; ++i) {
      const int value = static_cast<int>(static_cast<double>(sums[i]) * scale + 0.5);
      out[i] = static_cast<std::uint8_t>(std::min(value, 255));
    }
  }
}

// Resizes by the exact area average: every target pixel the mean of the source area it covers.
Picture AreaResize(const Picture& source, int width, int height) {
  const AxisWeights across = AreaWeights(source.width, width);
  const AxisWeights down = AreaWeights(source.height, height);
  Picture result;
  result.width = width;
  result.height = height;
  result.pixels.assign(result.Stride() * static_cast<std::size_t>(height), 0);
  if (FitsInt32(255 * 256, down.divisor)) {
    BlendRows<std::int32_t>(source, result, across, down);
  } else {
    BlendRows<double>(source, result, across, down);
  }
  return result;
}

// For each target position along one axis, the source positions the filter reaches and their
// weights, which sum to one: flat areas stay exactly as they are.
struct FilterWeights {
  std::vector<int> first;
  std::vector<int> count;
  std::vector<float> weights;  // `widest` a target
  int widest = 0;
};

// Shrinking spreads Lanczos' filter over the source pixels one target pixel covers; enlarging
// interpolates with the cubic. Positions past the edges repeat the edge pixel.
FilterWeights FilterWeightsFor(int sourceSize, int targetSize) {
  const double ratio = static_cast<double>(sourceSize) / targetSize;
  const bool shrinking = ratio > 1;
  const double stretch = shrinking ? ratio : 1;
  const double radius = (shrinking ? kLanczosRadius : kCubicRadius) * stretch;
  FilterWeights axis;
  axis.widest = std::min(sourceSize, static_cast<int>(std::ceil(2 * radius)) + 1);
  axis.weights.assign(static_cast<std::size_t>(targetSize) * axis.widest, 0.0f);
  std::vector<double> weights(static_cast<std::size_t>(axis.widest));
  for (int target = 0; target < targetSize; ++target) {
    const double centre = (target + 0.5) * ratio - 0.5;
    const int from = static_cast<int>(std::ceil(centre - radius));
    const int to = static_cast<int>(std::floor(centre + radius));
    const int first = std::clamp(from, 0, sourceSize - axis.widest);
    std::fill(weights.begin(), weights.end(), 0.0);
    double sum = 0;
    for (int j = from; j <= to; ++j) {
      const double distance = (j - centre) / stretch;
      const double weight = shrinking ? Lanczos3(distance) : CatmullRom(distance);
      weights[static_cast<std::size_t>(std::clamp(j, first, first + axis.widest - 1) - first)] +=
          weight;
      sum += weight;
    }
    float* out = axis.weights.data() + static_cast<std::size_t>(target) * axis.widest;
    int count = 0;
    for (int k = 0; k < axis.widest; ++k) {
      out[k] = static_cast<float>(weights[k] / sum);
      if (weights[k] != 0) count = k + 1;
    }
    axis.first.push_back(first);
    axis.count.push_back(count);
  }
  return axis;
}

// A pixel's three channels and a spare lane, added and scaled four lanes at once. Each lane
// takes exactly the operations, in the same order, that a plain float would.
using Lanes = float __attribute__((vector_size(16)));

// First pass: one source row filtered to the new width.
void FilterRow(const std::uint8_t* in, int sourceWidth, Lanes* widened, Lanes* out,
               const FilterWeights& across) {
  for (int x = 0; x < sourceWidth; ++x, in += 3) {
    widened[x] = Lanes{static_cast<float>(in[0]), static_cast<float>(in[1]),
                       static_cast<float>(in[2]), 0.0f};
  }
  const std::size_t width = across.first.size();
  for (std::size_t x = 0; x < width; ++x) {
    const Lanes* source = widened + across.first[x];
    const float* weights = across.weights.data() + x * static_cast<std::size_t>(across.widest);
    Lanes sum{0, 0, 0, 0};
    for (int k = 0; k < across.count[x]; ++k) sum += weights[k] * source[k];
    out[x] = sum;
  }
}

// Sums that should fall exactly halfway between two levels (a fine checkerboard's 127.5) land
// a hair either side of it in floating point; this nudge rounds them all one way.
constexpr float kHalfwayNudge = 1e-3f;

using WholeLanes = std::int32_t __attribute__((vector_size(16)));

// Rounds half away from zero, as lround does, into 0..255: the filter's overshoot on hard edges
// never wraps.
WholeLanes RoundedLevels(Lanes sum) {
  const Lanes none{};
  const Lanes top{256, 256, 256, 256};
  Lanes level = sum + kHalfwayNudge;
  level = level < none ? none : level;
  level = level > top ? top : level;
  const WholeLanes whole = __builtin_convertvector(level, WholeLanes);
  // A true comparison is -1 in every bit.
  const WholeLanes rounded = whole - (level - __builtin_convertvector(whole, Lanes) >= 0.5f);
  const WholeLanes highest{255, 255, 255, 255};
  return rounded > highest ? highest : rounded;
}

// Second pass: the filtered rows combined down to the new height. Target rows use source rows
// in increasing order and never more than `widest` of them, so a ring of that many filtered
// rows is enough.
Picture FilterResize(const Picture& source, int width, int height) {
  const FilterWeights across = FilterWeightsFor(source.width, width);
  const FilterWeights down = FilterWeightsFor(source.height, height);
  Picture result;
  result.width = width;
  result.height = height;
  result.pixels.assign(result.Stride() * static_cast<std::size_t>(height), 0);
  const auto rowPixels = static_cast<std::size_t>(width);
  std::vector<Lanes> widened(static_cast<std::size_t>(source.width));
  std::vector<Lanes> ring(rowPixels * static_cast<std::size_t>(down.widest));
  auto ringRow = [&](int sourceRow) {
    return ring.data() + rowPixels * static_cast<std::size_t>(sourceRow % down.widest);
  };
  std::vector<Lanes> sums(rowPixels);
  int filteredRows = 0;
  for (int y = 0; y < height; ++y) {
    std::fill(sums.begin(), sums.end(), Lanes{0, 0, 0, 0});
    const float* weights = down.weights.data() + static_cast<std::size_t>(y) * down.widest;
    for (int k = 0; k < down.count[y]; ++k) {
      const int sourceRow = down.first[y] + k;
      for (filteredRows = std::max(filteredRows, down.first[y]); filteredRows <= sourceRow;
           ++filteredRows) {
        FilterRow(source.Row(filteredRows), source.width, widened.data(), ringRow(filteredRows),
                  across);
      }
      const Lanes* in = ringRow(sourceRow);
      const float weight = weights[k];
      for (std::size_t x = 0; x < rowPixels; ++x) sums[x] += weight * in[x];
    }
    std::uint8_t* out = result.Row(y);
    for (std::size_t x = 0; x < rowPixels; ++x, out += 3) {
      const WholeLanes levels = RoundedLevels(sums[x]);
      out[0] = static_cast<std::uint8_t>(levels[0]);
      out[1] = static_cast<std::uint8_t>(levels[1]);
      out[2] = static_cast<std::uint8_t>(levels[2]);
    }
  }
  return result;
}

}  // namespace
}  // namespace imagelib

int ResizePicture(PictureHandle picture, int width, int height) {
  if (!imagelib::IsAcceptableSize(width, height)) {
    return imagelib::Refuse("縮小・拡大後の" + imagelib::TooLargeReason(width, height));
  }
  imagelib::Picture* found = imagelib::Find24Bit(picture);
  if (found == nullptr) return 0;
  if (width == found->width && height == found->height) return 1;
  auto nearTarget = [](int sourceSize, int targetSize) {
    return static_cast<int>(
        std::min<std::int64_t>(sourceSize, std::int64_t{targetSize} * imagelib::kMostFilterRatio));
  };
  const int areaWidth = nearTarget(found->width, width);
  const int areaHeight = nearTarget(found->height, height);
  imagelib::WithAlphaPlane(*found, true, [&](imagelib::Picture& plane, bool) {
    if (areaWidth != plane.width || areaHeight != plane.height) {
      plane = imagelib::AreaResize(plane, areaWidth, areaHeight);
    }
    plane = imagelib::FilterResize(plane, width, height);
    return true;
  });
  return 1;
}
