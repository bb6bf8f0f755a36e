// The chunks of a WebP file up to its first picture. The reader shows the first frame only, so
// its demuxer is given just those bytes: an animation of a million frames costs nothing more
// than one of two.
#pragma once

#include <cstddef>

#include "imagelib/codec_support.h"

namespace imagelib {

// The length of the file's head that ends with its first picture chunk (ANMF, VP8 or VP8L),
// after checking that every chunk of the file lies within it; 0, with the reason recorded,
// when the file is cut or its chunks do not add up.
std::size_t WebpHeadBytes(ByteSpan data);

}  // namespace imagelib
