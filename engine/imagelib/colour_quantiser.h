// Palette selection for pictures with more colours than a palette can hold, and the search for
// the palette colour nearest to a given colour.
#pragma once

#include <cstdint>
#include <vector>

namespace imagelib {

struct Rgb {
  int red = 0;
  int green = 0;
  int blue = 0;

  bool operator==(const Rgb&) const = default;
};

// Collects the colours of 24-bit pixels (B, G, R bytes) and chooses a palette for them.
class ColourQuantiser {
 public:
  ColourQuantiser();

  // Counts `count` pixels starting at `bgr`. A pixel equal to `skipped` (0x00BBGGRR) is left
  // out when `skipping` is true.
  void AddPixels(const std::uint8_t* bgr, int count, bool skipping, std::uint32_t skipped);

  // Up to `maxColours` colours that keep the squared error of the counted pixels small:
  // variance-minimising box splits, refined by a few rounds of k-means.
  std::vector<Rgb> ChoosePalette(int maxColours) const;

 private:
  // Colours are counted in bins of 6 bits per channel; each bin keeps the exact sums of its
  // pixels, so its mean colour is exact. Only occupied bins are kept, reached through a table
  // of indexes (-1 for none), which keeps the cost small for small pictures.
  struct Bin {
    std::uint64_t count = 0;
    std::uint64_t red = 0;
    std::uint64_t green = 0;
    std::uint64_t blue = 0;
  };
  std::vector<std::int32_t> binIndexes_;
  std::vector<Bin> bins_;
};

// Finds the nearest palette colour by squared RGB distance. The colour cube is cut into cells
// of 32 levels per channel; the first query in a cell lists the few palette colours that can
// be nearest to anything in it, and queries compare against that list only.
class NearestColourFinder {
 public:
  explicit NearestColourFinder(const std::vector<Rgb>& palette);

  // The index (into the palette given to the constructor) of the colour nearest to `colour`.
  // The palette must not be empty. `guess`, when a valid index, is a likely answer (such as the
  // neighbouring pixel's) that lets the search skip most of the list, and wins ties. Sets
  // `othersAtLeast` to a squared distance no other palette colour is nearer than.
  int Find(const Rgb& colour, int guess, int& othersAtLeast);

 private:
  const std::vector<std::uint16_t>& CandidatesFor(int cell, const Rgb& colour);

  std::vector<Rgb> palette_;
  // Per cell, the palette indexes that can be nearest; empty until the cell is first queried.
  std::vector<std::vector<std::uint16_t>> candidates_;
  // Per cell, a squared distance that every colour left out of its list is farther than.
  std::vector<int> bounds_;
};

}  // namespace imagelib
