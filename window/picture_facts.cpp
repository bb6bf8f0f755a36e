#include "window/picture_facts.h"

#include <array>
#include <atomic>
#include <filesystem>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "base/background_work.h"
#include "base/path_names.h"
#include "base/settings_place.h"
#include "base/show_message.h"
#include "controls/control_layer.h"
#include "engine/encoders.h"
#include "engine/output_naming.h"
#include "engine/output_size.h"
#include "engine/picture_slots.h"
#include "engine/pipeline.h"
#include "imagelib/picture_store.h"
#include "platform/files.h"
#include "resources/control_ids.h"
#include "state/output_formats.h"
#include "state/settings_file.h"
#include "window/fill_and_read_panels.h"
#include "window/panel_handlers.h"
#include "window/trial_conversion.h"
#include "window/window_run.h"

namespace {

// What a box shows while its figure is being measured.
constexpr char kMeasuringSize[] = "計測中…";
constexpr char kMeasuringFigure[] = "…";

constexpr InfoRow kBeforeRow = {kBeforeNameBox, kBeforeWidthBox, kBeforeHeightBox, kBeforeBytesBox,
                                kBeforeTypeBox};
constexpr InfoRow kAfterRow = {kAfterNameBox, kAfterWidthBox, kAfterHeightBox, kAfterBytesBox,
                               kAfterTypeBox};

void SetBox(int box, const std::string& text) {
  GetControlLayer().SetText(kInputPanel, box, text);
}

void ShowFacts(const InfoRow& row, const PictureRecord& record) {
  SetBox(row.sizeBox, std::to_string(record.fileSize));
  SetBox(row.widthBox, std::to_string(record.width));
  SetBox(row.heightBox, std::to_string(record.height));
  SetBox(row.typeBox, GetPicTypeName(record.DIB_TYPE));
}

void ShowSizeFailure(const char* path) {
  ShowMessage(
      "GetSizeXY(const char* szName, int &nX, int &nY)：エラー\n[%s]\nオープンに失敗しました。",
      path);
}

// The boxes of a row's figures (all but the name), and their texts.
using Figures = std::array<std::string, 4>;

std::array<int, 4> FigureBoxes(const InfoRow& row) {
  return {row.sizeBox, row.widthBox, row.heightBox, row.typeBox};
}

Figures FiguresOf(const InfoRow& row) {
  Figures texts;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    texts[i] = GetControlLayer().GetText(kInputPanel, FigureBoxes(row)[i]);
  }
  return texts;
}

void ShowFigures(const InfoRow& row, const Figures& texts) {
  for (std::size_t i = 0; i < texts.size(); ++i) SetBox(FigureBoxes(row)[i], texts[i]);
}

// A row's figures while they are measured.
void ShowMeasuring(const InfoRow& row) {
  ShowFigures(row, {kMeasuringSize, kMeasuringFigure, kMeasuringFigure, kMeasuringFigure});
}

// The facts of a file as RecordPictureFacts keeps them.
struct Facts {
  std::int64_t fileSize = 0;
  int kind = kFormatNone;
  std::int64_t width = 0;
  std::int64_t height = 0;

  void Into(PictureRecord& record) const {
    record.fileSize = fileSize;
    record.DIB_TYPE = kind;
    record.width = static_cast<std::int32_t>(width);
    record.height = static_cast<std::int32_t>(height);
  }
};

Facts FileFacts(const char* path, PixelSize size) {
  return {GetFileSize(path), OutputFormatOfKind(IdentifyPictureFile(path, 0)), size.width,
          size.height};
}

// What the selected entry's measurement found, away from the window's thread.
struct Measured {
  std::optional<Facts> source;
  std::optional<Facts> output;
  std::vector<std::string> messages;
};

// The path whole: the window's thread may change the working folder while the worker reads and
// writes (the file dialogs do). One too long for a record stays as it is.
void MakeWhole(char (&path)[kPathBufferBytes]) {
  std::error_code error;
  const std::string whole =
      platform::Utf8Of(std::filesystem::absolute(platform::PathOf(path), error));
  if (!error && whole.size() < kPathBufferBytes) CopyText(path, whole.c_str());
}

// The source is decoded once, for its own facts and for the trial conversion into target.path;
// `source` names the entry in messages, `reading` is the same with its path whole.
Measured Measure(const PictureRecord& source, const PictureRecord& reading,
                 const PictureRecord& target, bool convert, const std::atomic<bool>& cancelled) {
  Measured measured;
  MessageCapture capture;
  PictureHandle slot = 0;
  if (!LoadForConversion(reading, target, slot)) {
    ShowSizeFailure(source.path);
    if (convert) ShowLoadFailure(source);
    measured.messages = capture.Take();
    return measured;
  }
  // The file's own size: the trial may have decoded it reduced for its resize.
  PictureSize shown{};
  GetSourceSize(slot, &shown);
  measured.source = FileFacts(reading.path, {shown.width, shown.height});
  PixelSize written{};
  if (convert && !cancelled && ConvertLoadedWith(reading, target, slot, &written)) {
    measured.output = FileFacts(target.path, written);
  }
  ReleaseSlot(slot);
  measured.messages = capture.Take();
  return measured;
}

