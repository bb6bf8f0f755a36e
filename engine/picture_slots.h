// Picture slots: the handle fields of AppState (workImage, frameImages[i]) that hold the
// picture being converted. Each operation acts on the picture held in one slot.
#pragma once

#include "imagelib/imagelib.h"

// Loads the picture at `path` into the slot (releasing what it held) and brings it to 24 bits
// per pixel, keeping its alpha when `keepAlpha`. With `resizedTo`, the picture is resized next
// and may be decoded reduced (LoadPictureForResize). 1 on success, 0 when the file cannot be
// decoded (the slot is then empty).
int LoadSlot(PictureHandle& slot, const char* path, bool keepAlpha,
             const ResizedSizeRule& resizedTo = {});

// Releases the slot's picture, if any, and empties the slot.
void ReleaseSlot(PictureHandle& slot);
