#include "engine/imagelib/inverse_colour_map.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>

namespace imagelib {
namespace {

constexpr std::size_t kCells = std::size_t{1} << 18;
constexpr std::size_t kBlocks = 16 * 16 * 16;
constexpr std::size_t kRegions = 8 * 8 * 8;
constexpr std::size_t kColoursPerCell = 64;
// Twice the distance from a cell's centre to its corners, in half levels: a colour can be
// nearest to some point of the cell only when it is no farther from the centre than the nearest
// colour to the centre plus this (triangle inequality).
const double kCellDiameter = 2 * std::sqrt(3.0) * 3;

std::array<int, 3> HalfLevelsOf(const Rgb& colour) {
  return {2 * colour.red, 2 * colour.green, 2 * colour.blue};
}

}  // namespace

InverseColourMap::InverseColourMap(const std::vector<Rgb>& palette)
    : palette_(palette), cells_(kCells, 0), blocks_(kBlocks), regions_(kRegions) {
  for (std::size_t i = 0; i < palette_.size(); ++i) {
    everyColour_.push_back(static_cast<std::uint8_t>(i));
    const Rgb& colour = palette_[i];
    packed_.push_back(
        static_cast<std::uint32_t>(colour.red << 16 | colour.green << 8 | colour.blue));
  }
}

void InverseColourMap::SelectCandidates(const std::uint8_t* from, std::size_t count,
                                        const std::array<int, 3>& low, int size,
                                        std::vector<std::uint8_t>& selected) const {
  // Squared distances from a palette colour to the nearest and the farthest point of the box.
  auto nearestAndFarthest = [&](const Rgb& colour) {
    const std::array<int, 3> values = HalfLevelsOf(colour);
    int nearest = 0;
    int farthest = 0;
    for (std::size_t channel = 0; channel < 3; ++channel) {
      const int lowest = 2 * low[channel];
      const int highest = 2 * (low[channel] + size - 1);
      const int value = values[channel];
      const int inside = value < lowest ? lowest - value : value > highest ? value - highest : 0;
      const int outside = std::max(value - lowest, highest - value);
      nearest += inside * inside;
      farthest += outside * outside;
    }
    return std::array<int, 2>{nearest, farthest};
  };
  // Only a colour whose nearest point of the box is no farther than some colour's farthest
  // point can be nearest to anything in it; `from` holds every such colour of a larger box.
  int bound = INT_MAX;
  for (std::size_t i = 0; i < count; ++i)
    bound = std::min(bound, nearestAndFarthest(palette_[from[i]])[1]);
  selected.clear();
  for (std::size_t i = 0; i < count; ++i) {
    if (nearestAndFarthest(palette_[from[i]])[0] <= bound) selected.push_back(from[i]);
  }
}

const std::uint8_t* InverseColourMap::BlockCandidates(int red, int green, int blue,
                                                      std::size_t& count) {
  BlockList& block =
      blocks_[static_cast<std::size_t>((red >> 4) << 8 | (green >> 4) << 4 | blue >> 4)];
  if (block.start < 0) {
    // The candidates of the block are taken from those of the region around it.
    std::vector<std::uint8_t>& region =
        regions_[static_cast<std::size_t>((red >> 5) << 6 | (green >> 5) << 3 | blue >> 5)];
    if (region.empty()) {
      SelectCandidates(everyColour_.data(), everyColour_.size(),
                       {red & ~31, green & ~31, blue & ~31}, 32, region);
    }
    SelectCandidates(region.data(), region.size(), {red & ~15, green & ~15, blue & ~15}, 16,
                     selected_);
    block.start = static_cast<std::int32_t>(blockCandidates_.size());
    block.count = static_cast<std::int32_t>(selected_.size());
    blockCandidates_.insert(blockCandidates_.end(), selected_.begin(), selected_.end());
  }
  count = static_cast<std::size_t>(block.count);
  return &blockCandidates_[static_cast<std::size_t>(block.start)];
}

std::uint8_t InverseColourMap::NearestIn(const std::uint8_t* list, std::size_t count, int red,
                                         int green, int blue) const {
  std::uint8_t bestIndex = list[0];
  int bestDistance = INT_MAX;
  for (std::size_t i = 0; i < count; ++i) {
    const Rgb& colour = palette_[list[i]];
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
  std::size_t count = 0;
  const std::uint8_t* candidates = BlockCandidates(red, green, blue, count);
  // The candidate nearest to the cell's centre, then those near enough to it to matter.
  const int low[3] = {red & ~3, green & ~3, blue & ~3};
  distances_.resize(count);
  int nearest = INT_MAX;
  for (std::size_t i = 0; i < count; ++i) {
    const std::array<int, 3> values = HalfLevelsOf(palette_[candidates[i]]);
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
  entry = static_cast<std::uint32_t>(answers_.size() / kColoursPerCell) << 8 | kAnswered;
  for (int r = 0; r < 4; ++r) {
    for (int g = 0; g < 4; ++g) {
      for (int b = 0; b < 4; ++b) {
        answers_.push_back(
            NearestIn(selected_.data(), selected_.size(), low[0] + r, low[1] + g, low[2] + b));
      }
    }
  }
}

std::uint8_t InverseColourMap::FindUnlisted(std::size_t cell, int red, int green, int blue) {
  if (cells_[cell] == 0) {
    SetUpCell(cell, red, green, blue);
    if ((cells_[cell] & kTagMask) - 1 < kMostListed)
      return NearestListed(cells_[cell], red, green, blue);
  }
  const std::size_t colourInCell =
      static_cast<std::size_t>((red & 3) << 4 | (green & 3) << 2 | (blue & 3));
  return answers_[(cells_[cell] >> 8) * kColoursPerCell + colourInCell];
}

}  // namespace imagelib
