// A table from colours to their nearest palette colour, for mapping many pixels quickly.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "engine/imagelib/colour_quantiser.h"

namespace imagelib {

// Finds the palette colour nearest to a colour by squared RGB distance, exactly. The colour
// cube is cut into blocks of 16 levels per channel and these into cells of 4. A block is set up
// when a colour in it is first asked for (error diffusion reaches only part of the cube, and a
// small picture should not pay for all of it), from the candidates of the larger region around
// it: each cell gets the few palette colours that can
// be nearest to something in it, and most get just one, which answers without a search. A cell
// with a long list (where the palette is dense) gets the answer for each of its 64 colours when
// it is first asked.
class InverseColourMap {
 public:
  // The palette must hold between 1 and 256 colours.
  explicit InverseColourMap(const std::vector<Rgb>& palette);

  // The index of the nearest palette colour; of equally near ones, the first.
  std::uint8_t Find(int red, int green, int blue) {
    Block& block =
        blocks_[static_cast<std::size_t>((red >> 4) << 8 | (green >> 4) << 4 | blue >> 4)];
    if (block.cells < 0) Fill(block, red & ~15, green & ~15, blue & ~15);
    const int cell = (red >> 2 & 3) << 4 | (green >> 2 & 3) << 2 | (blue >> 2 & 3);
    if ((block.uncertain >> cell & 1) == 0) {
      return cells_[static_cast<std::size_t>(block.cells + cell)];
    }
    return FindInCell(block, cell, red, green, blue);
  }

 private:
  struct Block {
    std::int32_t cells = -1;      // where its 64 cells start in cells_; -1 until it is set up
    std::int32_t lists = 0;       // where the entries of its uncertain cells start in lists_
    std::uint64_t uncertain = 0;  // a bit for each cell that has more than one candidate
  };

  void Fill(Block& block, int red, int green, int blue);
  // Into `selected`, the colours of `from` that can be nearest to something in the cube of
  // `size` levels per channel from `low`.
  void SelectCandidates(const std::vector<std::uint8_t>& from, const std::array<int, 3>& low,
                        int size, std::vector<std::uint8_t>& selected) const;
  std::uint8_t FindInCell(const Block& block, int cell, int red, int green, int blue);

  std::vector<Rgb> palette_;
  std::vector<Block> blocks_;
  std::vector<std::uint8_t> everyColour_;
  // Per region of 32 levels per channel (2 x 2 x 2 blocks), its candidates; empty until a
  // block in it is set up.
  std::vector<std::vector<std::uint8_t>> regions_;
  // Per cell, the palette index nearest to it (for a certain cell, to all of it).
  std::vector<std::uint8_t> cells_;
  // Per uncertain cell, in order: where its list of candidates starts in candidates_, times
  // 256, plus the list's length less one; or, with kAnswered, where its 64 answers start in
  // answers_.
  std::vector<std::uint32_t> lists_;
  std::vector<std::uint8_t> candidates_;
  std::vector<std::uint8_t> answers_;
  // Scratch of Fill: the palette colours that may be nearest in the block, and their distances
  // to the cell centres.
  std::vector<std::uint8_t> blockCandidates_;
  std::vector<std::array<int, 64>> distances_;
};

}  // namespace imagelib
