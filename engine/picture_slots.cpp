#include "engine/picture_slots.h"

int LoadSlot(PictureHandle& slot, const char* path, bool keepAlpha,
             const ResizedSizeRule& resizedTo) {
  ReleaseSlot(slot);
  slot = resizedTo   ? LoadPictureForResize(path, keepAlpha ? 1 : 0, resizedTo)
         : keepAlpha ? LoadPictureKeepingAlpha(path)
                     : LoadPicture(path);
  if (slot == 0) return 0;
  if (NeedsExpanding(slot)) ExpandPicture(slot);
  ConvertTo24Bit(slot);
  return 1;
}

void ReleaseSlot(PictureHandle& slot) {
  if (slot != 0) ReleasePicture(slot);
  slot = 0;
}
