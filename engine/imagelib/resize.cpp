// Scaling a picture to an exact size.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <vector>

#include "engine/imagelib/imagelib.h"
#include "engine/imagelib/operation_support.h"

namespace imagelib {
namespace {

// Enlarging weights are fixed-point fractions of this.
constexpr int kInterpolationOne = 1 << 14;
// The first pass keeps 8 fraction bits of each value for the second pass.
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

void AddTarget(AxisWeights& axis, int first, std::initializer_list<int> weights) {
  axis.first.push_back(first);
  axis.count.push_back(static_cast<int>(weights.size()));
  axis.offset.push_back(static_cast<int>(axis.weights.size()));
  axis.weights.insert(axis.weights.end(), weights);
}

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

// Enlarging interpolates linearly between the two nearest source pixel centres.
AxisWeights InterpolationWeights(int sourceSize, int targetSize) {
  AxisWeights axis;
  axis.divisor = kInterpolationOne;
  for (int target = 0; target < targetSize; ++target) {
    double position = (target + 0.5) * sourceSize / targetSize - 0.5;
    position = std::clamp(position, 0.0, static_cast<double>(sourceSize - 1));
    const int first = std::min(static_cast<int>(position), sourceSize - 1);
    const int next = static_cast<int>(std::lround((position - first) * kInterpolationOne));
    if (first + 1 < sourceSize) {
      AddTarget(axis, first, {kInterpolationOne - next, next});
    } else {
      AddTarget(axis, first, {kInterpolationOne});
    }
  }
  return axis;
}

AxisWeights WeightsFor(int sourceSize, int targetSize) {
  return targetSize <= sourceSize ? AreaWeights(sourceSize, targetSize)
                                  : InterpolationWeights(sourceSize, targetSize);
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

}  // namespace
}  // namespace imagelib

int ResizePicture(PictureHandle picture, int width, int height) {
  if (!imagelib::IsAcceptableSize(width, height)) return 0;
  imagelib::Picture* found = imagelib::Find24Bit(picture);
  if (found == nullptr) return 0;
  if (width == found->width && height == found->height) return 1;
  const imagelib::AxisWeights across = imagelib::WeightsFor(found->width, width);
  const imagelib::AxisWeights down = imagelib::WeightsFor(found->height, height);

  imagelib::Picture result;
  result.width = width;
  result.height = height;
  result.pixels.assign(result.Stride() * static_cast<std::size_t>(height), 0);
  if (imagelib::FitsInt32(255 * 256, down.divisor)) {
    imagelib::BlendRows<std::int32_t>(*found, result, across, down);
  } else {
    imagelib::BlendRows<double>(*found, result, across, down);
  }
  *found = std::move(result);
  return 1;
}
