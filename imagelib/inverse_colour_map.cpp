#include "imagelib/inverse_colour_map.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>

namespace imagelib {
namespace {

constexpr std::size_t kCells = std::size_t{1} << 18;
// A cell with a long list is searched at each question until it has been asked this often,
// then answered for all its colours: a small picture asks most cells only once or twice.
constexpr std::uint16_t kQuestionsBeforeAnswering = 16;
// Twice the distance from a cell's centre to its corners, in half levels: a colour can be
// nearest to some point of the cell only when it is no farther from the centre than the nearest
// colour to the centre plus this (triangle inequality).
const double kCellDiameter = 2 * std::sqrt(3.0) * 3;

std::array<int, 3> HalfLevelsOf(const Rgb& colour) {
  return {2 * colour.red, 2 * colour.green, 2 * colour.blue};
}

}  // namespace

InverseColourMap::InverseColourMap(const std::vector<Rgb>& palette)
    : candidates_(palette), cells_(kCells, 0) {
  for (const Rgb& colour : palette) {
    packed_.push_back(
        static_cast<std::uint32_t>(colour.red << 16 | colour.green << 8 | colour.blue));
  }
}

std::uint8_t InverseColourMap::NearestIn(const std::uint8_t* list, std::size_t count, int red,
                                         int green, int blue) const {
  std::uint8_t bestIndex = list[0];
  int bestDistance = INT_MAX;
  for (std::size_t i = 0; i < count; ++i) {
    const Rgb& colour = candidates_.Palette()[list[i]];
    const int distance = (colour.red - red) * (colour.red - red) +
                         (colour.green - green) * (colour.green - green) +
                         (colour.blue - blue) * (colour.blue - blue);
    if (distance < bestDistance) {
      bestDistance = distance;
      bestIndex = list[i];
    }
  }
  return bestIndex;
}

void InverseColourMap::SetUpCell(std::size_t cell, int red, int green, int blue) {
  const PaletteCandidates::List block = candidates_.ForBlockOf(red, green, blue);
  const std::uint8_t* candidates = block.indexes;
  const std::size_t count = block.count;
  // The candidate nearest to the cell's centre, then those near enough to it to matter.
  const int low[3] = {red & ~3, green & ~3, blue & ~3};
  distances_.resize(count);
  int nearest = INT_MAX;
  for (std::size_t i = 0; i < count; ++i) {
    const std::array<int, 3> values = HalfLevelsOf(candidates_.Palette()[candidates[i]]);
    int distance = 0;
    for (std::size_t channel = 0; channel < 3; ++channel) {
      // Distances in half levels, so that the centre (low + 1.5) is a whole number.
      const int offset = values[channel] - (2 * low[channel] + 3);
      distance += offset * offset;
    }
    distances_[i] = distance;
    nearest = std::min(nearest, distance);
  }
  const double margin = std::sqrt(static_cast<double>(nearest)) + kCellDiameter;
  const auto reach = static_cast<int>(std::ceil(margin * margin));
  selected_.clear();
  for (std::size_t i = 0; i < count; ++i) {
    if (distances_[i] <= reach) selected_.push_back(candidates[i]);
  }
  std::uint32_t& entry = cells_[cell];
  if (selected_.size() <= kMostListed) {
    entry = static_cast<std::uint32_t>(selected_.size());
    for (std::size_t i = 0; i < kMostListed; ++i) {
      entry |= std::uint32_t{selected_[std::min(i, selected_.size() - 1)]} << (8 * (i + 1));
    }
    return;
  }
  entry = static_cast<std::uint32_t>(longLists_.size()) << 8 | kLongList;
  longLists_.push_back({static_cast<std::uint32_t>(longListIndexes_.size()),
                        static_cast<std::uint16_t>(selected_.size()), 0});
  longListIndexes_.insert(longListIndexes_.end(), selected_.begin(), selected_.end());
}

void InverseColourMap::Answer(std::size_t cell, const LongList& list, int red, int green,
                              int blue) {
  const std::uint8_t* indexes = &longListIndexes_[list.start];
  const int low[3] = {red & ~3, green & ~3, blue & ~3};
  cells_[cell] = static_cast<std::uint32_t>(answers_.size() / kColoursPerCell) << 8 | kAnswered;
  for (int r = 0; r < 4; ++r) {
    for (int g = 0; g < 4; ++g) {
      for (int b = 0; b < 4; ++b)
        answers_.push_back(NearestIn(indexes, list.count, low[0] + r, low[1] + g, low[2] + b));
    }
  }
}

std::uint32_t InverseColourMap::FindUnlisted(std::size_t cell, int red, int green, int blue) {
  if (cells_[cell] == 0) {
    SetUpCell(cell, red, green, blue);
    if ((cells_[cell] & kTagMask) - 1 < kMostListed)
      return NearestListed(cells_[cell], red, green, blue);
  }
  if ((cells_[cell] & kTagMask) == kLongList) {
    LongList& list = longLists_[cells_[cell] >> 8];
    if (++list.questions < kQuestionsBeforeAnswering) {
      const std::uint32_t index =
          NearestIn(&longListIndexes_[list.start], list.count, red, green, blue);
      return index << 24 | packed_[index];
    }
    Answer(cell, list, red, green, blue);
  }
  return Answered(cells_[cell], red, green, blue);
}

}  // namespace imagelib
