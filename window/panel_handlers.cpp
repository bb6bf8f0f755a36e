#include "window/panel_handlers.h"

#include <string>

#include "controls/control_layer.h"
#include "resources/control_ids.h"
#include "state/app_state.h"
#include "state/crop_rules.h"
#include "state/setting_rules.h"
#include "state/text_rules.h"
#include "window/fill_and_read_panels.h"
#include "window/view_operations.h"

namespace {

// The box's text as the user leaves it, in the box.
void CorrectBox(int barId, int controlId) {
  ControlLayer& layer = GetControlLayer();
  layer.SetText(barId, controlId, TextAsLeft(controlId, layer.GetText(barId, controlId)));
}

void CorrectSizeBox(int controlId) {
  CorrectBox(kFormatPanel, controlId);
  CurrentViewOperations().refreshSelection();
}

void CorrectBoxAndSave(int barId, int controlId) {
  CorrectBox(barId, controlId);
  OnSettingChanged();
}

}  // namespace

void OnResizeWidthFocusLost() {
  CorrectSizeBox(kResizeWidthBox);
}

void OnResizeHeightFocusLost() {
  CorrectSizeBox(kResizeHeightBox);
}

void OnFormatOrResizeChanged() {
  CurrentViewOperations().refreshSelection();
  GetControlLayer().RepaintView();
}

void OnFormatPageChanged(int format) {
  ControlLayer& layer = GetControlLayer();
  if (layer.ComboSelection(kFormatPanel, kFormatList) == format) {
    CurrentViewOperations().refreshSelection();
    layer.RepaintView();
  } else {
    ReadPanels();
  }
}

void OnRenameNumberFocusLost() {
  CorrectBoxAndSave(kRenamePage, kRenameNumberBox);
}

void OnRenameStepFocusLost() {
  CorrectBoxAndSave(kRenamePage, kRenameStepBox);
}

void OnRenameNameFocusLost() {
  CorrectBoxAndSave(kRenamePage, kRenameNameBox);
}

void OnFolderNameFocusLost() {
  CorrectBoxAndSave(kOtherPage, kFolderNameBox);
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
  // A folder that could hold no file keeps the old one.
  if (folder && FitsAsOutputFolder(*folder)) {
    layer.SetText(kInputPanel, kOutputFolderBox, *folder);
    CopyText(paths.SAVE, folder->c_str());
  }
  ReadPanels();
}
