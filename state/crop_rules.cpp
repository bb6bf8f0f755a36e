#include "state/crop_rules.h"

#include "state/number_limits.h"

namespace {

constexpr int kCropLimit = kLargestExtent;
constexpr int kResetExtent = 320;

}  // namespace

CropValues CheckCropAxes(CropValues values) {
  // Index pairs (start, size) of form 1 and (start, end) of form 2, X axis then Y axis.
  for (int axis = 0; axis < 2; ++axis) {
    int& start = values[axis];
    int& size = values[axis + 2];
    if (start < 0 || start > kCropLimit || size <= 0 || size > kCropLimit) {
      start = 0;
      size = kResetExtent;
    }
  }
  for (int axis = 0; axis < 2; ++axis) {
    int& start = values[4 + axis];
    int& end = values[6 + axis];
    if (start < 0 || start >= end || end > kCropLimit) {
      start = 0;
      end = kResetExtent;
    }
  }
  return values;
}
