// Error diffusion over 24-bit pixels, shared by the conversions to fewer colours.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "imagelib/picture.h"

namespace imagelib {

// The most error, in levels per channel, that dithering adds to one pixel: a strong edge should
// not smear into its neighbours.
constexpr int kLargestCarriedError = 32;

// Maps each pixel of a 24-bit picture after adding the error left by its already mapped
// neighbours (Floyd-Steinberg weights 7, 3, 5 and 1 sixteenths), going left to right on even
// rows and right to left on odd ones so that the error does not drift one way. The error a pixel
// receives is limited to kLargestCarriedError and the sum clamped to the colour cube.
//   bool show(int y, int x, const std::uint8_t* pixel, std::array<int, 3>& colour)
// gets the pixel's source bytes and the wanted colour (blue, green, red), writes the pixel out
// and replaces `colour` by the colour written; it returns false when the pixel passes no error
// on.
// Calls `f` with each channel's index as a constant, so that per-channel values stay in
// registers instead of arrays in memory.
template <typename F>
void ForEachChannel(F&& f) {
  f(std::integral_constant<std::size_t, 0>{});
  f(std::integral_constant<std::size_t, 1>{});
  f(std::integral_constant<std::size_t, 2>{});
}

template <typename Show>
void DiffuseErrors(const Picture& source, Show&& show) {
  // Errors in sixteenths, per channel, that the row below has received from this row (written
  // once per pixel as this row is mapped) and that this row received from the one above, with
  // a spare pixel at each end so that the edges need no tests.
  const std::size_t rowLength = 3 * (static_cast<std::size_t>(source.width) + 2);
  std::vector<int> received(rowLength, 0);
  std::vector<int> passedDown(rowLength, 0);
  for (int y = 0; y < source.height; ++y) {
    const std::uint8_t* in = source.Row(y);
    const int step = y % 2 == 0 ? 1 : -1;
    // Per channel: the error for the next pixel along the row, and what the row below has
    // gathered so far for the pixel below the previous one and below this one.
    std::array<int, 3> ahead{}, belowPrevious{}, belowThis{};
    int x = step > 0 ? 0 : source.width - 1;
    for (int i = 0; i < source.width; ++i, x += step) {
      const std::uint8_t* pixel = in + 3 * x;
      const int* receivedHere = &received[3 * static_cast<std::size_t>(x + 1)];
      std::array<int, 3> wanted;
      ForEachChannel([&](auto channel) {
        const int carried = std::clamp((receivedHere[channel] + ahead[channel] + 8) >> 4,
                                       -kLargestCarriedError, kLargestCarriedError);
        wanted[channel] = std::clamp(pixel[channel] + carried, 0, 255);
      });
      std::array<int, 3> shown = wanted;
      const bool passes = show(y, x, pixel, shown);
      int* passedBehind = &passedDown[3 * static_cast<std::size_t>(x + 1 - step)];
      ForEachChannel([&](auto channel) {
        const int left = passes ? wanted[channel] - shown[channel] : 0;
        passedBehind[channel] = belowPrevious[channel] + 3 * left;
        belowPrevious[channel] = belowThis[channel] + 5 * left;
        belowThis[channel] = left;
        ahead[channel] = 7 * left;
      });
    }
    int* passedLast = &passedDown[3 * static_cast<std::size_t>(x - step + 1)];
    ForEachChannel([&](auto channel) { passedLast[channel] = belowPrevious[channel]; });
    std::swap(received, passedDown);
  }
}

}  // namespace imagelib
