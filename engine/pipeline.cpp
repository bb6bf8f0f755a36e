#include "engine/pipeline.h"

#include <new>

#include "base/show_message.h"
#include "engine/colour_numbers.h"
#include "engine/encoders.h"
#include "engine/filters.h"
#include "engine/picture_slots.h"
#include "state/app_state.h"

namespace {

bool LoadSource(PictureHandle& slot, const PictureRecord& source) {
  if (LoadSlot(slot, source.path)) return true;
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
  ResizePicture(slot, target.width, target.height);
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

int ConvertSingleStep() {
  AppState* state = GetAppState();
  const PictureRecord& target = *state->target;
  PictureHandle& slot = state->workImage;
  if (!LoadSource(slot, *state->source)) return 0;
  ApplyFilter(slot, target.FILTER_TYPE);
  Crop(slot, target);
  Rotate(slot, target);
  Resize(slot, target);
  int saved = SaveByFormat();
  ReleaseSlot(slot);
  return saved != 0 ? 1 : 0;
}

int ConvertFrameStep(int index, int isLast) {
  AppState* state = GetAppState();
  if (index < 0 || index >= kFrameSlotCount) return 0;
  const PictureRecord& target = *state->target;
  PictureHandle& slot = state->frameImages[index];
  if (!LoadSource(slot, *state->source)) return 0;
  ApplyFilter(slot, target.FILTER_TYPE);
  Crop(slot, target);
  // Frames are brought to their common size before they turn.
  Resize(slot, target);
  Rotate(slot, target);
  if (isLast == 0) return 1;
  if (!SaveAnimation()) return 0;
  for (int i = 0; i < state->paths->itemCount && i < kFrameSlotCount; ++i) {
    ReleaseSlot(state->frameImages[i]);
  }
  return 1;
}

}  // namespace

int ConvertSingle() {
  const int result = WithinMemory(*GetAppState()->source, ConvertSingleStep);
  // A picture left in the slot by a failed step is released.
  if (result == 0) ReleaseSlot(GetAppState()->workImage);
  return result;
}

int ConvertFrame(int index, int isLast) {
  return WithinMemory(*GetAppState()->source, [=] { return ConvertFrameStep(index, isLast); });
}

int ConvertPicture(int index, int isLast) {
  AppState* state = GetAppState();
  const PictureRecord& target = *state->target;
  bool animated = target.DIB_TYPE == kFormatGif && target.GIF_ANIMA != 0;
  int result = animated ? ConvertFrame(index, isLast) : ConvertSingle();
  if (result == 0) ReleaseAllImages(state);
  return result;
}
