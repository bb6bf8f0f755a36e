#include "imagelib/png_layout.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace imagelib {
namespace {

constexpr std::size_t kMostPaletteColours = 256;

// Colours as B | G << 8 | R << 16.
std::uint32_t Packed(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
  return std::uint32_t{blue} | std::uint32_t{green} << 8 | std::uint32_t{red} << 16;
}

bool IsGrey(std::uint32_t colour) {
  return (colour & 0xff) == ((colour >> 8) & 0xff) && (colour & 0xff) == colour >> 16;
}

// The distinct colours of a picture, as long as there are at most 256 of them.
class ColourSet {
 public:
  // False when the colour would be the 257th.
  bool Add(std::uint32_t colour) {
    // Slots hold the colour plus one, so that 0 marks a free slot.
    for (std::size_t at = (colour * 2654435761u) >> 22;; at = (at + 1) % kSlots) {
      if (slots_[at] == colour + 1) return true;
      if (slots_[at] != 0) continue;
      if (colours_.size() == kMostPaletteColours) return false;
      slots_[at] = colour + 1;
      colours_.push_back(colour);
      return true;
    }
  }
  std::vector<std::uint32_t> Sorted() {
    std::sort(colours_.begin(), colours_.end());
    return colours_;
  }

 private:
  static constexpr std::size_t kSlots = 1024;
  std::array<std::uint32_t, kSlots> slots_{};
  std::vector<std::uint32_t> colours_;
};

// The colours a picture uses: all of them when there are at most 256, and whether all are grey.
struct Census {
  std::vector<std::uint32_t> colours;
  bool few = true;
  bool grey = true;
};

std::uint32_t PaletteColour(const Picture& picture, std::size_t index) {
  if (index >= picture.palette.size()) return 0;  // indexes past the palette show black
  const PaletteEntry& entry = picture.palette[index];
  return Packed(entry.blue, entry.green, entry.red);
}

Census TakeCensus(const Picture& picture) {
  Census census;
  ColourSet set;
  if (picture.bitsPerPixel == 8) {
    std::array<bool, 256> used{};
    for (int y = 0; y < picture.height; ++y) {
      const std::uint8_t* row = picture.Row(y);
      for (int x = 0; x < picture.width; ++x) used[row[x]] = true;
    }
    for (std::size_t i = 0; i < used.size(); ++i) {
      if (!used[i]) continue;
      set.Add(PaletteColour(picture, i));
      census.grey = census.grey && IsGrey(PaletteColour(picture, i));
    }
    census.colours = set.Sorted();
    return census;
  }
  for (int y = 0; y < picture.height && (census.few || census.grey); ++y) {
    const std::uint8_t* pixel = picture.Row(y);
    std::uint32_t last = ~std::uint32_t{0};
    for (int x = 0; x < picture.width; ++x, pixel += 3) {
      const std::uint32_t colour = Packed(pixel[0], pixel[1], pixel[2]);
      if (colour == last) continue;
      last = colour;
      census.grey = census.grey && IsGrey(colour);
      census.few = census.few && set.Add(colour);
      if (!census.few && !census.grey) break;
    }
  }
  if (census.few) census.colours = set.Sorted();
  return census;
}

// True when fewer than half the pixels repeat their left neighbour, as in photographs and
// gradients; drawings and screenshots repeat most of theirs. Up to 64 rows spread over the
// picture decide.
bool LooksPhotographic(const Picture& picture) {
  const std::size_t bytes = static_cast<std::size_t>(picture.bitsPerPixel / 8);
  if (picture.width < 2) return false;
  const int step = std::max(1, picture.height / 64);
  std::int64_t repeated = 0;
  std::int64_t compared = 0;
  for (int y = 0; y < picture.height; y += step) {
    const std::uint8_t* row = picture.Row(y);
    for (int x = 1; x < picture.width; ++x) {
      repeated += std::memcmp(row + bytes * x, row + bytes * (x - 1), bytes) == 0 ? 1 : 0;
    }
    compared += picture.width - 1;
  }
  return repeated * 2 < compared;
}

// The fewest bits of grey that hold every level used: levels of 1, 2 and 4 bits are the
// multiples of 255, 85 and 17.
int GreyBits(const std::vector<std::uint32_t>& colours) {
  for (const int bits : {1, 2, 4}) {
    const std::uint32_t step = 255 / ((1u << bits) - 1);
    if (std::all_of(colours.begin(), colours.end(),
                    [step](std::uint32_t colour) { return (colour & 0xff) % step == 0; })) {
      return bits;
    }
  }
  return 8;
}

int IndexBits(std::size_t colours) {
  return colours <= 2 ? 1 : colours <= 4 ? 2 : colours <= 16 ? 4 : 8;
}

// The sample a colour is stored as: its grey level in the layout's bits, or its palette index.
std::uint8_t SampleOf(const PngLayout& layout, const std::vector<std::uint32_t>& colours,
                      std::uint32_t colour) {
  if (layout.colourType == PNG_COLOR_TYPE_GRAY) {
    return static_cast<std::uint8_t>((colour & 0xff) / (255 / ((1u << layout.bitDepth) - 1)));
  }
  return static_cast<std::uint8_t>(std::lower_bound(colours.begin(), colours.end(), colour) -
                                   colours.begin());
}

void FillSamples(const Picture& picture, const std::vector<std::uint32_t>& colours,
                 PngLayout& layout) {
  const std::size_t width = static_cast<std::size_t>(picture.width);
  layout.samples.resize(width * static_cast<std::size_t>(picture.height));
  std::uint8_t* out = layout.samples.data();
  if (picture.bitsPerPixel == 8) {
    std::array<std::uint8_t, 256> byIndex{};
    for (std::size_t i = 0; i < byIndex.size(); ++i) {
      byIndex[i] = SampleOf(layout, colours, PaletteColour(picture, i));
    }
    for (int y = 0; y < picture.height; ++y) {
      const std::uint8_t* row = picture.Row(y);
      for (std::size_t x = 0; x < width; ++x) *out++ = byIndex[row[x]];
    }
    return;
  }
  for (int y = 0; y < picture.height; ++y) {
    const std::uint8_t* pixel = picture.Row(y);
    std::uint32_t last = ~std::uint32_t{0};
    std::uint8_t sample = 0;
    for (std::size_t x = 0; x < width; ++x, pixel += 3) {
      const std::uint32_t colour = Packed(pixel[0], pixel[1], pixel[2]);
      if (colour != last) sample = SampleOf(layout, colours, colour);
      last = colour;
      *out++ = sample;
    }
  }
}

}  // namespace

PngLayout LayOutForPng(const Picture& picture) {
  PngLayout layout;
  layout.photographic = LooksPhotographic(picture);
  const Census census = TakeCensus(picture);
  if (!census.few) return layout;
  const int indexBits = IndexBits(census.colours.size());
  const int greyBits = census.grey ? GreyBits(census.colours) : 0;
  if (census.grey && greyBits <= indexBits) {
    layout.colourType = PNG_COLOR_TYPE_GRAY;
    layout.bitDepth = greyBits;
  } else {
    layout.colourType = PNG_COLOR_TYPE_PALETTE;
    layout.bitDepth = indexBits;
    for (const std::uint32_t colour : census.colours) {
      layout.palette.push_back({static_cast<png_byte>(colour >> 16),
                                static_cast<png_byte>((colour >> 8) & 0xff),
                                static_cast<png_byte>(colour & 0xff)});
    }
  }
  FillSamples(picture, census.colours, layout);
  return layout;
}

}  // namespace imagelib
