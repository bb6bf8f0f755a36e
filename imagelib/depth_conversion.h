// Conversions between the picture depths, shared by the pixel operations and the encoders.
#pragma once

#include <optional>

#include "imagelib/imagelib.h"
#include "imagelib/picture.h"

namespace imagelib {

// Five bits widened to eight so that 0 and 31 become 0 and 255.
constexpr int WidenFiveBits(unsigned value) {
  return static_cast<int>(value << 3 | value >> 2);
}

// The colour of a 16-bit pixel: 5 bits each of red, green and blue from the high bits down.
constexpr ColourRef ColourOf555(unsigned value) {
  return MakeColour(WidenFiveBits(value >> 10 & 31), WidenFiveBits(value >> 5 & 31),
                    WidenFiveBits(value & 31));
}

// A 24-bit copy of an uncompressed 8-, 16- or 24-bit picture.
Picture ToBgr24(const Picture& picture);

// A 16-bit (5-5-5) copy of an uncompressed picture. Each channel is narrowed to 32 levels by
// error diffusion, so that smooth gradients do not band, always to one of the two levels around
// the pixel's own value; a picture whose values are all levels already (such as a 16-bit
// picture converted to 24 bits) is unchanged.
Picture ToBgr16(const Picture& picture);

// How the pixels of a picture with more than 256 colours are mapped to the chosen palette.
enum class Dithering {
  kNone,            // each pixel to its nearest palette colour
  kErrorDiffusion,  // serpentine Floyd-Steinberg, so that smooth gradients do not band
};

// An 8-bit palette copy of an uncompressed picture. A picture with at most 256 colours keeps
// them exactly; otherwise a quantiser chooses the palette and `dithering` maps the pixels to it.
// When `exactColour` is given, it is kept exactly in the palette, exactly once, and only pixels
// of exactly that colour map to its entry (so that it can serve as a GIF's transparent colour).
Picture QuantiseTo8Bit(const Picture& picture, std::optional<ColourRef> exactColour = std::nullopt,
                       Dithering dithering = Dithering::kErrorDiffusion);

}  // namespace imagelib
