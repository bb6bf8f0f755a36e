#include "imagelib/depth_conversion.h"

#include <algorithm>
#include <array>

#include "imagelib/colour_quantiser.h"
#include "imagelib/error_diffusion.h"
#include "imagelib/inverse_colour_map.h"

namespace imagelib {
namespace {

constexpr int kPaletteSize = 256;

Picture BlankLike(const Picture& picture, int bitsPerPixel) {
  Picture result;
  result.width = picture.width;
  result.height = picture.height;
  result.bitsPerPixel = bitsPerPixel;
  result.pixels.assign(result.Stride() * static_cast<std::size_t>(result.height), 0);
  return result;
}

// Eight bits narrowed to the nearest of 32 levels.
constexpr unsigned NarrowToFiveBits(unsigned value) {
  return (value * 31 + 127) / 255;
}

// The 5-bit levels just below and just above an 8-bit value; both the same when the value is
// a widened level, so that a picture of such values is kept exactly.
struct FiveBitLevels {
  unsigned below = 0;
  unsigned above = 0;
};
constexpr std::array<FiveBitLevels, 256> MakeLevelsAround() {
  std::array<FiveBitLevels, 256> levels{};
  for (unsigned value = 0; value < 256; ++value) {
    unsigned level = 0;
    while (level < 31 && static_cast<unsigned>(WidenFiveBits(level + 1)) <= value) ++level;
    const bool exact = static_cast<unsigned>(WidenFiveBits(level)) == value;
    levels[value] = {level, exact ? level : level + 1};
  }
  return levels;
}
constexpr std::array<FiveBitLevels, 256> kLevelsAround = MakeLevelsAround();

std::uint32_t ColourAt(const std::uint8_t* bgr) {
  return bgr[2] | static_cast<std::uint32_t>(bgr[1]) << 8 |
         static_cast<std::uint32_t>(bgr[0]) << 16;
}

// Up to 256 distinct colours, found with a small open-addressing table.
class DistinctColours {
 public:
  // Adds a colour; false once the table holds more than 256 colours.
  bool Add(std::uint32_t colour) {
    std::size_t slot = Hash(colour);
    while (slots_[slot] != kEmpty) {
      if (slots_[slot] == colour) return true;
      slot = (slot + 1) & kMask;
    }
    if (colours_.size() == kPaletteSize) return false;
    slots_[slot] = colour;
    indexes_[slot] = static_cast<std::uint8_t>(colours_.size());
    colours_.push_back(colour);
    return true;
  }
  // The palette index of a colour that was added.
  std::uint8_t IndexOf(std::uint32_t colour) const {
    std::size_t slot = Hash(colour);
    while (slots_[slot] != colour) slot = (slot + 1) & kMask;
    return indexes_[slot];
  }
  const std::vector<std::uint32_t>& Colours() const { return colours_; }

 private:
  static constexpr std::size_t kSlots = 1024;
  static constexpr std::size_t kMask = kSlots - 1;
  static constexpr std::uint32_t kEmpty = 0xffffffff;  // never a 24-bit colour
  static std::size_t Hash(std::uint32_t colour) { return (colour * 2654435761u) >> 22 & kMask; }

  std::array<std::uint32_t, kSlots> slots_ = MakeEmptySlots();
  std::array<std::uint8_t, kSlots> indexes_{};
  std::vector<std::uint32_t> colours_;

