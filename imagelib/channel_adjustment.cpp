// Sharpening and softening of single colour channels.
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "imagelib/alpha_plane.h"
#include "imagelib/imagelib.h"
#include "imagelib/operation_support.h"

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

// The change of a value as a function of 16 × (value − blurred), which lies in −4080..4080:
// strength % of (value − blurred), rounded half away from zero.
class AdjustmentTable {
 public:
  static constexpr int kRange = 16 * 255;

  explicit AdjustmentTable(int strength) : changes_(2 * kRange + 1) {
    for (int difference = -kRange; difference <= kRange; ++difference) {
      int scaled = strength * difference;
      changes_[static_cast<std::size_t>(difference + kRange)] =
          scaled >= 0 ? (scaled + 800) / 1600 : -((-scaled + 800) / 1600);
    }
  }
  int ChangeFor(int differenceTimes16) const {
    return changes_[static_cast<std::size_t>(differenceTimes16 + kRange)];
  }

 private:
  std::vector<int> changes_;
};

}  // namespace
}  // namespace imagelib

// A positive amount sharpens its channel by an unsharp mask of that strength in percent; a
// negative amount softens it, moving each value towards its 3×3 blur by |amount| percent (at
// most all the way). Zero leaves the channel alone.
int AdjustChannels(PictureHandle picture, int red, int green, int blue) {
  imagelib::Picture* found = imagelib::Find24Bit(picture);
  if (found == nullptr) return 0;
  auto strengthOf = [](int amount) { return std::clamp(amount, -100, imagelib::kMaxSharpening); };
  const std::array<int, 3> strengths{strengthOf(blue), strengthOf(green), strengthOf(red)};
  if (strengths == std::array<int, 3>{}) return 1;
  const std::array<imagelib::AdjustmentTable, 3> tables{imagelib::AdjustmentTable(strengths[0]),
                                                        imagelib::AdjustmentTable(strengths[1]),
                                                        imagelib::AdjustmentTable(strengths[2])};
  // Neighbours are blended as they show, so transparent ones lend nothing.
  imagelib::ShowOverWhite(*found);
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
    for (std::size_t channel = 0; channel < 3; ++channel) {
      if (strengths[channel] == 0) continue;
      const imagelib::AdjustmentTable& table = tables[channel];
      for (std::size_t at = channel; at < rowValues; at += 3) {
        int value = row[at];
        int difference = 16 * value - (above[at] + 2 * current[at] + below[at]);
        row[at] =
            static_cast<std::uint8_t>(std::clamp(value + table.ChangeFor(difference), 0, 255));
      }
    }
    std::swap(above, current);
    std::swap(current, below);
  }
  imagelib::TakeFromWhite(*found);
  return 1;
}
