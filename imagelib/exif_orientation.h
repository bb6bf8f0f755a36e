// Standing pictures upright as their Exif Orientation tag asks, as viewers show them.
#pragma once

#include <string_view>

#include "imagelib/codec_support.h"

namespace imagelib {

// The six bytes that start an Exif block in a JPEG segment.
inline constexpr std::string_view kExifHeader("Exif\0\0", 6);

// The Orientation (1 to 8) of an Exif block that starts with "Exif\0\0"; 1 when there is none
// or the block cannot be read.
int ExifOrientation(ByteSpan exif);

// Turns and mirrors a decoded picture from its stored layout into the one the orientation
// describes: 2 mirrored, 3 half-turned, 4 flipped, 5 transposed, 6 turned clockwise,
// 7 transversed, 8 turned anticlockwise. Other values leave it as it is.
void ApplyOrientation(Picture& picture, int orientation);

// True for the orientations that stand the stored picture on its side (5 to 8).
inline bool SwapsSides(int orientation) {
  return orientation >= 5 && orientation <= 8;
}

}  // namespace imagelib
