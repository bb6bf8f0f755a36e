// Run-length coding of palette pictures as stored in BMP files (BI_RLE8 and BI_RLE4).
#pragma once

#include "imagelib/codec_support.h"

namespace imagelib {

// Decodes a BI_RLE8 (`bitsPerIndex` 8) or BI_RLE4 (4) stream, rows from bottom to top, into
// the rows of an 8-bit picture whose pixels are already allocated and zeroed; pixels the
// stream skips keep index 0. Runs past the right edge are clipped. False when the stream
// ends before its end-of-picture code.
bool DecodeRle(ByteSpan stream, int bitsPerIndex, Picture& picture);

// The BI_RLE8 stream of an uncompressed 8-bit picture.
Bytes EncodeRle8(const Picture& picture);

}  // namespace imagelib
