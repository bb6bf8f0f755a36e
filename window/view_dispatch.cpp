#include "window/view_dispatch.h"

#include "resources/control_ids.h"
#include "state/output_formats.h"
#include "window/estimate_command.h"
#include "window/initialise_settings.h"
#include "window/more_settings.h"
#include "window/panel_handlers.h"
#include "window/presets_dialogs.h"
#include "window/settings_pages.h"
#include "window/view_operations.h"
#include "window/window_run.h"

namespace {

using enum Notification;

void RunRefresh() {
  CurrentViewOperations().refreshSelection();
}

struct HandlerRow {
  int barId;
  int controlId;
  Notification notification;
  void (*handler)();
};

constexpr HandlerRow kHandlers[] = {
    {kInputPanel, kInputList, kSelectionChanged, RunRefresh},
    {kInputPanel, kAddOneButton, kClicked, OnAddOne},
    {kInputPanel, kDeleteOneButton, kClicked, OnDeleteOne},
    {kInputPanel, kDeleteAllButton, kClicked, OnDeleteAll},
    {kInputPanel, kAddFolderButton, kClicked, OnAddFolder},
    {kInputPanel, kMoveUpButton, kClicked, OnMoveUp},
    {kInputPanel, kMoveDownButton, kClicked, OnMoveDown},
    {kInputPanel, kCalcTotalButton, kClicked, OnCalcTotal},
    {kInputPanel, kBrowseFolderButton, kClicked, BrowseOutputFolder},

    {kFormatPanel, kResizeWidthBox, kFocusLost, OnResizeWidthFocusLost},
    {kFormatPanel, kResizeHeightBox, kFocusLost, OnResizeHeightFocusLost},
    {kFormatPanel, kFormatList, kSelectionChanged, OnFormatOrResizeChanged},
    {kFormatPanel, kResizeKeepRadio, kClicked, OnFormatOrResizeChanged},
    {kFormatPanel, kResize640Radio, kClicked, OnFormatOrResizeChanged},
    {kFormatPanel, kResize320Radio, kClicked, OnFormatOrResizeChanged},
    {kFormatPanel, kResizeUserRadio, kClicked, OnFormatOrResizeChanged},

    {kBmpPage, kBmpColourList, kSelectionChanged, [] { OnFormatPageChanged(kFormatBmp); }},
    {kJpgPage, kJpgQualityList, kSelectionChanged, [] { OnFormatPageChanged(kFormatJpeg); }},
    {kJpgPage, kJpgProgressiveCheck, kClicked, [] { OnFormatPageChanged(kFormatJpeg); }},
    {kPngPage, kPngInterlaceCheck, kClicked, [] { OnFormatPageChanged(kFormatPng); }},
    {kGifPage, kGifInterlaceCheck, kClicked, [] { OnFormatPageChanged(kFormatGif); }},
    {kGifPage, kGifAnimationCheck, kClicked, [] { OnFormatPageChanged(kFormatGif); }},
    {kGifPage, kGifDelayList, kSelectionChanged, [] { OnFormatPageChanged(kFormatGif); }},
    {kGifPage, kGifTransparencyList, kSelectionChanged, [] { OnFormatPageChanged(kFormatGif); }},
    {kGifPage, kGifBitDepthList, kSelectionChanged, [] { OnFormatPageChanged(kFormatGif); }},
    {kHtmPage, kHtmPixelList, kSelectionChanged, [] { OnFormatPageChanged(kFormatHtm); }},
    {kWebpPage, kWebpQualityList, kSelectionChanged, [] { OnFormatPageChanged(kFormatWebp); }},
    {kWebpPage, kWebpLosslessCheck, kClicked, [] { OnFormatPageChanged(kFormatWebp); }},
    {kAvifPage, kAvifQualityList, kSelectionChanged, [] { OnFormatPageChanged(kFormatAvif); }},
    {kAvifPage, kAvifSpeedList, kSelectionChanged, [] { OnFormatPageChanged(kFormatAvif); }},
    {kJxlPage, kJxlQualityList, kSelectionChanged, [] { OnFormatPageChanged(kFormatJxl); }},
    {kJxlPage, kJxlEffortList, kSelectionChanged, [] { OnFormatPageChanged(kFormatJxl); }},
    {kJxlPage, kJxlLosslessCheck, kClicked, [] { OnFormatPageChanged(kFormatJxl); }},
    {kJxlPage, kJxlFromJpegCheck, kClicked, [] { OnFormatPageChanged(kFormatJxl); }},

    {kFilterPage, kFilterList, kSelectionChanged, RunRefresh},
    {kFilterPage, kAngleList, kSelectionChanged, RunRefresh},
    {kFilterPage, kBlankColourList, kSelectionChanged, RunRefresh},
    {kFilterPage, kCropNoneRadio, kClicked, RunRefresh},
    {kFilterPage, kCropSizeRadio, kClicked, RunRefresh},
    {kFilterPage, kCropEndRadio, kClicked, RunRefresh},
    {kFilterPage, kCropStartX1Box, kFocusLost, [] { OnCropBoxFocusLost(1); }},
    {kFilterPage, kCropStartY1Box, kFocusLost, [] { OnCropBoxFocusLost(1); }},
    {kFilterPage, kCropSizeXBox, kFocusLost, [] { OnCropBoxFocusLost(1); }},
    {kFilterPage, kCropSizeYBox, kFocusLost, [] { OnCropBoxFocusLost(1); }},
    {kFilterPage, kCropStartX2Box, kFocusLost, [] { OnCropBoxFocusLost(2); }},
    {kFilterPage, kCropStartY2Box, kFocusLost, [] { OnCropBoxFocusLost(2); }},
    {kFilterPage, kCropEndXBox, kFocusLost, [] { OnCropBoxFocusLost(2); }},
    {kFilterPage, kCropEndYBox, kFocusLost, [] { OnCropBoxFocusLost(2); }},

    {kRenamePage, kRenameRuleList, kSelectionChanged, OnSettingChanged},
    {kRenamePage, kExtensionList, kSelectionChanged, OnSettingChanged},
    {kRenamePage, kRenameNumberBox, kFocusLost, OnRenameNumberFocusLost},
    {kRenamePage, kRenameStepBox, kFocusLost, OnRenameStepFocusLost},
    {kRenamePage, kRenameNameBox, kFocusLost, OnRenameNameFocusLost},
    {kOtherPage, kSubFolderList, kSelectionChanged, OnSettingChanged},
    {kOtherPage, kFolderNameBox, kFocusLost, OnFolderNameFocusLost},
    // The preview method gets the sub-folder list's handler so that a new choice is saved at once.
    {kOtherPage, kPreviewMethodList, kSelectionChanged, OnSettingChanged},

    {kSettingsTreePanel, kSettingsTree, kTreeSelectionChanged, OnSettingsTreeChanged},
    {kActionPanel, kPreviewButton, kClicked, OnPreview},
    {kActionPanel, kRunButton, kClicked, RunBatch},
    {kActionPanel, kInitialiseButton, kClicked, InitialiseSettings},

    {0, kMoreSettingsCommand, kMenuCommand, OnMoreSettings},
    {0, kSavePresetCommand, kMenuCommand, OnSavePreset},
    {0, kPresetsCommand, kMenuCommand, OnPresets},
    {0, kEstimateCommand, kMenuCommand, OnEstimate},
};

}  // namespace

ViewOperations& CurrentViewOperations() {
  static ViewOperations operations;
  return operations;
}

void DispatchViewEvent(const ControlEvent& event) {
  // Files dropped on the input panel; drops anywhere else are ignored.
  if (event.notification == kFilesDropped) {
    if (event.barId == kInputPanel) OnInputDrop(event.files);
    return;
  }
  for (const HandlerRow& row : kHandlers) {
    if (row.barId == event.barId && row.controlId == event.controlId &&
        row.notification == event.notification) {
      row.handler();
      return;
    }
  }
}
