#include <memory>
#include <string>

#include "panels/choice_tables.h"
#include "panels/panel_helper.h"
#include "resources/control_ids.h"
#include "state/app_state.h"
#include "ui/control_layer.h"

namespace {

std::unique_ptr<PanelHelper>& HelperInstance() {
  static std::unique_ptr<PanelHelper> helper;
  return helper;
}

void ShowNumber(int barId, int controlId, int value) {
  GetControlLayer().SetText(barId, controlId, std::to_string(value));
}

// Clears the group's buttons, then checks the one whose value equals `value` (none when no
// button has it).
void CheckRadioOf(int barId, std::initializer_list<int> buttonsByValue, int value) {
  ControlLayer& layer = GetControlLayer();
  for (int button : buttonsByValue) layer.SetCheck(barId, button, 0);
  if (value >= 0 && value < static_cast<int>(buttonsByValue.size())) {
    layer.SetCheck(barId, buttonsByValue.begin()[value], 1);
  }
}

struct InfoBoxText {
  int controlId;
  const char* text;
};

constexpr InfoBoxText kInfoPlaceholders[] = {
    {kEntryCountBox, "0"},     {kTotalBytesBox, "0"},          {kBeforeNameBox, "NODATA"},
    {kBeforeWidthBox, "????"}, {kBeforeHeightBox, "????"},     {kBeforeBytesBox, "??????????"},
    {kBeforeTypeBox, "???"},   {kAfterNameBox, "NODATA"},      {kAfterWidthBox, "????"},
    {kAfterHeightBox, "????"}, {kAfterBytesBox, "??????????"}, {kAfterTypeBox, "???"},
};

}  // namespace

PanelHelper& GetPanelHelper() {
  auto& helper = HelperInstance();
  if (!helper) helper = std::make_unique<PanelHelper>();
  return *helper;
}

void DestroyPanelHelper() {
  HelperInstance().reset();
}

void FillSettingsTree() {
  ControlLayer& layer = GetControlLayer();
  PanelHelper& helper = GetPanelHelper();
  if (layer.TreeCount(kSettingsTreePanel, kSettingsTree) == 0) {
    auto pages = SettingsPages();
    for (std::size_t i = 0; i < pages.size(); ++i) {
      helper.treeItems[i] = layer.TreeInsert(kSettingsTreePanel, kSettingsTree, pages[i].treeText);
    }
  }
  layer.TreeSelect(kSettingsTreePanel, kSettingsTree, -1);
  layer.TreeSelect(kSettingsTreePanel, kSettingsTree, helper.treeItems[0]);
}

int FillGifPage() {
  ControlLayer& layer = GetControlLayer();
  const PictureRecord& target = *GetAppState()->target;
  AppendChoices(kGifTransparencyList);
  AppendChoices(kGifBitDepthList);
  AppendChoices(kGifDelayList);
  layer.ComboSelect(kGifPage, kGifBitDepthList, target.GIF_BIT);
  layer.SetCheck(kGifPage, kGifAnimationCheck, target.GIF_ANIMA);
  layer.SetCheck(kGifPage, kGifInterlaceCheck, target.GIF_PRO);
  layer.ComboSelect(kGifPage, kGifDelayList, target.GIF_SPEED);
  layer.ComboSelect(kGifPage, kGifTransparencyList, target.GIF_COLOR);
  return 1;
}

int FillRenamePage() {
  ControlLayer& layer = GetControlLayer();
  const PathBlock& paths = *GetAppState()->paths;
  AppendChoices(kRenameRuleList);
  layer.ComboSelect(kRenamePage, kRenameRuleList, paths.RENAME_TYPE);
  ShowNumber(kRenamePage, kRenameNumberBox, paths.RENAME_NUM);
  ShowNumber(kRenamePage, kRenameStepBox, paths.RENAME_VAL);
  AppendChoices(kExtensionList);
  layer.ComboSelect(kRenamePage, kExtensionList, paths.RENAME_DIB);
  layer.SetText(kRenamePage, kRenameNameBox, paths.RENAME_NAME);
  return 1;
}

int FillFilterPage() {
  ControlLayer& layer = GetControlLayer();
  const PictureRecord& target = *GetAppState()->target;
  AppendChoices(kBlankColourList);
  AppendChoices(kAngleList);
  AppendChoices(kFilterList);
  layer.ComboSelect(kFilterPage, kBlankColourList, target.ANGLE_COLOR);
  layer.ComboSelect(kFilterPage, kAngleList, target.ANGLE_VAL);
  layer.ComboSelect(kFilterPage, kFilterList, target.FILTER_TYPE);
  const std::pair<int, int> cropBoxes[] = {
      {kCropStartX1Box, target.CUT_X_1}, {kCropStartY1Box, target.CUT_Y_1},
      {kCropSizeXBox, target.CUT_X2_1},  {kCropSizeYBox, target.CUT_Y2_1},
      {kCropStartX2Box, target.CUT_X_2}, {kCropStartY2Box, target.CUT_Y_2},
      {kCropEndXBox, target.CUT_X2_2},   {kCropEndYBox, target.CUT_Y2_2},
  };
  for (auto [box, value] : cropBoxes) ShowNumber(kFilterPage, box, value);
  return 1;
}

void FillPanels() {
  ControlLayer& layer = GetControlLayer();
  AppState* state = GetAppState();
  const PictureRecord& target = *state->target;
  const PathBlock& paths = *state->paths;

  layer.SetText(kInputPanel, kOutputFolderBox, paths.SAVE);
  for (const InfoBoxText& box : kInfoPlaceholders) {
    layer.SetText(kInputPanel, box.controlId, box.text);
  }

  AppendChoices(kFormatList);
  layer.ComboSelect(kFormatPanel, kFormatList, target.DIB_TYPE);
  CheckRadioOf(kFormatPanel, {kResizeKeepRadio, kResize640Radio, kResize320Radio, kResizeUserRadio},
               target.RESIZE_TYPE);
  ShowNumber(kFormatPanel, kResizeWidthBox, target.RESIZE_X);
  ShowNumber(kFormatPanel, kResizeHeightBox, target.RESIZE_Y);

  FillSettingsTree();

  AppendChoices(kBmpColourList);
  layer.ComboSelect(kBmpPage, kBmpColourList, target.BMP_TYPE);

  AppendChoices(kJpgQualityList);
  layer.ComboSelect(kJpgPage, kJpgQualityList, target.JPG_TYPE);
  layer.SetCheck(kJpgPage, kJpgProgressiveCheck, target.JPG_PRO);

  layer.SetCheck(kPngPage, kPngInterlaceCheck, target.PNG_PRO);

  AppendChoices(kHtmPixelList);
  layer.ComboSelect(kHtmPage, kHtmPixelList, target.HTM_TYPE);

  FillGifPage();

  CheckRadioOf(kFilterPage, {kCropNoneRadio, kCropSizeRadio, kCropEndRadio}, target.CUT_TYPE);
  FillFilterPage();

  FillRenamePage();

  AppendChoices(kSubFolderList);
  layer.ComboSelect(kOtherPage, kSubFolderList, paths.FOLDER_TYPE);
  layer.SetText(kOtherPage, kFolderNameBox, paths.FOLDER_NAME);
  AppendChoices(kPreviewMethodList);
  layer.ComboSelect(kOtherPage, kPreviewMethodList, paths.PREVIEW_TYPE);

  layer.RepaintView();
}
