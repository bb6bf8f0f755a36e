// A size cap's search: the highest quality up to the chosen one whose file fits, each quality
// tried encoded in memory, for the writers whose quality trades against bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "imagelib/codec_support.h"

namespace imagelib {

struct FittedFile {
  Bytes file;
  // False when even the lowest quality's file is larger than the cap; it is the file then.
  bool withinCap = false;
};

// The file of the highest quality in lowest..quality whose bytes are at most `maxBytes`, or the
// lowest quality's. Nothing when `encode` fails (gives no bytes).
std::optional<FittedFile> EncodeWithin(int lowest, int quality, std::uint64_t maxBytes,
                                       const std::function<Bytes(int quality)>& encode);

}  // namespace imagelib