  static std::array<std::uint32_t, kSlots> MakeEmptySlots() {
    std::array<std::uint32_t, kSlots> slots;
    slots.fill(kEmpty);
    return slots;
  }
};

PaletteEntry EntryOf(std::uint32_t colour) {
  return {static_cast<std::uint8_t>(BlueOf(colour)), static_cast<std::uint8_t>(GreenOf(colour)),
          static_cast<std::uint8_t>(RedOf(colour)), 0};
}

// The palette of a picture with at most 256 colours, each pixel mapped exactly.
Picture IndexExactly(const Picture& source, const DistinctColours& distinct) {
  Picture result = BlankLike(source, 8);
  for (std::uint32_t colour : distinct.Colours()) result.palette.push_back(EntryOf(colour));
  for (int y = 0; y < source.height; ++y) {
    const std::uint8_t* in = source.Row(y);
    std::uint8_t* out = result.Row(y);
    for (int x = 0; x < source.width; ++x) out[x] = distinct.IndexOf(ColourAt(in + 3 * x));
  }
  return result;
}

// A chosen palette for a picture with more than 256 colours. A kept exact colour takes the
// last entry, and no other entry may equal it, so that a search of the palette finds it alone.
Picture IndexByQuantiser(const Picture& source, std::optional<ColourRef> exactColour,
                         Dithering dithering) {
  bool keeping = exactColour.has_value();
  ColourRef kept = keeping ? *exactColour : 0;
  ColourQuantiser quantiser;
  for (int y = 0; y < source.height; ++y) {
    quantiser.AddPixels(source.Row(y), source.width, keeping, kept);
  }
  std::vector<Rgb> chosen = quantiser.ChoosePalette(keeping ? kPaletteSize - 1 : kPaletteSize);
  if (keeping) {
    Rgb keptRgb{RedOf(kept), GreenOf(kept), BlueOf(kept)};
    for (Rgb& colour : chosen) {
      if (colour == keptRgb) colour.blue += colour.blue < 255 ? 1 : -1;
    }
  }
  Picture result = BlankLike(source, 8);
  for (const Rgb& colour : chosen) {
    result.palette.push_back(EntryOf(MakeColour(colour.red, colour.green, colour.blue)));
  }
  auto keptIndex = static_cast<std::uint8_t>(result.palette.size());
  if (keeping) result.palette.push_back(EntryOf(kept));
  if (dithering == Dithering::kErrorDiffusion) {
    // Pixels of the kept colour take its entry and pass no error on.
    InverseColourMap nearest(chosen);
    DiffuseErrors(source, [&](int y, int x, const std::uint8_t* pixel, std::array<int, 3>& colour) {
      std::uint8_t& out = result.Row(y)[x];
      if (keeping && ColourAt(pixel) == kept) {
        out = keptIndex;
        return false;
      }
      const std::uint32_t found = nearest.FindWithColour(colour[2], colour[1], colour[0]);
      out = static_cast<std::uint8_t>(found >> 24);
      colour = {static_cast<int>(found & 0xff), static_cast<int>(found >> 8 & 0xff),
                static_cast<int>(found >> 16 & 0xff)};
      return true;
    });
    return result;
  }
  InverseColourMap nearest(chosen);
  for (int y = 0; y < source.height; ++y) {
    const std::uint8_t* in = source.Row(y);
    std::uint8_t* out = result.Row(y);
    for (int x = 0; x < source.width; ++x) {
      const std::uint8_t* pixel = in + 3 * x;
      out[x] = keeping && ColourAt(pixel) == kept ? keptIndex
                                                  : nearest.Find(pixel[2], pixel[1], pixel[0]);
    }
  }
  return result;
}

}  // namespace

Picture ToBgr24(const Picture& picture) {
  if (picture.bitsPerPixel == 24) return picture;
  Picture result = BlankLike(picture, 24);
  for (int y = 0; y < picture.height; ++y) {
    const std::uint8_t* in = picture.Row(y);
    std::uint8_t* out = result.Row(y);
    for (int x = 0; x < picture.width; ++x, out += 3) {
      if (picture.bitsPerPixel == 16) {
        ColourRef colour = ColourOf555(in[2 * x] | unsigned{in[2 * x + 1]} << 8);
        out[0] = static_cast<std::uint8_t>(BlueOf(colour));
        out[1] = static_cast<std::uint8_t>(GreenOf(colour));
        out[2] = static_cast<std::uint8_t>(RedOf(colour));
      } else if (in[x] < picture.palette.size()) {
        // An index beyond the palette reads as black.
        const PaletteEntry& entry = picture.palette[in[x]];
        out[0] = entry.blue;
        out[1] = entry.green;
        out[2] = entry.red;
      }
    }
  }
  return result;
}

Picture ToBgr16(const Picture& picture) {
  Picture widened;
  const Picture& source = picture.bitsPerPixel == 24 ? picture : (widened = ToBgr24(picture));
  Picture result = BlankLike(source, 16);
  DiffuseErrors(source, [&](int y, int x, const std::uint8_t* pixel, std::array<int, 3>& colour) {
    unsigned value = 0;
    for (std::size_t channel = 0; channel < 3; ++channel) {
      // The level nearest to the wanted value, but never beyond the two around the pixel's own.
      const FiveBitLevels& around = kLevelsAround[pixel[channel]];
      const unsigned level = std::clamp(NarrowToFiveBits(static_cast<unsigned>(colour[channel])),
                                        around.below, around.above);
      colour[channel] = WidenFiveBits(level);
      value |= level << (5 * channel);
    }
    std::uint8_t* out = result.Row(y) + 2 * x;
    out[0] = static_cast<std::uint8_t>(value & 0xff);
    out[1] = static_cast<std::uint8_t>(value >> 8);
    return true;
  });
  return result;
}

Picture QuantiseTo8Bit(const Picture& picture, std::optional<ColourRef> exactColour,
                       Dithering dithering) {
  if (picture.bitsPerPixel == 8 && !exactColour) return picture;
  Picture widened;
  const Picture& source = picture.bitsPerPixel == 24 ? picture : (widened = ToBgr24(picture));
  DistinctColours distinct;
  // A kept colour is always in the palette, so it is counted like a colour of the picture.
  bool fewColours = !exactColour || distinct.Add(*exactColour);
  for (int y = 0; y < source.height && fewColours; ++y) {
    const std::uint8_t* row = source.Row(y);
    for (int x = 0; x < source.width && fewColours; ++x)
      fewColours = distinct.Add(ColourAt(row + 3 * x));
  }
  if (fewColours) return IndexExactly(source, distinct);
  return IndexByQuantiser(source, exactColour, dithering);
}

}  // namespace imagelib
