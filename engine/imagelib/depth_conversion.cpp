#include "engine/imagelib/depth_conversion.h"

#include <algorithm>
#include <array>

#include "engine/imagelib/colour_quantiser.h"

namespace imagelib {
namespace {

constexpr int kPaletteSize = 256;
// The most error, in levels per channel, that dithering adds to one pixel.
constexpr int kLargestCarriedError = 32;

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

// Maps colours to palette indexes through the nearest-colour search, remembering recent
// answers: neighbouring pixels of a photograph repeat colours often.
class CachedNearestColour {
 public:
  explicit CachedNearestColour(const std::vector<Rgb>& palette)
      : finder_(palette), keys_(kSlots, kEmpty), values_(kSlots) {}
  int Find(std::uint32_t colour) {
    std::size_t slot = (colour * 2654435761u) >> 16 & (kSlots - 1);
    if (keys_[slot] != colour) {
      keys_[slot] = colour;
      // The previous pixel's answer is usually right or close for this one.
      lastIndex_ = finder_.Find({RedOf(colour), GreenOf(colour), BlueOf(colour)}, lastIndex_);
      values_[slot] = static_cast<std::uint8_t>(lastIndex_);
    }
    return values_[slot];
  }

 private:
  static constexpr std::size_t kSlots = 1 << 16;
  static constexpr std::uint32_t kEmpty = 0xffffffff;
  NearestColourFinder finder_;
  std::vector<std::uint32_t> keys_;
  std::vector<std::uint8_t> values_;
  int lastIndex_ = -1;
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

// Maps each pixel to the nearest palette colour after adding the error left by its already
// mapped neighbours (Floyd-Steinberg weights 7, 3, 5 and 1 sixteenths), going left to right on
// even rows and right to left on odd ones so that the error does not drift one way. The error a
// pixel receives is limited, which keeps strong edges from smearing into their neighbours, and
// the sum is clamped to the colour cube. Pixels of the kept colour take its entry and pass no
// error on.
void DiffuseErrors(const Picture& source, const std::vector<Rgb>& palette,
                   std::optional<std::uint32_t> kept, std::uint8_t keptIndex, Picture& result) {
  CachedNearestColour nearest(palette);
  // Errors in sixteenths, per channel (blue, green, red), for this row and the next, with one
  // spare pixel at each end so that the edges need no tests.
  const std::size_t rowLength = 3 * (static_cast<std::size_t>(source.width) + 2);
  std::vector<int> thisRow(rowLength, 0);
  std::vector<int> nextRow(rowLength, 0);
  for (int y = 0; y < source.height; ++y) {
    const std::uint8_t* in = source.Row(y);
    std::uint8_t* out = result.Row(y);
    const int step = y % 2 == 0 ? 1 : -1;
    for (int i = 0; i < source.width; ++i) {
      const int x = step > 0 ? i : source.width - 1 - i;
      const std::uint8_t* pixel = in + 3 * x;
      if (kept && ColourAt(pixel) == *kept) {
        out[x] = keptIndex;
        continue;
      }
      int* error = &thisRow[3 * static_cast<std::size_t>(x + 1)];
      int wanted[3];
      for (int channel = 0; channel < 3; ++channel) {
        const int carried =
            std::clamp((error[channel] + 8) >> 4, -kLargestCarriedError, kLargestCarriedError);
        wanted[channel] = std::clamp(pixel[channel] + carried, 0, 255);
      }
      const int index =
          nearest.Find(static_cast<std::uint32_t>(wanted[2] | wanted[1] << 8 | wanted[0] << 16));
      out[x] = static_cast<std::uint8_t>(index);
      const Rgb& chosen = palette[static_cast<std::size_t>(index)];
      const int left[3] = {wanted[0] - chosen.blue, wanted[1] - chosen.green,
                           wanted[2] - chosen.red};
      int* below = &nextRow[3 * static_cast<std::size_t>(x + 1)];
      for (int channel = 0; channel < 3; ++channel) {
        error[channel + 3 * step] += 7 * left[channel];
        below[channel - 3 * step] += 3 * left[channel];
        below[channel] += 5 * left[channel];
        below[channel + 3 * step] += left[channel];
      }
    }
    std::swap(thisRow, nextRow);
    std::fill(nextRow.begin(), nextRow.end(), 0);
  }
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
    DiffuseErrors(source, chosen, exactColour, keptIndex, result);
    return result;
  }
  CachedNearestColour nearest(chosen);
  for (int y = 0; y < source.height; ++y) {
    const std::uint8_t* in = source.Row(y);
    std::uint8_t* out = result.Row(y);
    for (int x = 0; x < source.width; ++x) {
      std::uint32_t colour = ColourAt(in + 3 * x);
      out[x] =
          keeping && colour == kept ? keptIndex : static_cast<std::uint8_t>(nearest.Find(colour));
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
  Picture source = ToBgr24(picture);
  Picture result = BlankLike(source, 16);
  for (int y = 0; y < source.height; ++y) {
    const std::uint8_t* in = source.Row(y);
    std::uint8_t* out = result.Row(y);
    for (int x = 0; x < source.width; ++x, in += 3, out += 2) {
      unsigned value =
          NarrowToFiveBits(in[2]) << 10 | NarrowToFiveBits(in[1]) << 5 | NarrowToFiveBits(in[0]);
      out[0] = static_cast<std::uint8_t>(value & 0xff);
      out[1] = static_cast<std::uint8_t>(value >> 8);
    }
  }
  return result;
}

Picture QuantiseTo8Bit(const Picture& picture, std::optional<ColourRef> exactColour,
                       Dithering dithering) {
  if (picture.bitsPerPixel == 8 && !exactColour) return picture;
  Picture source = ToBgr24(picture);
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
