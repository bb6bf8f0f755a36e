// Shared first step of the pixel operations: reach the picture behind a handle in a form the
// operation can work on.
#pragma once

#include "imagelib/imagelib.h"
#include "imagelib/picture.h"

namespace imagelib {

// The picture behind a handle, expanded in place if it was stored run-length compressed; null
// for a handle that is not stored or a picture whose compressed data cannot be expanded.
Picture* FindExpanded(PictureHandle handle);

// The same, converted in place to 24 bits per pixel.
Picture* Find24Bit(PictureHandle handle);

}  // namespace imagelib
