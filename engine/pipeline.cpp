#include "engine/pipeline.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "base/show_message.h"
#include "engine/colour_numbers.h"
#include "engine/encoders.h"
#include "engine/filters.h"
#include "engine/output_size.h"
#include "engine/picture_slots.h"

namespace {

bool LoadSource(PictureHandle& slot, const PictureRecord& source, const PictureRecord& target) {
  if (LoadSlot(slot, source.path, StoresAlpha(target.DIB_TYPE))) return true;
  ShowMessage("[%s]\nがオープンできませんでした！", source.path);
  return false;
}

void Crop(PictureHandle& slot, const PictureRecord& target) {
  if (target.CUT_TYPE == 0) return;
  // The library replaces the picture: the new handle takes the old one's place in the slot.
  slot = CropPicture(slot, target.cropX, target.cropY, target.cropWidth, target.cropHeight);
}

void Rotate(PictureHandle slot, const PictureRecord& target) {
  if (target.ANGLE_VAL == 0) return;
  RotatePicture(slot, target.ANGLE_VAL * 1000, ColourByNumber(target.ANGLE_COLOR + 1));
}

void Resize(PictureHandle slot, const PictureRecord& target) {
  if (target.RESIZE_TYPE == 0) return;
  PixelSize size{target.width, target.height};
  BitmapInfoHeader header{};
  if ((target.RESIZE_FIT != kResizeStretch || target.NO_ENLARGE != 0) &&
      GetPictureHeader(slot, &header)) {
    const PixelSize picture{header.biWidth, header.biHeight};
    size = OutputSize(picture, size, target.RESIZE_FIT, target.NO_ENLARGE != 0);
    if (size == picture) return;
  }
  // A size past what a picture can have is the library's to refuse.
  ResizePicture(slot, static_cast<int>(std::min<std::int64_t>(size.width, INT32_MAX)),
                static_cast<int>(std::min<std::int64_t>(size.height, INT32_MAX)));
}

// The source's Exif, made for the converted picture, goes with it into formats that have a
// place for it (EXIF_KEEP); pictures carry none otherwise.
void KeepExif(PictureHandle slot, const PictureRecord& source, const PictureRecord& target) {
  if (target.EXIF_KEEP != 0 && StoresExif(target.DIB_TYPE)) {
    KeepSourceExif(slot, source.path, target.EXIF_KEEP);
  }
}

// Runs one conversion step. Running out of memory fails that picture with its own message (and
// the caller's usual failure handling) instead of ending the program.
template <typename Step>
int WithinMemory(const PictureRecord& source, Step step) {
  try {
    return step();
  } catch (const std::bad_alloc&) {
    ShowMessage("[%s]\nを変換するためのメモリが足りません！", source.path);
    return 0;
  }
}

int ConvertSingleStep(const PictureRecord& source, const PictureRecord& target,
                      PictureHandle& slot) {
  if (!LoadSource(slot, source, target)) return 0;
  ApplyFilter(slot, target.FILTER_TYPE);
  Crop(slot, target);
  Rotate(slot, target);
  Resize(slot, target);
  KeepExif(slot, source, target);
  const int saved = SaveByFormat(slot, target);
  ReleaseSlot(slot);
  return saved;
}

int PrepareFrameStep(const PictureRecord& source, const PictureRecord& target,
                     std::span<PictureHandle> frames, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= frames.size()) return 0;
  PictureHandle& slot = frames[static_cast<std::size_t>(index)];
  if (!LoadSource(slot, source, target)) return 0;
  ApplyFilter(slot, target.FILTER_TYPE);
  Crop(slot, target);
  // Frames are brought to their common size before they turn.
  Resize(slot, target);
  Rotate(slot, target);
  return 1;
}

int ConvertFrameStep(int index, int isLast) {
  AppState* state = GetAppState();
  const PictureRecord& target = *state->target;
  if (!PrepareFrameStep(*state->source, target, state->frameImages, index)) return 0;
  if (isLast == 0) return 1;
  if (!SaveAnimation()) return 0;
  for (int i = 0; i < state->paths->itemCount && i < kFrameSlotCount; ++i) {
    ReleaseSlot(state->frameImages[i]);
  }
  return 1;
}

}  // namespace

int ConvertSingleWith(const PictureRecord& source, const PictureRecord& target,
                      PictureHandle& slot) {
  const int result = WithinMemory(source, [&] { return ConvertSingleStep(source, target, slot); });
  // A picture left in the slot by a failed step is released.
  if (result == 0) ReleaseSlot(slot);
  return result;
}

int PrepareFrameWith(const PictureRecord& source, const PictureRecord& target,
                     std::span<PictureHandle> frames, int index) {
  return WithinMemory(source, [&] { return PrepareFrameStep(source, target, frames, index); });
}

int SaveAnimationWith(const PictureRecord& source, const PictureRecord& target,
                      std::span<const PictureHandle> frames) {
  return WithinMemory(source, [&] { return SaveAnimation(frames, target); });
}

int ConvertSingle() {
  AppState* state = GetAppState();
  return ConvertSingleWith(*state->source, *state->target, state->workImage);
}

int ConvertFrame(int index, int isLast) {
  return WithinMemory(*GetAppState()->source, [=] { return ConvertFrameStep(index, isLast); });
}
