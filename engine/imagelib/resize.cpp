// Scaling a picture to an exact size.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/imagelib/imagelib.h"
#include "engine/imagelib/operation_support.h"

namespace imagelib {
namespace {

constexpr int kWeightBits = 14;
constexpr int kWeightOne = 1 << kWeightBits;
// The first pass keeps 8 fraction bits of each value for the second pass.
constexpr int kFirstPassShift = kWeightBits - 8;
constexpr int kSecondPassShift = kWeightBits + 8;

// For each target position along one axis, the run of source positions it is made of and their
// weights (summing to kWeightOne).
struct AxisWeights {
  std::vector<int> first;
  std::vector<int> count;
  std::vector<int> offset;  // into weights
  std::vector<int> weights;
};

void AddTarget(AxisWeights& axis, int first, const std::vector<double>& exactWeights) {
  axis.first.push_back(first);
  axis.count.push_back(static_cast<int>(exactWeights.size()));
  axis.offset.push_back(static_cast<int>(axis.weights.size()));
  int total = 0;
  std::size_t largest = axis.weights.size();
  for (double weight : exactWeights) {
    int rounded = static_cast<int>(std::lround(weight * kWeightOne));
    axis.weights.push_back(rounded);
    total += rounded;
    if (rounded > axis.weights[largest]) largest = axis.weights.size() - 1;
  }
  // Rounding leftovers go to the heaviest weight so that a flat area stays exactly flat.
  axis.weights[largest] += kWeightOne - total;
}

// Shrinking averages the source area each target pixel covers; enlarging interpolates linearly
// between the two nearest source pixel centres.
AxisWeights WeightsFor(int sourceSize, int targetSize) {
  AxisWeights axis;
  std::vector<double> exact;
  for (int target = 0; target < targetSize; ++target) {
    exact.clear();
    if (targetSize <= sourceSize) {
      // Target pixel `target` covers [target * sourceSize, (target + 1) * sourceSize) in units
      // of 1 / targetSize source pixels; source pixel j covers [j * targetSize, ...).
      std::int64_t begin = std::int64_t{target} * sourceSize;
      std::int64_t end = begin + sourceSize;
      int first = static_cast<int>(begin / targetSize);
      for (std::int64_t j = first; j * targetSize < end; ++j) {
        std::int64_t overlap =
            std::min(end, (j + 1) * targetSize) - std::max(begin, j * targetSize);
        exact.push_back(static_cast<double>(overlap) / sourceSize);
      }
      AddTarget(axis, first, exact);
    } else {
      double position = (target + 0.5) * sourceSize / targetSize - 0.5;
      position = std::clamp(position, 0.0, static_cast<double>(sourceSize - 1));
      int first = std::min(static_cast<int>(position), sourceSize - 1);
      double fraction = position - first;
      exact.push_back(1.0 - fraction);
      if (first + 1 < sourceSize) exact.push_back(fraction);
      AddTarget(axis, first, exact);
    }
  }
  return axis;
}

}  // namespace
}  // namespace imagelib

int ResizePicture(PictureHandle picture, int width, int height) {
  if (!imagelib::IsAcceptableSize(width, height)) return 0;
  imagelib::Picture* found = imagelib::Find24Bit(picture);
  if (found == nullptr) return 0;
  if (width == found->width && height == found->height) return 1;
  imagelib::AxisWeights across = imagelib::WeightsFor(found->width, width);
  imagelib::AxisWeights down = imagelib::WeightsFor(found->height, height);

  // First pass: source rows to the new width, values kept with 8 fraction bits. Only the rows
  // the second pass still needs are kept, in a ring of as many rows as one target row uses.
  std::size_t middleRow = static_cast<std::size_t>(width) * 3;
  int ringRows = *std::max_element(down.count.begin(), down.count.end());
  std::vector<std::uint16_t> ring(middleRow * static_cast<std::size_t>(ringRows));
  auto ringRow = [&](int sourceRow) {
    return ring.data() + middleRow * static_cast<std::size_t>(sourceRow % ringRows);
  };
  auto narrowRow = [&](int sourceRow) {
    const std::uint8_t* in = found->Row(sourceRow);
    std::uint16_t* out = ringRow(sourceRow);
    for (int x = 0; x < width; ++x, out += 3) {
      const std::uint8_t* source = in + 3 * static_cast<std::size_t>(across.first[x]);
      const int* weights = across.weights.data() + across.offset[x];
      int sums[3] = {0, 0, 0};
      for (int k = 0; k < across.count[x]; ++k, source += 3) {
        sums[0] += weights[k] * source[0];
        sums[1] += weights[k] * source[1];
        sums[2] += weights[k] * source[2];
      }
      for (int channel = 0; channel < 3; ++channel) {
        out[channel] = static_cast<std::uint16_t>(
            (sums[channel] + (1 << (imagelib::kFirstPassShift - 1))) >> imagelib::kFirstPassShift);
      }
    }
  };

  // Second pass: the rows blended down to the new height, a whole row at a time. The target
  // rows use source rows in increasing order, so each source row is narrowed once.
  imagelib::Picture result;
  result.width = width;
  result.height = height;
  result.pixels.assign(result.Stride() * static_cast<std::size_t>(height), 0);
  std::vector<std::int32_t> sums(middleRow);
  int narrowedRows = 0;
  for (int y = 0; y < height; ++y) {
    int first = down.first[y];
    int count = down.count[y];
    for (; narrowedRows < first + count; ++narrowedRows) narrowRow(narrowedRows);
    std::fill(sums.begin(), sums.end(), 0);
    const int* weights = down.weights.data() + down.offset[y];
    for (int k = 0; k < count; ++k) {
      const std::uint16_t* in = ringRow(first + k);
      std::int32_t weight = weights[k];
      for (std::size_t i = 0; i < middleRow; ++i) sums[i] += weight * in[i];
    }
    std::uint8_t* out = result.Row(y);
    for (std::size_t i = 0; i < middleRow; ++i) {
      std::int32_t value =
          (sums[i] + (1 << (imagelib::kSecondPassShift - 1))) >> imagelib::kSecondPassShift;
      out[i] = static_cast<std::uint8_t>(std::min(value, 255));
    }
  }
  *found = std::move(result);
  return 1;
}
