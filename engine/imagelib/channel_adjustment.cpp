// Sharpening and softening of single colour channels.
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "engine/imagelib/imagelib.h"
#include "engine/imagelib/operation_support.h"

namespace imagelib {
namespace {

// Strongest sharpening accepted, in percent; keeps the arithmetic far from overflow.
constexpr int kMaxSharpening = 100000;

// Rows blurred horizontally with the kernel 1 2 1 (edges repeated): four times the blurred
// value of each byte of a 24-bit row.
void BlurRowHorizontally(const std::uint8_t* row, int width, std::vector<std::uint16_t>& out) {
  for (int x = 0; x < width; ++x) {
    int left = std::max(x - 1, 0);
    int right = std::min(x + 1, width - 1);
    for (int channel = 0; channel < 3; ++channel) {
      out[static_cast<std::size_t>(3 * x + channel)] = static_cast<std::uint16_t>(
          row[3 * left + channel] + 2 * row[3 * x + channel] + row[3 * right + channel]);
    }
  }
}

// value + strength % of (value - blurred), rounded; `blurredTimes16` is 16 times the blurred
// value.
int Adjust(int value, int blurredTimes16, int strength) {
  int delta = strength * (value * 16 - blurredTimes16);
  int rounded = delta >= 0 ? (delta + 800) / 1600 : -((-delta + 800) / 1600);
  return std::clamp(value + rounded, 0, 255);
}

}  // namespace
}  // namespace imagelib

// A positive amount sharpens its channel by an unsharp mask of that strength in percent; a
// negative amount softens it, moving each value towards its 3×3 blur by |amount| percent (at
// most all the way). Zero leaves the channel alone.
int AdjustChannels(PictureHandle picture, int red, int green, int blue) {
  imagelib::Picture* found = imagelib::Find24Bit(picture);
  if (found == nullptr) return 0;
  auto strengthOf = [](int amount) { return std::clamp(amount, -100, imagelib::kMaxSharpening); };
  std::array<int, 3> strengths{strengthOf(blue), strengthOf(green), strengthOf(red)};
  if (strengths == std::array<int, 3>{}) return 1;
  int width = found->width;
  int height = found->height;
  std::size_t rowValues = static_cast<std::size_t>(width) * 3;
  // Horizontal blurs of the rows above, at and below the current one, taken before the rows
  // are changed: row y is rewritten only after the blur of row y + 1 has been taken.
  std::vector<std::uint16_t> above(rowValues);
  std::vector<std::uint16_t> current(rowValues);
  std::vector<std::uint16_t> below(rowValues);
  imagelib::BlurRowHorizontally(found->Row(0), width, current);
  above = current;
  for (int y = 0; y < height; ++y) {
    imagelib::BlurRowHorizontally(found->Row(std::min(y + 1, height - 1)), width, below);
    std::uint8_t* row = found->Row(y);
    for (std::size_t i = 0; i < rowValues; i += 3) {
      for (std::size_t channel = 0; channel < 3; ++channel) {
        int strength = strengths[channel];
        if (strength == 0) continue;
        std::size_t at = i + channel;
        int blurredTimes16 = above[at] + 2 * current[at] + below[at];
        row[at] = static_cast<std::uint8_t>(imagelib::Adjust(row[at], blurredTimes16, strength));
      }
    }
    std::swap(above, current);
    std::swap(current, below);
  }
  return 1;
}
