// A walk over the markers of a JPEG file, which tells what decoding would face before anything
// is decoded or allocated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "imagelib/codec_support.h"

namespace imagelib {

struct JpegLayout {
  // Start-of-scan markers before the end of the image.
  int scans = 0;
  // Bytes of entropy-coded data in all scans; markers, segments, fill bytes and anything after
  // the end of the image are not counted, so padding adds nothing.
  std::uint64_t entropyBytes = 0;
  // The 8x8 blocks of all components of the frame, and the sum over all scans of the blocks
  // each scan covers: the work of decoding grows with the latter.
  std::uint64_t frameBlocks = 0;
  std::uint64_t scanBlocks = 0;
  // Where the end-of-image marker stands; 0 when the data ends without one.
  std::size_t endOfImage = 0;
  // The frame is arithmetic-coded.
  bool arithmetic = false;
  // Every component of the frame has a scan that starts its coefficients (a sequential scan
  // or a progressive DC scan); without one, the decoder would show the component as grey.
  bool everyComponentCoded = true;
};

// The layout of a file that starts with a start-of-image marker; nothing otherwise. Damage
// inside the file is left for the decoder to find.
std::optional<JpegLayout> WalkJpegMarkers(ByteSpan data);

}  // namespace imagelib
