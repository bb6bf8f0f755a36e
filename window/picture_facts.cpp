#include "window/picture_facts.h"

#include <new>
#include <string>

#include "base/path_names.h"
#include "base/settings_place.h"
#include "base/show_message.h"
#include "controls/control_layer.h"
#include "engine/encoders.h"
#include "engine/output_naming.h"
#include "engine/output_size.h"
#include "imagelib/picture_store.h"
#include "platform/files.h"
#include "resources/control_ids.h"
#include "state/settings_file.h"
#include "window/fill_and_read_panels.h"
#include "window/panel_handlers.h"
#include "window/trial_conversion.h"

namespace {

constexpr InfoRow kBeforeRow = {kBeforeNameBox, kBeforeWidthBox, kBeforeHeightBox, kBeforeBytesBox,
                                kBeforeTypeBox};
constexpr InfoRow kAfterRow = {kAfterNameBox, kAfterWidthBox, kAfterHeightBox, kAfterBytesBox,
                               kAfterTypeBox};

void SetBox(int box, const std::string& text) {
  GetControlLayer().SetText(kInputPanel, box, text);
}

// The library's kinds as output format numbers; kFormatNone for anything else.
int FormatOfKind(int kind) {
  if (kind >= kIdentifiedBmp && kind <= kIdentifiedGif) return kind - 1;
  switch (kind) {
    case kIdentifiedWebp:
      return kFormatWebp;
    case kIdentifiedAvif:
      return kFormatAvif;
    case kIdentifiedHeic:
      return kFormatHeic;
    default:
      return kFormatNone;
  }
}

void ShowFacts(const InfoRow& row, const PictureRecord& record) {
  SetBox(row.sizeBox, std::to_string(record.fileSize));
  SetBox(row.widthBox, std::to_string(record.width));
  SetBox(row.heightBox, std::to_string(record.height));
  SetBox(row.typeBox, GetPicTypeName(record.DIB_TYPE));
}

}  // namespace

void ShowNoInfo(const InfoRow& row) {
  SetBox(row.nameBox, "NODATA");
  SetBox(row.widthBox, "????");
  SetBox(row.heightBox, "????");
  SetBox(row.sizeBox, "??????????");
  SetBox(row.typeBox, "???");
}

bool GetSizeXY(const char* path, int& width, int& height) {
  // A picture too large for the memory left fails like one that cannot be opened.
  ScopedPicture picture;
  try {
    picture = ScopedPicture(LoadPicture(path));
  } catch (const std::bad_alloc&) {
  }
  if (!picture) {
    ShowMessage(
        "GetSizeXY(const char* szName, int &nX, int &nY)：エラー\n[%s]\nオープンに失敗しました。",
        path);
    return false;
  }
  BitmapInfoHeader header{};
  GetPictureHeader(picture.Get(), &header);
  width = header.biWidth;
  height = header.biHeight;
  return true;
}

std::int64_t GetFileSize(const char* path) {
  const std::optional<std::uint64_t> size = platform::FileSize(path);
  if (!size || platform::KindOf(path) == platform::PathKind::kFolder) {
    ShowMessage("GetFileSize(const char* szName)：エラー\n[%s]\nオープンに失敗しました。", path);
    return -1;
  }
  return static_cast<std::int64_t>(*size);
}

int RecordPictureFacts(const char* path, PictureRecord& record) {
  int width = 0;
  int height = 0;
  if (!GetSizeXY(path, width, height)) return 1;
  record.fileSize = GetFileSize(path);
  record.DIB_TYPE = FormatOfKind(IdentifyPictureFile(path, 0));
  record.width = width;
  record.height = height;
  return 1;
}

int ShowBeforeInfo(const InfoRow& row) {
  ControlLayer& controls = GetControlLayer();
  AppState* state = GetAppState();
  PictureRecord& source = *state->source;
  state->paths->itemCount = controls.ListCount(kInputPanel, kInputList);
  std::string entry =
      controls.ListText(kInputPanel, kInputList, controls.ListSelection(kInputPanel, kInputList));
  CopyText(source.path, entry.c_str());
  RecordPictureFacts(entry.c_str(), source);
  CopyStoredText(source.name, FileNamePart(entry, false));
  SetBox(row.nameBox, FileNamePart(entry, true));
  ShowFacts(row, source);
  return 1;
}

