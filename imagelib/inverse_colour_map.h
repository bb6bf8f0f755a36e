// A table from colours to their nearest palette colour, for mapping many pixels quickly.
#pragma once

#include <cstdint>
#include <vector>

#include "imagelib/colour_quantiser.h"
#include "imagelib/palette_candidates.h"

namespace imagelib {

// Finds the palette colour nearest to a colour by squared RGB distance, exactly. The blocks of
// PaletteCandidates are cut into cells of 4 levels per channel; a cell is set up when a colour
// in it is first asked for (error diffusion reaches only part of the cube, and a small picture
// should not pay for all of it), keeping those of its block's candidates that can be nearest
// to something in it. Most cells keep up to three, packed into the cell's own entry, and are
// searched without a branch; a cell with more (where the palette is dense) is searched through
// its list, and gets the answer for each of its 64 colours once it has been asked often.
class InverseColourMap {
 public:
  // The palette must hold between 1 and 256 colours.
  explicit InverseColourMap(const std::vector<Rgb>& palette);

  // The index of the nearest palette colour; of equally near ones, the first.
  std::uint8_t Find(int red, int green, int blue) {
    return static_cast<std::uint8_t>(FindWithColour(red, green, blue) >> 24);
  }

  // The same index over the colour's 0xRRGGBB value, which error diffusion needs at once.
  std::uint32_t FindWithColour(int red, int green, int blue) {
    const std::size_t cell = CellOf(red, green, blue);
    const std::uint32_t entry = cells_[cell];
    if ((entry & kTagMask) - 1 < kMostListed) return NearestListed(entry, red, green, blue);
    if ((entry & kTagMask) == kAnswered) return Answered(entry, red, green, blue);
    return FindUnlisted(cell, red, green, blue);
  }

 private:
  // A cell's entry: its candidates' indexes in the three high bytes (the last repeated when
  // fewer) over their count; kLongList over the place of its longer list in longLists_;
  // kAnswered over where its answers start, in 64s; or 0 before it is set up.
  static constexpr std::uint32_t kTagMask = 0xff;
  static constexpr std::uint32_t kMostListed = 3;
  static constexpr std::uint32_t kLongList = 0xfe;
  static constexpr std::uint32_t kAnswered = 0xff;
  static constexpr std::size_t kColoursPerCell = 64;

  // Cells are numbered block by block, so that a block's cells share cache lines.
  static std::size_t CellOf(int red, int green, int blue) {
    return static_cast<std::size_t>((red & 0xf0) << 10 | (green & 0xf0) << 6 | (blue & 0xf0) << 2 |
                                    (red & 0x0c) << 2 | (green & 0x0c) | (blue & 0x0c) >> 2);
  }

  std::uint32_t NearestListed(std::uint32_t entry, int red, int green, int blue) const {
    auto distanceTo = [&](std::uint32_t colour) {
      const int redOffset = static_cast<int>(colour >> 16) - red;
      const int greenOffset = static_cast<int>(colour >> 8 & 0xff) - green;
      const int blueOffset = static_cast<int>(colour & 0xff) - blue;
      return redOffset * redOffset + greenOffset * greenOffset + blueOffset * blueOffset;
    };
    auto withIndex = [&](std::uint32_t index) { return index << 24 | packed_[index]; };
    const std::uint32_t first = withIndex(entry >> 8 & 0xff);
    const std::uint32_t second = withIndex(entry >> 16 & 0xff);
    const std::uint32_t third = withIndex(entry >> 24);
    const int firstDistance = distanceTo(first & 0xffffff);
    const int secondDistance = distanceTo(second & 0xffffff);
    const int thirdDistance = distanceTo(third & 0xffffff);
    const bool secondNearer = secondDistance < firstDistance;
    const std::uint32_t best = secondNearer ? second : first;
    const int bestDistance = secondNearer ? secondDistance : firstDistance;
    return thirdDistance < bestDistance ? third : best;
  }

  std::uint32_t Answered(std::uint32_t entry, int red, int green, int blue) const {
    const std::size_t colourInCell =
        static_cast<std::size_t>((red & 3) << 4 | (green & 3) << 2 | (blue & 3));
    const std::uint32_t index = answers_[(entry >> 8) * kColoursPerCell + colourInCell];
    return index << 24 | packed_[index];
  }

  // A list of more than kMostListed candidates, and how often its cell has been asked.
  struct LongList {
    std::uint32_t start;  // in longListIndexes_
    std::uint16_t count;
    std::uint16_t questions;
  };

  std::uint32_t FindUnlisted(std::size_t cell, int red, int green, int blue);
  void SetUpCell(std::size_t cell, int red, int green, int blue);
  // Replaces the cell's list by the answers for each of its colours.
  void Answer(std::size_t cell, const LongList& list, int red, int green, int blue);
  std::uint8_t NearestIn(const std::uint8_t* list, std::size_t count, int red, int green,
                         int blue) const;

  PaletteCandidates candidates_;
  // The palette as 0xRRGGBB values.
  std::vector<std::uint32_t> packed_;
  std::vector<std::uint32_t> cells_;
  std::vector<LongList> longLists_;
  std::vector<std::uint8_t> longListIndexes_;
  std::vector<std::uint8_t> answers_;
  // Scratch of SetUpCell.
  std::vector<std::uint8_t> selected_;
  std::vector<int> distances_;
};

}  // namespace imagelib
