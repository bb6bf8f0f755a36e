#include "imagelib/palette_candidates.h"

#include <algorithm>
#include <climits>

namespace imagelib {
namespace {

constexpr std::size_t kBlocks = 16 * 16 * 16;
constexpr std::size_t kRegions = 8 * 8 * 8;

}  // namespace

PaletteCandidates::PaletteCandidates(const std::vector<Rgb>& palette)
    : palette_(palette), regions_(kRegions), blocks_(kBlocks) {
  for (std::size_t i = 0; i < palette_.size(); ++i) {
    everyColour_.push_back(static_cast<std::uint8_t>(i));
  }
}

int PaletteCandidates::Select(const std::uint8_t* from, std::size_t count,
                              const std::array<int, 3>& low, int size,
                              std::vector<std::uint8_t>& selected) {
  // Only a colour whose nearest point of the box is no farther than some colour's farthest
  // point can be nearest to anything in it; `from` holds every such colour of a larger box.
  // One pass finds both squared distances of each colour, the second keeps the near ones.
  nearest_.resize(count);
  int bound = INT_MAX;
  for (std::size_t i = 0; i < count; ++i) {
    const Rgb& colour = palette_[from[i]];
    const int values[3] = {colour.red, colour.green, colour.blue};
    int nearest = 0;
    int farthest = 0;
    for (std::size_t channel = 0; channel < 3; ++channel) {
      const int belowLowest = low[channel] - values[channel];
      const int aboveHighest = values[channel] - (low[channel] + size - 1);
      const int inside = std::max({0, belowLowest, aboveHighest});
      const int outside = std::max(-belowLowest, -aboveHighest);
      nearest += inside * inside;
      farthest += outside * outside;
    }
    nearest_[i] = nearest;
    bound = std::min(bound, farthest);
  }
  selected.clear();
  for (std::size_t i = 0; i < count; ++i) {
    if (nearest_[i] <= bound) selected.push_back(from[i]);
  }
  return bound;
}

PaletteCandidates::List PaletteCandidates::ForBlockOf(int red, int green, int blue) {
  Block& block = blocks_[static_cast<std::size_t>((red >> 4) << 8 | (green >> 4) << 4 | blue >> 4)];
  if (block.start < 0) {
    Region& region =
        regions_[static_cast<std::size_t>((red >> 5) << 6 | (green >> 5) << 3 | blue >> 5)];
    if (region.indexes.empty()) {
      region.bound = Select(everyColour_.data(), everyColour_.size(),
                            {red & ~31, green & ~31, blue & ~31}, 32, region.indexes);
    }
    // A colour the region left out is farther from all of it than the region's bound, which is
    // no smaller than the block's: the block's bound holds for it too.
    block.bound = Select(region.indexes.data(), region.indexes.size(),
                         {red & ~15, green & ~15, blue & ~15}, 16, scratch_);
    block.start = static_cast<std::int32_t>(blockIndexes_.size());
    block.count = static_cast<std::int32_t>(scratch_.size());
    blockIndexes_.insert(blockIndexes_.end(), scratch_.begin(), scratch_.end());
  }
  return {&blockIndexes_[static_cast<std::size_t>(block.start)],
          static_cast<std::size_t>(block.count), block.bound};
}

}  // namespace imagelib