void ShowOutputNamePreview() {
  SetBox(kAfterNameBox, PreviewOutputName());
}

int ShowAfterInfo(const InfoRow& row) {
  PictureRecord& target = *GetAppState()->target;
  RecordPictureFacts(target.path, target);
  ShowOutputNamePreview();
  ShowFacts(row, target);
  return 1;
}

int ShowHtmAfterInfo(const InfoRow& row) {
  AppState* state = GetAppState();
  const PictureRecord& target = *state->target;
  SetBox(row.nameBox, state->paths->outputName);
  SetBox(row.sizeBox, "計算不可");
  SetBox(row.typeBox, GetPicTypeName(target.DIB_TYPE));
  if (target.DIB_TYPE != kFormatHtm) {
    // No format is chosen, so there is no page whose size could be shown.
    SetBox(row.widthBox, "????");
    SetBox(row.heightBox, "????");
    return 1;
  }
  const std::int64_t cell = target.HTM_TYPE + 1;
  const bool cropOnly = target.CUT_TYPE != 0 && target.RESIZE_TYPE == 0;
  PixelSize size{cropOnly ? target.cropWidth : target.width,
                 cropOnly ? target.cropHeight : target.height};
  if (target.RESIZE_TYPE != 0 && (target.RESIZE_FIT != kResizeStretch || target.NO_ENLARGE != 0)) {
    const PixelSize picture = target.CUT_TYPE != 0
                                  ? PixelSize{target.cropWidth, target.cropHeight}
                                  : PixelSize{state->source->width, state->source->height};
    size = OutputSize(picture, size, target.RESIZE_FIT, target.NO_ENLARGE != 0);
  }
  SetBox(row.widthBox, std::to_string(size.width * cell));
  SetBox(row.heightBox, std::to_string(size.height * cell));
  return 1;
}

void RefreshSelection() {
  ControlLayer& controls = GetControlLayer();
  AppState* state = GetAppState();
  ReadPanels();
  SaveSettings();
  if (controls.ListSelection(kInputPanel, kInputList) < 0) {
    SetBox(kEntryCountBox, "0");
    SetBox(kTotalBytesBox, "0");
    ShowNoInfo(kBeforeRow);
    ShowNoInfo(kAfterRow);
    return;
  }
  DeleteTempFiles();
  {
    WaitCursor wait;
    ShowBeforeInfo(kBeforeRow);
    ReadPanels();
    const PictureRecord& target = *state->target;
    if (target.DIB_TYPE == kFormatGif && target.GIF_ANIMA != 0) ShowNoInfo(kBeforeRow);
    if (!IsPictureFormat(target.DIB_TYPE)) {
      OnSettingChanged();
      ShowHtmAfterInfo(kAfterRow);
    } else {
      std::string trialPath = TempFilePath(state->paths->tempName);
      if (TrialConvert(trialPath.c_str())) ShowAfterInfo(kAfterRow);
    }
    ReadPanels();
    SaveSettings();
  }
  controls.RepaintView();
}

bool ComputeInputTotal() {
  ControlLayer& controls = GetControlLayer();
  PathBlock& paths = *GetAppState()->paths;
  if (controls.ListCount(kInputPanel, kInputList) == 0) {
    SetBox(kEntryCountBox, "0");
    SetBox(kTotalBytesBox, "0");
    return false;
  }
  paths.itemCount = controls.ListCount(kInputPanel, kInputList);
  paths.totalSize = 0;
  for (int i = 0; i < controls.ListCount(kInputPanel, kInputList); ++i) {
    paths.totalSize += GetFileSize(controls.ListText(kInputPanel, kInputList, i).c_str());
  }
  SetBox(kEntryCountBox, std::to_string(paths.itemCount));
  SetBox(kTotalBytesBox, std::to_string(paths.totalSize));
  return true;
}

void OnCalcTotal() {
  if (ComputeInputTotal()) GetControlLayer().RepaintView();
}
