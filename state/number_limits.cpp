#include "state/number_limits.h"

#include <algorithm>
#include <limits>
#include <string>

#include "resources/control_ids.h"
#include "state/crop_rules.h"

int TypedDigitsOf(int controlId) {
  bool extent = controlId == kResizeWidthBox || controlId == kResizeHeightBox ||
                std::ranges::find(kCropBoxes, controlId) != kCropBoxes.end();
  // The naming boxes hold any 32-bit number the naming rules count with.
  int largest = extent ? kLargestExtent : std::numeric_limits<int>::max();
  return static_cast<int>(std::to_string(largest).size());
}
