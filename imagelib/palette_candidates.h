// For each part of the colour cube, the few palette colours that can be nearest to something in
// it: what a nearest-colour search needs to compare.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "imagelib/colour_quantiser.h"

namespace imagelib {

// The colour cube is cut into regions of 32 levels per channel and these into blocks of 16. A
// block's candidates are found when a colour in it is first asked for, from those of its
// region, found the same way from the whole palette, so that a search touching only part of
// the cube pays only for that part.
class PaletteCandidates {
 public:
  // The palette must hold between 1 and 256 colours.
  explicit PaletteCandidates(const std::vector<Rgb>& palette);

  struct List {
    const std::uint8_t* indexes;  // into the palette, in increasing order
    std::size_t count;
    // Every palette colour left out is farther than this squared distance from every colour
    // of the block.
    int bound;
  };
  // The candidates of the block holding the colour; valid until the next call.
  List ForBlockOf(int red, int green, int blue);

  const std::vector<Rgb>& Palette() const { return palette_; }

 private:
  // Into `selected`, the colours of `from` that can be nearest to something in the cube of
  // `size` levels per channel from `low`; returns the bound for those left out.
  int Select(const std::uint8_t* from, std::size_t count, const std::array<int, 3>& low, int size,
             std::vector<std::uint8_t>& selected);

  std::vector<Rgb> palette_;
  std::vector<std::uint8_t> everyColour_;
  // Per region, its candidates and bound; empty until a block in it is asked for.
  struct Region {
    std::vector<std::uint8_t> indexes;
    int bound = 0;
  };
  std::vector<Region> regions_;
  // Per block, where its candidates start in blockIndexes_, how many and their bound (start -1
  // until it is asked for).
  struct Block {
    std::int32_t start = -1;
    std::int32_t count = 0;
    int bound = 0;
  };
  std::vector<Block> blocks_;
  std::vector<std::uint8_t> blockIndexes_;
  // Scratch of ForBlockOf and Select.
  std::vector<std::uint8_t> scratch_;
  std::vector<int> nearest_;
};

}  // namespace imagelib
