// LZW decoding of GIF images whose minimum code size is 9 to 11, for pictures of at most 256
// colours coded with wider codes than their colours need. giflib refuses any minimum code size
// above 8, though such files are valid and read elsewhere; those of 8 and below stay with giflib.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imagelib/codec_support.h"

namespace imagelib {

inline constexpr int kLeastWideLzwCodeSize = 9;
inline constexpr int kMostWideLzwCodeSize = 11;

// Decodes `pixels` palette indexes from the data sub-blocks at the start of `data`, coded with
// the given minimum code size, into `indexes` (which grows as they are decoded). False when
// the data is damaged or ends before the last pixel, or when a pixel is past index 255.
bool DecodeWideLzw(ByteSpan data, int minimumCodeSize, std::size_t pixels,
                   std::vector<std::uint8_t>& indexes);

}  // namespace imagelib
