#include <string>
#include <string_view>

#include "panels/crop_rules.h"
#include "panels/panel_helper.h"
#include "panels/text_rules.h"
#include "resources/control_ids.h"
#include "state/app_state.h"
#include "state/settings_file.h"
#include "state/settings_keys.h"
#include "ui/control_layer.h"

namespace {

int ReadNumber(int barId, int controlId) {
  return ParseInt(GetControlLayer().GetText(barId, controlId));
}

// The text of a box that feeds a text setting, cut at a character boundary to what that
// setting's line in the settings file holds, so that every saved file reads back whole.
std::string SettingText(std::string_view settingName, int barId, int controlId) {
  std::string text = GetControlLayer().GetText(barId, controlId);
  return std::string(FindSettingKey(settingName)->FitText(text));
}

// The position of the first checked button; the last button is not asked, so no checked button
// at all also gives the last position.
int CheckedPosition(int barId, std::initializer_list<int> buttonsByValue) {
  ControlLayer& layer = GetControlLayer();
  int position = 0;
  for (auto button = buttonsByValue.begin(); button + 1 != buttonsByValue.end(); ++button) {
    if (layer.GetCheck(barId, *button)) return position;
    ++position;
  }
  return position;
}

}  // namespace

int ReadCropType() {
  return CheckedPosition(kFilterPage, {kCropNoneRadio, kCropSizeRadio, kCropEndRadio});
}

void ReadResize(int resizeType) {
  AppState* state = GetAppState();
  PictureRecord& target = *state->target;
  target.RESIZE_TYPE = resizeType;
  switch (resizeType) {
    case 0:
      target.width = state->source->width;
      target.height = state->source->height;
      break;
    case 1:
      target.width = 640;
      target.height = 480;
      break;
    case 2:
      target.width = 320;
      target.height = 240;
      break;
    default:
      target.width = ReadNumber(kFormatPanel, kResizeWidthBox);
      target.height = ReadNumber(kFormatPanel, kResizeHeightBox);
      break;
  }
}

void ReadCrop(int cropType) {
  PictureRecord& target = *GetAppState()->target;
  CropValues values{};
  for (std::size_t i = 0; i < kCropBoxes.size(); ++i) {
    values[i] = ReadNumber(kFilterPage, kCropBoxes[i]);
  }
  // A rectangle outside the group's range never reaches the conversion.
  values = CheckCropAxes(values);
  target.CUT_X_1 = values[0];
  target.CUT_Y_1 = values[1];
  target.CUT_X2_1 = values[2];
  target.CUT_Y2_1 = values[3];
  target.CUT_X_2 = values[4];
  target.CUT_Y_2 = values[5];
  target.CUT_X2_2 = values[6];
  target.CUT_Y2_2 = values[7];
  if (cropType == 1) {
    target.cropX = target.CUT_X_1;
    target.cropY = target.CUT_Y_1;
    target.cropWidth = target.CUT_X2_1;
    target.cropHeight = target.CUT_Y2_1;
  } else if (cropType == 2) {
    target.cropX = target.CUT_X_2;
    target.cropY = target.CUT_Y_2;
    target.cropWidth = target.CUT_X2_2 - target.CUT_X_2;
    target.cropHeight = target.CUT_Y2_2 - target.CUT_Y_2;
  }
}

void ReadRename() {
  ControlLayer& layer = GetControlLayer();
  PathBlock& paths = *GetAppState()->paths;
  paths.RENAME_TYPE = layer.ComboSelection(kRenamePage, kRenameRuleList);
  paths.RENAME_NUM = ReadNumber(kRenamePage, kRenameNumberBox);
  paths.RENAME_VAL = ReadNumber(kRenamePage, kRenameStepBox);
  paths.RENAME_DIB = layer.ComboSelection(kRenamePage, kExtensionList);
  CopyText(paths.outputName, SettingText("RENAME_NAME", kRenamePage, kRenameNameBox).c_str());
}

void ReadPanels() {
  ControlLayer& layer = GetControlLayer();
  AppState* state = GetAppState();
  PictureRecord& target = *state->target;
  PathBlock& paths = *state->paths;

  paths.selectedIndex = layer.ListSelection(kInputPanel, kInputList);
  CopyText(paths.SAVE, layer.GetText(kInputPanel, kOutputFolderBox).c_str());
  target.RESIZE_X = ReadNumber(kFormatPanel, kResizeWidthBox);
  target.RESIZE_Y = ReadNumber(kFormatPanel, kResizeHeightBox);
  target.DIB_TYPE = layer.ComboSelection(kFormatPanel, kFormatList);
  ReadResize(CheckedPosition(
      kFormatPanel, {kResizeKeepRadio, kResize640Radio, kResize320Radio, kResizeUserRadio}));
  target.BMP_TYPE = layer.ComboSelection(kBmpPage, kBmpColourList);
  target.JPG_TYPE = layer.ComboSelection(kJpgPage, kJpgQualityList);
  target.JPG_PRO = layer.GetCheck(kJpgPage, kJpgProgressiveCheck);
  target.PNG_PRO = layer.GetCheck(kPngPage, kPngInterlaceCheck);
  target.GIF_PRO = layer.GetCheck(kGifPage, kGifInterlaceCheck);
  target.GIF_ANIMA = layer.GetCheck(kGifPage, kGifAnimationCheck);
  target.GIF_COLOR = layer.ComboSelection(kGifPage, kGifTransparencyList);
  target.GIF_SPEED = layer.ComboSelection(kGifPage, kGifDelayList);
  target.GIF_BIT = layer.ComboSelection(kGifPage, kGifBitDepthList);
  target.HTM_TYPE = layer.ComboSelection(kHtmPage, kHtmPixelList);
  target.CUT_TYPE = ReadCropType();
  ReadCrop(target.CUT_TYPE);
  target.ANGLE_VAL = layer.ComboSelection(kFilterPage, kAngleList);
  target.ANGLE_COLOR = layer.ComboSelection(kFilterPage, kBlankColourList);
  target.FILTER_TYPE = layer.ComboSelection(kFilterPage, kFilterList);
  CopyText(paths.RENAME_NAME, SettingText("RENAME_NAME", kRenamePage, kRenameNameBox).c_str());
  ReadRename();
  paths.FOLDER_TYPE = layer.ComboSelection(kOtherPage, kSubFolderList);
  std::string folderName = SettingText("FOLDER_NAME", kOtherPage, kFolderNameBox);
  CopyText(paths.FOLDER_NAME, folderName.c_str());
  CopyText(paths.subFolder, folderName.c_str());
  paths.PREVIEW_TYPE = layer.ComboSelection(kOtherPage, kPreviewMethodList);
  SaveSettings();
}
