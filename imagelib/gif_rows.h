// The order in which a GIF stores the rows of an image.
#pragma once

#include <vector>

namespace imagelib {

// Picture rows in file order: top to bottom, or in the four passes of an interlaced image
// (every 8th row from 0, every 8th from 4, every 4th from 2, every 2nd from 1).
inline std::vector<int> GifRowOrder(int height, bool interlaced) {
  std::vector<int> order;
  order.reserve(static_cast<std::size_t>(height));
  if (!interlaced) {
    for (int y = 0; y < height; ++y) order.push_back(y);
    return order;
  }
  constexpr int kStart[] = {0, 4, 2, 1};
  constexpr int kStep[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    for (int y = kStart[pass]; y < height; y += kStep[pass]) order.push_back(y);
  }
  return order;
}

}  // namespace imagelib
