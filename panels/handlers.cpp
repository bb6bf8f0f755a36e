#include "panels/handlers.h"

#include <string>
#include "base/show_message.h"
#include "base/text_encoding.h"

#include "panels/crop_rules.h"
#include "panels/fill_and_read_panels.h"
#include "panels/number_limits.h"
#include "panels/text_rules.h"
#include "panels/view_operations.h"
#include "resources/control_ids.h"
#include "state/app_state.h"
#include "ui/control_layer.h"

namespace {

constexpr int kSizeLimit = kLargestExtent;

void ApplySizeBoxRule(int controlId, const char* fallback) {
  ControlLayer& layer = GetControlLayer();
  int value = ParseInt(layer.GetText(kFormatPanel, controlId));
  layer.SetText(kFormatPanel, controlId,
                value <= 0 || value > kSizeLimit ? fallback : std::to_string(value));
  CurrentViewOperations().refreshSelection();
}

void ApplyNameRule(int barId, int controlId) {
  ControlLayer& layer = GetControlLayer();
  layer.SetText(barId, controlId, SanitiseName(layer.GetText(barId, controlId), '_'));
  OnSettingChanged();
}

}  // namespace

void OnResizeWidthFocusLost() {
  ApplySizeBoxRule(kResizeWidthBox, "256");
}

void OnResizeHeightFocusLost() {
  ApplySizeBoxRule(kResizeHeightBox, "128");
}

void OnFormatOrResizeChanged() {
  CurrentViewOperations().refreshSelection();
  GetControlLayer().RepaintView();
}

void OnFormatPageChanged(int page) {
  ControlLayer& layer = GetControlLayer();
  if (layer.ComboSelection(kFormatPanel, kFormatList) == page) {
    CurrentViewOperations().refreshSelection();
    layer.RepaintView();
  } else {
    ReadPanels();
  }
}

void OnRenameNumberFocusLost() {
  ControlLayer& layer = GetControlLayer();
  int value = ParseInt(layer.GetText(kRenamePage, kRenameNumberBox));
  layer.SetText(kRenamePage, kRenameNumberBox, std::to_string(value));
  OnSettingChanged();
}

void OnRenameStepFocusLost() {
  ControlLayer& layer = GetControlLayer();
  int value = ParseInt(layer.GetText(kRenamePage, kRenameStepBox));
  layer.SetText(kRenamePage, kRenameStepBox, value <= 0 ? "1" : std::to_string(value));
  OnSettingChanged();
}

void OnRenameNameFocusLost() {
  ApplyNameRule(kRenamePage, kRenameNameBox);
}

void OnFolderNameFocusLost() {
  ApplyNameRule(kOtherPage, kFolderNameBox);
}

void NormaliseCropBoxes() {
  ControlLayer& layer = GetControlLayer();
  CropValues values{};
  for (std::size_t i = 0; i < kCropBoxes.size(); ++i) {
    values[i] = ParseInt(layer.GetText(kFilterPage, kCropBoxes[i]));
  }
  values = CheckCropAxes(values);
  for (std::size_t i = 0; i < kCropBoxes.size(); ++i) {
    layer.SetText(kFilterPage, kCropBoxes[i], std::to_string(values[i]));
  }
}

void OnCropBoxFocusLost(int group) {
  PictureRecord& target = *GetAppState()->target;
  target.CUT_TYPE = ReadCropType();
  NormaliseCropBoxes();
  if (group == target.CUT_TYPE) {
    CurrentViewOperations().refreshSelection();
  } else {
    ReadPanels();
  }
}

void OnSettingChanged() {
  ReadPanels();
  if (GetControlLayer().ListCount(kInputPanel, kInputList) > 0) {
    CurrentViewOperations().showOutputNamePreview();
  }
}

void BrowseOutputFolder() {
  ControlLayer& layer = GetControlLayer();
  PathBlock& paths = *GetAppState()->paths;
  auto folder = layer.BrowseForFolder("画像を出力場所を指定してください！", paths.SAVE);
  // An output file's path must fit the path limit with at least a one-character name after the
  // folder; a longer folder could hold no file: keep the old one.
  constexpr std::size_t kLongestFolder = kMaxPathLength - 1;
  if (folder && StoredLength(*folder) > kLongestFolder) {
    ShowMessage("[%s]\nはパスが長すぎるため出力先にできません！(%d バイトまでです)",
                PathForMessage(*folder).c_str(), static_cast<int>(kLongestFolder));
    folder.reset();
  }
  if (folder) {
    layer.SetText(kInputPanel, kOutputFolderBox, *folder);
    CopyText(paths.SAVE, folder->c_str());
  }
  ReadPanels();
}
