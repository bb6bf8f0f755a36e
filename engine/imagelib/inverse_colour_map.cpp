#include "engine/imagelib/inverse_colour_map.h"

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cmath>

namespace imagelib {
namespace {

constexpr std::size_t kBlocks = 16 * 16 * 16;
constexpr std::size_t kRegions = 8 * 8 * 8;
constexpr std::size_t kCellsPerBlock = 64;
// Twice the distance from a cell's centre to its corners, in half levels: a colour can be
// nearest to some point of the cell only when it is no farther from the centre than the nearest
// colour to the centre plus this (triangle inequality).
const double kCellDiameter = 2 * std::sqrt(3.0) * 3;
// Marks a list entry that tells where the cell's answers are.
constexpr std::uint32_t kAnswered = std::uint32_t{1} << 31;
// Longer lists are searched once for each colour of the cell instead of at every question.
constexpr std::ptrdiff_t kLongestSearchedList = 4;

// Distances are measured in half levels, so that the cell centres (4k + 1.5) are whole numbers.
constexpr int CentreOf(int blockLow, int cell) {
  return 2 * (blockLow + 4 * cell) + 3;
}

std::array<int, 3> HalfLevelsOf(const Rgb& colour) {
  return {2 * colour.red, 2 * colour.green, 2 * colour.blue};
}

// The squared distances, in half levels, from a colour to the 64 cell centres of a block.
std::array<int, kCellsPerBlock> DistancesToCentres(const Rgb& colour,
                                                   const std::array<int, 3>& low) {
  const std::array<int, 3> values = HalfLevelsOf(colour);
  // Along each channel, to each of the 4 rows of centres.
  std::array<std::array<int, 4>, 3> squares;
  for (std::size_t channel = 0; channel < 3; ++channel) {
    for (int cell = 0; cell < 4; ++cell) {
      const int offset = values[channel] - CentreOf(low[channel], cell);
      squares[channel][static_cast<std::size_t>(cell)] = offset * offset;
    }
  }
  std::array<int, kCellsPerBlock> distances;
  for (std::size_t cell = 0; cell < kCellsPerBlock; ++cell) {
    distances[cell] = squares[0][cell >> 4] + squares[1][cell >> 2 & 3] + squares[2][cell & 3];
  }
  return distances;
}

}  // namespace

InverseColourMap::InverseColourMap(const std::vector<Rgb>& palette)
    : palette_(palette), blocks_(kBlocks), regions_(kRegions) {
  for (std::size_t i = 0; i < palette_.size(); ++i) {
    everyColour_.push_back(static_cast<std::uint8_t>(i));
  }
}

void InverseColourMap::SelectCandidates(const std::vector<std::uint8_t>& from,
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
  for (const std::uint8_t index : from)
    bound = std::min(bound, nearestAndFarthest(palette_[index])[1]);
  selected.clear();
  for (const std::uint8_t index : from) {
    if (nearestAndFarthest(palette_[index])[0] <= bound) selected.push_back(index);
  }
}

void InverseColourMap::Fill(Block& block, int red, int green, int blue) {
  // The candidates of the block are taken from those of the region around it.
  std::vector<std::uint8_t>& region =
      regions_[static_cast<std::size_t>((red >> 5) << 6 | (green >> 5) << 3 | blue >> 5)];
  if (region.empty())
    SelectCandidates(everyColour_, {red & ~31, green & ~31, blue & ~31}, 32, region);
  SelectCandidates(region, {red, green, blue}, 16, blockCandidates_);
  const std::array<int, 3> low = {red, green, blue};

  // The candidate nearest to each cell's centre, then those near enough to it to matter.
  distances_.resize(blockCandidates_.size());
  std::array<int, kCellsPerBlock> nearest;
  nearest.fill(INT_MAX);
  block.cells = static_cast<std::int32_t>(cells_.size());
  cells_.resize(cells_.size() + kCellsPerBlock);
  std::uint8_t* cells = &cells_[static_cast<std::size_t>(block.cells)];
  for (std::size_t i = 0; i < blockCandidates_.size(); ++i) {
    distances_[i] = DistancesToCentres(palette_[blockCandidates_[i]], low);
    for (std::size_t cell = 0; cell < kCellsPerBlock; ++cell) {
      if (distances_[i][cell] < nearest[cell]) {
        nearest[cell] = distances_[i][cell];
        cells[cell] = blockCandidates_[i];
      }
    }
  }
  block.lists = static_cast<std::int32_t>(lists_.size());
  for (std::size_t cell = 0; cell < kCellsPerBlock; ++cell) {
    const double margin = std::sqrt(static_cast<double>(nearest[cell])) + kCellDiameter;
    const auto reach = static_cast<int>(std::ceil(margin * margin));
    const std::size_t listStart = candidates_.size();
    for (std::size_t i = 0; i < blockCandidates_.size(); ++i) {
      if (distances_[i][cell] <= reach) candidates_.push_back(blockCandidates_[i]);
    }
    const std::size_t length = candidates_.size() - listStart;
    if (length < 2) {
      candidates_.resize(listStart);
    } else {
      block.uncertain |= std::uint64_t{1} << cell;
      lists_.push_back(static_cast<std::uint32_t>(listStart << 8 | (length - 1)));
    }
  }
}

std::uint8_t InverseColourMap::FindInCell(const Block& block, int cell, int red, int green,
                                          int blue) {
  const std::uint64_t before = block.uncertain & ((std::uint64_t{1} << cell) - 1);
  std::uint32_t& entry = lists_[static_cast<std::size_t>(block.lists + std::popcount(before))];
  const std::size_t colourInCell =
      static_cast<std::size_t>((red & 3) << 4 | (green & 3) << 2 | (blue & 3));
  if ((entry & kAnswered) != 0) return answers_[(entry & ~kAnswered) + colourInCell];
  const std::uint8_t* list = &candidates_[entry >> 8];
  const std::uint8_t* end = list + (entry & 0xff) + 1;
  auto nearestInList = [&](int r, int g, int b) {
    std::uint8_t bestIndex = *list;
    int bestDistance = INT_MAX;
    for (const std::uint8_t* index = list; index != end; ++index) {
      const Rgb& colour = palette_[*index];
      const int distance = (colour.red - r) * (colour.red - r) +
                           (colour.green - g) * (colour.green - g) +
                           (colour.blue - b) * (colour.blue - b);
      if (distance < bestDistance) {
        bestDistance = distance;
        bestIndex = *index;
      }
    }
    return bestIndex;
  };
  if (end - list <= kLongestSearchedList) return nearestInList(red, green, blue);
  const std::size_t answers = answers_.size();
  const int low[3] = {red & ~3, green & ~3, blue & ~3};
  for (int r = 0; r < 4; ++r) {
    for (int g = 0; g < 4; ++g) {
      for (int b = 0; b < 4; ++b)
        answers_.push_back(nearestInList(low[0] + r, low[1] + g, low[2] + b));
    }
  }
  entry = static_cast<std::uint32_t>(answers) | kAnswered;
  return answers_[answers + colourInCell];
}

}  // namespace imagelib
