#include "engine/pipeline.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <string>

#include "base/show_message.h"
#include "engine/colour_numbers.h"
#include "engine/encoders.h"
#include "engine/filters.h"
#include "engine/output_size.h"
#include "engine/picture_slots.h"
#include "engine/smaller_output.h"

namespace {

// Fills `failure` with why `step` failed: what the library said, or that the step could not be
// done. A reason about the picture names its file; one about writing names its own place.
bool StepFailed(std::string* failure, const char* step, const PictureRecord& source) {
  if (failure == nullptr) return false;
  *failure = LastFailureReason();
  if (failure->empty()) *failure = std::string(step) + "できませんでした";
  if (LastFailureIsWriting() == 0) *failure += std::string(":\n[") + source.path + "]";
  return false;
}

// A picture that goes to the resize step as it was loaded may be decoded at any size that still
// covers the resize's result.
bool ResizesAsLoaded(const PictureRecord& target) {
  return target.RESIZE_TYPE != 0 && KeepsShapeAsLoaded(target);
}

ResizedSizeRule ResizeOnLoad(const PictureRecord& target) {
  if (!ResizesAsLoaded(target)) return {};
  return [target](PictureSize shown) {
    const PixelSize size = ResizedSize({shown.width, shown.height}, target);
    return PictureSize{static_cast<int>(std::min<std::int64_t>(size.width, INT32_MAX)),
                       static_cast<int>(std::min<std::int64_t>(size.height, INT32_MAX))};
  };
}

bool LoadSlotFor(PictureHandle& slot, const PictureRecord& source, const PictureRecord& target) {
  return LoadSlot(slot, source.path, StoresAlpha(target.DIB_TYPE), ResizeOnLoad(target)) != 0;
}

bool LoadSource(PictureHandle& slot, const PictureRecord& source, const PictureRecord& target) {
  if (LoadSlotFor(slot, source, target)) return true;
  ShowLoadFailure(source);
  return false;
}

// The steps in the order a picture takes them; each is false, with the reason in `failure`,
// when the library refused it.
bool Crop(PictureHandle& slot, const PictureRecord& source, const PictureRecord& target,
          std::string* failure) {
  if (target.CUT_TYPE == 0) return true;
  // The library replaces the picture: the new handle takes the old one's place in the slot.
  slot = CropPicture(slot, target.cropX, target.cropY, target.cropWidth, target.cropHeight);
  return slot != 0 || StepFailed(failure, "切り取り", source);
}

bool Rotate(PictureHandle slot, const PictureRecord& source, const PictureRecord& target,
            std::string* failure) {
  if (target.ANGLE_VAL == 0) return true;
  const ColourRef fill = ColourByNumber(target.ANGLE_COLOR + 1);
  return RotatePicture(slot, target.ANGLE_VAL * 1000, fill) != 0 ||
         StepFailed(failure, "回転", source);
}

bool Resize(PictureHandle slot, const PictureRecord& source, const PictureRecord& target,
            std::string* failure) {
  if (target.RESIZE_TYPE == 0) return true;
  PixelSize size{target.width, target.height};
  BitmapInfoHeader header{};
  PictureSize stored{};
  if ((target.RESIZE_FIT != kResizeStretch || target.NO_ENLARGE != 0) &&
      GetPictureHeader(slot, &header) && GetSourceSize(slot, &stored)) {
    const PixelSize picture{header.biWidth, header.biHeight};
    // A picture decoded reduced takes the size its file's picture is given.
    size = ResizedSize(ResizesAsLoaded(target) ? PixelSize{stored.width, stored.height} : picture,
                       target);
    if (size == picture) return true;
  }
  // A size past what a picture can have is the library's to refuse.
  return ResizePicture(slot, static_cast<int>(std::min<std::int64_t>(size.width, INT32_MAX)),
                       static_cast<int>(std::min<std::int64_t>(size.height, INT32_MAX))) != 0 ||
         StepFailed(failure, "サイズの変更", source);
}

// The source's Exif, made for the converted picture, goes with it into formats that have a
// place for it (EXIF_KEEP); pictures carry none otherwise.
void KeepExif(PictureHandle slot, const PictureRecord& source, const PictureRecord& target) {
  if (target.EXIF_KEEP != 0 && StoresExif(target.DIB_TYPE)) {
    KeepSourceExif(slot, source.path, target.EXIF_KEEP);
  }
}

// The picture's size when it holds its file's picture whole (not decoded reduced); 0 x 0 else.
PixelSize WholeSize(PictureHandle slot) {
  BitmapInfoHeader header{};
  PictureSize stored{};
  if (!GetPictureHeader(slot, &header) || !GetSourceSize(slot, &stored) ||
      header.biWidth != stored.width || header.biHeight != stored.height) {
    return {0, 0};
  }
  return {header.biWidth, header.biHeight};
}

// True when the source's pixels went through unchanged: decoded whole, and no filter, crop,
// turn or resize since.
bool PixelsUnchanged(PictureHandle slot, PixelSize loadedWhole, const PictureRecord& target) {
  BitmapInfoHeader header{};
  return target.FILTER_TYPE == 0 && target.CUT_TYPE == 0 && target.ANGLE_VAL == 0 &&
         loadedWhole.width > 0 && GetPictureHeader(slot, &header) &&
         PixelSize{header.biWidth, header.biHeight} == loadedWhole;
}

// A JPEG source whose pixels went through unchanged becomes JPEG XL without loss when
// JXL_FROM_JPEG asks: its DCT data recompressed, so that the JPEG can be rebuilt from it.
// Otherwise, or when the library cannot do so, its pixels are written.
bool RecompressesJpeg(bool pixelsUnchanged, const PictureRecord& source,
                      const PictureRecord& target) {
  return pixelsUnchanged && target.DIB_TYPE == kFormatJxl && target.JXL_FROM_JPEG != 0 &&
         IdentifyPictureFile(source.path, 0) == kIdentifiedJpeg &&
         SaveJxlFromJpeg(target.path, source.path, target.EXIF_KEEP) != 0;
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

int ConvertLoadedStep(const PictureRecord& source, const PictureRecord& target, PictureHandle& slot,
                      PixelSize* written, std::string* failure) {
  const PixelSize loadedWhole = WholeSize(slot);
  ApplyFilter(slot, target.FILTER_TYPE);
  if (!Crop(slot, source, target, failure) || !Rotate(slot, source, target, failure) ||
      !Resize(slot, source, target, failure)) {
    return 0;
  }
  KeepExif(slot, source, target);
  BitmapInfoHeader header{};
  if (written != nullptr && GetPictureHeader(slot, &header)) {
    *written = {header.biWidth, header.biHeight};
  }
  ClearFailureReason();
  const bool unchanged = PixelsUnchanged(slot, loadedWhole, target);
  const bool recompressed = RecompressesJpeg(unchanged, source, target);
  ClearFailureReason();
  int saved = recompressed ? 1 : SaveByFormat(slot, target);
  if (saved == 0) StepFailed(failure, "保存", source);
  ReleaseSlot(slot);
  if (saved != 0 && KeepSmallerSource(source, target, unchanged)) saved = kSavedSourceKept;
  return saved;
}

int ConvertSingleStep(const PictureRecord& source, const PictureRecord& target, PictureHandle& slot,
                      std::string* failure) {
  ClearFailureReason();
  if (!LoadSource(slot, source, target)) return 0;
  return ConvertLoadedStep(source, target, slot, nullptr, failure);
}

int PrepareFrameStep(const PictureRecord& source, const PictureRecord& target, PictureHandle& slot,
                     std::string* failure) {
  ClearFailureReason();
  if (!LoadSource(slot, source, target)) return 0;
  ApplyFilter(slot, target.FILTER_TYPE);
  // Frames are brought to their common size before they turn.
  return Crop(slot, source, target, failure) && Resize(slot, source, target, failure) &&
                 Rotate(slot, source, target, failure)
             ? 1
             : 0;
}

int CodeFrameStep(const PictureRecord& source, const PictureRecord& target, PictureHandle& slot,
                  std::span<imagelib::CodedGifFrame> coded, int index, std::string* failure) {
  if (index < 0 || static_cast<std::size_t>(index) >= coded.size()) return 0;
  if (!PrepareFrameStep(source, target, slot, failure)) return 0;
  ClearFailureReason();
  auto frame = CodeFrame(slot, target);
  ReleaseSlot(slot);
  if (!frame) return StepFailed(failure, "GIFアニメーションの作成", source);
  coded[static_cast<std::size_t>(index)] = std::move(*frame);
  return 1;
}

int SaveCodedAnimationStep(const PictureRecord& source, const PictureRecord& target,
                           std::span<const imagelib::CodedGifFrame> frames, std::string* failure) {
  ClearFailureReason();
  const int saved = SaveCodedAnimation(frames, target);
  if (saved == 0) StepFailed(failure, "保存", source);
  return saved;
}

int ConvertFrameStep(int index, int isLast) {
  AppState* state = GetAppState();
  const PictureRecord& target = *state->target;
  if (index < 0 || index >= kFrameSlotCount ||
      !PrepareFrameStep(*state->source, target, state->frameImages[index], nullptr)) {
    return 0;
  }
  if (isLast == 0) return 1;
  if (!SaveAnimation()) return 0;
  for (int i = 0; i < state->paths->itemCount && i < kFrameSlotCount; ++i) {
    ReleaseSlot(state->frameImages[i]);
  }
  return 1;
}

}  // namespace

PixelSize ResizedSize(PixelSize picture, const PictureRecord& target) {
  return OutputSize(picture, {target.width, target.height}, target.RESIZE_FIT,
                    target.NO_ENLARGE != 0);
}

bool KeepsShapeAsLoaded(const PictureRecord& target) {
  return target.CUT_TYPE == 0 && target.ANGLE_VAL == 0 &&
         target.FILTER_TYPE != kFilterMaskCornerWhite &&
         target.FILTER_TYPE != kFilterMaskCornerBlack;
}

void ShowLoadFailure(const PictureRecord& source) {
  const std::string reason = LastFailureReason();
  ShowMessage("[%s]\nがオープンできませんでした！%s%s", source.path, reason.empty() ? "" : "\n",
              reason.c_str());
}

bool LoadForConversion(const PictureRecord& source, const PictureRecord& target,
                       PictureHandle& slot) {
  ClearFailureReason();
  try {
    return LoadSlotFor(slot, source, target);
  } catch (const std::bad_alloc&) {
    ReleaseSlot(slot);
    return false;
  }
}

std::optional<imagelib::PictureStrips> LoadStripsForConversion(
    const PictureRecord& source, const PictureRecord& target, const imagelib::StripRule& stripsOf) {
  ClearFailureReason();
  try {
    return imagelib::LoadPictureStrips(source.path, ResizeOnLoad(target), stripsOf);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

int ConvertLoadedWith(const PictureRecord& source, const PictureRecord& target, PictureHandle& slot,
                      PixelSize* written, std::string* failure) {
  const int result = WithinMemory(
      source, [&] { return ConvertLoadedStep(source, target, slot, written, failure); });
  if (result == 0) ReleaseSlot(slot);
  return result;
}

int ConvertSingleWith(const PictureRecord& source, const PictureRecord& target, PictureHandle& slot,
                      std::string* failure) {
  const int result =
      WithinMemory(source, [&] { return ConvertSingleStep(source, target, slot, failure); });
  // A picture left in the slot by a failed step is released.
  if (result == 0) ReleaseSlot(slot);
  return result;
}

int CodeFrameWith(const PictureRecord& source, const PictureRecord& target, PictureHandle& slot,
                  std::span<imagelib::CodedGifFrame> coded, int index, std::string* failure) {
  const int result = WithinMemory(
      source, [&] { return CodeFrameStep(source, target, slot, coded, index, failure); });
  if (result == 0) ReleaseSlot(slot);
  return result;
}

int SaveCodedAnimationWith(const PictureRecord& source, const PictureRecord& target,
                           std::span<const imagelib::CodedGifFrame> frames, std::string* failure) {
  return WithinMemory(source,
                      [&] { return SaveCodedAnimationStep(source, target, frames, failure); });
}

int ConvertSingle() {
  AppState* state = GetAppState();
  return ConvertSingleWith(*state->source, *state->target, state->workImage);
}

int ConvertFrame(int index, int isLast) {
  return WithinMemory(*GetAppState()->source, [=] { return ConvertFrameStep(index, isLast); });
}
