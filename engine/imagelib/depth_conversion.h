// Conversions between the picture depths, shared by the pixel operations and the encoders.
#pragma once

#include <optional>

#include "engine/imagelib/imagelib.h"
#include "engine/imagelib/picture.h"

namespace imagelib {

// A 24-bit copy of an uncompressed 8-, 16- or 24-bit picture.
Picture ToBgr24(const Picture& picture);

// An 8-bit palette copy of an uncompressed picture. A picture with at most 256 colours keeps
// them exactly; otherwise a quantiser chooses the palette. When `exactColour` is given and
// occurs in the picture, it is kept exactly in the palette and only pixels of exactly that
// colour map to its entry (so that it can serve as a GIF's transparent colour).
Picture QuantiseTo8Bit(const Picture& picture, std::optional<ColourRef> exactColour = std::nullopt);

}  // namespace imagelib