BackgroundWork& Measurements() {
  static BackgroundWork work;
  return work;
}

// On the window's thread once the selected entry is measured: the rows as the synchronous
// refresh left them. A conversion that failed leaves the "変換後" row's earlier texts. `source`
// is the entry's record as the refresh made it: a run converting meanwhile uses the state's.
void ShowMeasured(const Measured& measured, const PictureRecord& source,
                  const Figures& earlierAfter) {
  ControlLayer& controls = GetControlLayer();
  AppState* state = GetAppState();
  *state->source = source;
  if (measured.source) measured.source->Into(*state->source);
  ShowFacts(kBeforeRow, *state->source);
  // Settings that follow the source (the size kept when not resizing) take the new picture.
  ReadPanels();
  if (!IsPictureFormat(state->target->DIB_TYPE)) {
    OnSettingChanged();
    ShowHtmAfterInfo(kAfterRow);
  } else if (measured.output) {
    measured.output->Into(*state->target);
    ShowOutputNamePreview();
    ShowFacts(kAfterRow, *state->target);
  } else {
    ShowFigures(kAfterRow, earlierAfter);
  }
  ReadPanels();
  SaveSettings();
  controls.RepaintView();
  // A run going on meanwhile tells of a picture it cannot convert itself: a box now would hold
  // the run up until answered.
  if (RunInProgress()) return;
  for (const std::string& text : measured.messages) ShowMessage("%s", text.c_str());
}

// The entry's name shows at once; its figures and the output's follow from the background.
void StartMeasuring(const std::string& entry) {
  AppState* state = GetAppState();
  PictureRecord& source = *state->source;
  CopyText(source.path, entry.c_str());
  CopyStoredText(source.name, FileNamePart(entry, false));
  SetBox(kBeforeRow.nameBox, FileNamePart(entry, true));
  const Figures earlierAfter = FiguresOf(kAfterRow);
  ShowMeasuring(kBeforeRow);
  PictureRecord target = *state->target;
  const bool convert = IsPictureFormat(target.DIB_TYPE);
  if (convert) {
    CopyText(target.path, TempFilePath(state->paths->tempName).c_str());
    MakeWhole(target.path);
    ShowOutputNamePreview();
    ShowMeasuring(kAfterRow);
  }
  PictureRecord reading = source;
  MakeWhole(reading.path);
  Measurements().Start(
      [source, reading, target, convert, earlierAfter](const std::atomic<bool>& cancelled) {
        auto measured =
            std::make_shared<Measured>(Measure(source, reading, target, convert, cancelled));
        return [measured, source, earlierAfter] { ShowMeasured(*measured, source, earlierAfter); };
      });
}

// The animated GIF's trial converts the whole list on the window's thread, which takes its
// messages between the entries.
void RefreshAnimation() {
  ControlLayer& controls = GetControlLayer();
  AppState* state = GetAppState();
  {
    WaitCursor wait;
    ShowBeforeInfo(kBeforeRow);
    ReadPanels();
    ShowNoInfo(kBeforeRow);
    std::string trialPath = TempFilePath(state->paths->tempName);
    if (TrialConvert(trialPath.c_str())) ShowAfterInfo(kAfterRow);
    ReadPanels();
    SaveSettings();
  }
  controls.RepaintView();
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
    ShowSizeFailure(path);
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
  record.DIB_TYPE = OutputFormatOfKind(IdentifyPictureFile(path, 0));
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
  const int selected = controls.ListSelection(kInputPanel, kInputList);
  if (selected < 0) {
    Measurements().Cancel();
    SetBox(kEntryCountBox, "0");
    SetBox(kTotalBytesBox, "0");
    ShowNoInfo(kBeforeRow);
    ShowNoInfo(kAfterRow);
    return;
  }
  DeleteTempFiles();
  state->paths->itemCount = controls.ListCount(kInputPanel, kInputList);
  const PictureRecord& target = *state->target;
  if (target.DIB_TYPE == kFormatGif && target.GIF_ANIMA != 0) {
    Measurements().Cancel();
    RefreshAnimation();
    return;
  }
  StartMeasuring(controls.ListText(kInputPanel, kInputList, selected));
}

bool MeasuringSelection() {
  return Measurements().Pending();
}

void StopMeasuring() {
  Measurements().Stop();
}

void HoldMeasuringForTesting(bool hold) {
  BackgroundWork::HoldForTesting(hold);
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
