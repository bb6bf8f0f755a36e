// Palette selection for pictures with more colours than a palette can hold.
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

  // Up to `maxColours` (at most 256) colours that keep the squared error of the counted pixels
  // small: variance-minimising box splits, refined by a few rounds of k-means.
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

}  // namespace imagelib
