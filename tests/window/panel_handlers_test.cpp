#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "resources/control_ids.h"
#include "resources/panel_templates.h"
#include "state/app_state.h"
#include "tests/window/panel_fixture.h"
#include "window/settings_pages.h"
#include "window/view_dispatch.h"

namespace {

class HandlersTest : public PanelFixture {
 protected:
  void SetUp() override {
    PanelFixture::SetUp();
    StartUp();
  }
  // Types into a box and moves the focus away, which runs the box's handler.
  void Enter(int barId, int controlId, const std::string& text) {
    layer->Type(barId, controlId, text);
    layer->Focus(kActionPanel, kRunButton);
  }
};

TEST_F(HandlersTest, SizeBoxesKeepValuesWithinOneTo2500) {
  const struct {
    const char* typed;
    const char* width;
    const char* height;
  } cases[] = {
      {"0", "256", "128"}, {"2501", "256", "128"}, {"2500", "2500", "2500"}, {"007", "7", "7"},
      {"", "256", "128"},  {"-40", "256", "128"},  {"12ab", "12", "12"},
  };
  for (const auto& c : cases) {
    Enter(kFormatPanel, kResizeWidthBox, c.typed);
    Enter(kFormatPanel, kResizeHeightBox, c.typed);
    EXPECT_EQ(layer->GetText(kFormatPanel, kResizeWidthBox), c.width) << c.typed;
    EXPECT_EQ(layer->GetText(kFormatPanel, kResizeHeightBox), c.height) << c.typed;
  }
  EXPECT_EQ(refreshCount, 2 * static_cast<int>(std::size(cases)));
}

TEST_F(HandlersTest, NumberAndStepBoxes) {
  const struct {
    int controlId;
    const char* typed;
    const char* shown;
  } cases[] = {
      {kRenameNumberBox, "", "0"}, {kRenameNumberBox, "0012", "12"}, {kRenameNumberBox, "-3", "-3"},
      {kRenameStepBox, "0", "1"},  {kRenameStepBox, "", "1"},        {kRenameStepBox, "-2", "1"},
      {kRenameStepBox, "05", "5"},
  };
  for (const auto& c : cases) {
    Enter(kRenamePage, c.controlId, c.typed);
    EXPECT_EQ(layer->GetText(kRenamePage, c.controlId), c.shown) << c.typed;
  }
  EXPECT_EQ(GetAppState()->paths->RENAME_VAL, 5);
  // These boxes only read back: no trial conversion.
  EXPECT_EQ(refreshCount, 0);
}

TEST_F(HandlersTest, NumberBoxesTakeTheDigitsOfTheirLargestValue) {
  Enter(kFormatPanel, kResizeWidthBox, "25000");
  EXPECT_EQ(layer->GetText(kFormatPanel, kResizeWidthBox), "2500");
  layer->Type(kFilterPage, kCropEndYBox, "123456");
  EXPECT_EQ(layer->GetText(kFilterPage, kCropEndYBox), "1234");
  layer->Type(kRenamePage, kRenameStepBox, "123456789012");
  EXPECT_EQ(layer->GetText(kRenamePage, kRenameStepBox), "1234567890");
}

TEST_F(HandlersTest, NameBoxesAreSanitisedWhenLeft) {
  Enter(kRenamePage, kRenameNameBox, "my file.jpg");
  EXPECT_EQ(layer->GetText(kRenamePage, kRenameNameBox), "my_file_jpg");
  EXPECT_STREQ(GetAppState()->paths->RENAME_NAME, "my_file_jpg");
  Enter(kOtherPage, kFolderNameBox, "出力\xe3\x80\x80\xef\xbd\xb1/x");
  EXPECT_EQ(layer->GetText(kOtherPage, kFolderNameBox), "出力\xe3\x80\x80__x");
  EXPECT_STREQ(GetAppState()->paths->subFolder, "出力\xe3\x80\x80__x");
  EXPECT_NE(SettingsFileText().find("#RENAME_NAME=\tmy_file_jpg\r\n"), std::string::npos);
}

TEST_F(HandlersTest, NamePreviewRunsOnlyWhenTheListHasEntries) {
  layer->Choose(kRenamePage, kRenameRuleList, 1);
  EXPECT_EQ(namePreviewCount, 0);
  layer->ListInsert(kInputPanel, kInputList, -1, "a.bmp");
  layer->Choose(kRenamePage, kExtensionList, 1);
  layer->Choose(kOtherPage, kSubFolderList, 1);
  layer->Choose(kOtherPage, kPreviewMethodList, 1);
  EXPECT_EQ(namePreviewCount, 3);
  EXPECT_EQ(refreshCount, 0);
  EXPECT_EQ(GetAppState()->paths->PREVIEW_TYPE, 1);
  EXPECT_NE(SettingsFileText().find("#PREVIEW_TYPE=\t1\r\n"), std::string::npos);
}

TEST_F(HandlersTest, FormatPageChangesRefreshOnlyForTheChosenFormat) {
  layer->Choose(kFormatPanel, kFormatList, 1);  // JPG
  EXPECT_EQ(refreshCount, 1);
  layer->Choose(kGifPage, kGifDelayList, 50);
  EXPECT_EQ(refreshCount, 1);
  EXPECT_EQ(GetAppState()->target->GIF_SPEED, 50);
  EXPECT_NE(SettingsFileText().find("#GIF_SPEED=\t50\r\n"), std::string::npos);
  layer->Choose(kJpgPage, kJpgQualityList, 90);
  layer->Click(kJpgPage, kJpgProgressiveCheck);
  EXPECT_EQ(refreshCount, 3);
  layer->Click(kPngPage, kPngInterlaceCheck);
  layer->Choose(kHtmPage, kHtmPixelList, 2);
  layer->Choose(kBmpPage, kBmpColourList, 2);
  EXPECT_EQ(refreshCount, 3);
  // The filter page and the resize radios always refresh.
  layer->Choose(kFilterPage, kFilterList, 3);
  layer->Click(kFilterPage, kCropSizeRadio);
  layer->Click(kFormatPanel, kResize640Radio);
  EXPECT_EQ(refreshCount, 6);
}

TEST_F(HandlersTest, CropBoxesRefreshOnlyForTheActiveForm) {
  layer->Click(kFilterPage, kCropSizeRadio);
  refreshCount = 0;
  layer->SetText(kFilterPage, kCropStartX2Box, "");
  layer->SetText(kFilterPage, kCropSizeXBox, "0040");
  Enter(kFilterPage, kCropStartY2Box, "15");
  // Every box is normalised, the settings are saved, nothing is converted on trial.
  EXPECT_EQ(layer->GetText(kFilterPage, kCropStartX2Box), "0");
  EXPECT_EQ(layer->GetText(kFilterPage, kCropSizeXBox), "40");
  EXPECT_EQ(refreshCount, 0);
  EXPECT_EQ(GetAppState()->target->CUT_Y_2, 15);

  Enter(kFilterPage, kCropStartY1Box, "30");
  EXPECT_EQ(refreshCount, 1);
}

TEST_F(HandlersTest, CropBoxesGetThePerAxisCheck) {
  Enter(kFilterPage, kCropSizeXBox, "2600");
  EXPECT_EQ(layer->GetText(kFilterPage, kCropStartX1Box), "0");
  EXPECT_EQ(layer->GetText(kFilterPage, kCropSizeXBox), "320");
  Enter(kFilterPage, kCropEndYBox, "0");
  EXPECT_EQ(layer->GetText(kFilterPage, kCropStartY2Box), "0");
  EXPECT_EQ(layer->GetText(kFilterPage, kCropEndYBox), "320");
  Enter(kFilterPage, kCropEndXBox, "2500");
  EXPECT_EQ(layer->GetText(kFilterPage, kCropEndXBox), "2500");
}

// The tree item of a settings page.
int ItemOf(int barId) {
  const auto pages = SettingsPages();
  for (std::size_t item = 0; item < pages.size(); ++item) {
    if (pages[item].barId == barId) return static_cast<int>(item);
  }
  return -1;
}

TEST_F(HandlersTest, TheTreeClickThatLeavesASizeOrCropBoxShowsItsPage) {
  // The click on the tree takes the focus from the box first; its page is shown all the same.
  layer->Type(kFormatPanel, kResizeWidthBox, "300");
  layer->ClickTreeItem(kSettingsTreePanel, kSettingsTree, ItemOf(kOtherPage));
  EXPECT_TRUE(layer->IsPanelVisible(kOtherPage));
  EXPECT_FALSE(layer->IsPanelVisible(kBmpPage));
  layer->ClickTreeItem(kSettingsTreePanel, kSettingsTree, ItemOf(kFilterPage));
  layer->Click(kFilterPage, kCropSizeRadio);
  layer->Type(kFilterPage, kCropStartX1Box, "10");
  layer->ClickTreeItem(kSettingsTreePanel, kSettingsTree, ItemOf(kRenamePage));
  EXPECT_TRUE(layer->IsPanelVisible(kRenamePage));
  EXPECT_FALSE(layer->IsPanelVisible(kFilterPage));
  EXPECT_EQ(layer->TreeSelectedText(kSettingsTreePanel, kSettingsTree), "リネーム");
}

TEST_F(HandlersTest, TreeItemsShowTheirPagesAlone) {
  const auto pages = SettingsPages();
  for (int item = kSettingsPageCount - 1; item >= 0; --item) {
    layer->ClickTreeItem(kSettingsTreePanel, kSettingsTree, item);
    for (int page = 0; page < kSettingsPageCount; ++page) {
      EXPECT_EQ(layer->IsPanelVisible(pages[page].barId), page == item) << item << "/" << page;
    }
  }
  EXPECT_EQ(pages[5].barId, kWebpPage);
  EXPECT_EQ(pages[6].barId, kAvifPage);
  EXPECT_EQ(pages[7].barId, kJxlPage);
  EXPECT_EQ(pages[8].barId, kFilterPage);
  EXPECT_EQ(pages[9].barId, kRenamePage);
  EXPECT_FALSE(layer->HasPanel(kAviPage));
  EXPECT_FALSE(layer->HasPanel(kRegistryPage));
}

TEST_F(HandlersTest, EveryOptionControlHasAHandlerThatRefreshesOrSaves) {
  const struct {
    int barId;
    int controlId;
    Notification notification;
  } options[] = {
      {kFormatPanel, kFormatList, Notification::kSelectionChanged},
      {kFormatPanel, kResize640Radio, Notification::kClicked},
      {kFormatPanel, kResizeWidthBox, Notification::kFocusLost},
      {kFormatPanel, kResizeHeightBox, Notification::kFocusLost},
      {kBmpPage, kBmpColourList, Notification::kSelectionChanged},
      {kJpgPage, kJpgQualityList, Notification::kSelectionChanged},
      {kJpgPage, kJpgProgressiveCheck, Notification::kClicked},
      {kPngPage, kPngInterlaceCheck, Notification::kClicked},
      {kGifPage, kGifInterlaceCheck, Notification::kClicked},
      {kGifPage, kGifAnimationCheck, Notification::kClicked},
      {kGifPage, kGifDelayList, Notification::kSelectionChanged},
      {kGifPage, kGifTransparencyList, Notification::kSelectionChanged},
      {kGifPage, kGifBitDepthList, Notification::kSelectionChanged},
      {kHtmPage, kHtmPixelList, Notification::kSelectionChanged},
      {kFilterPage, kFilterList, Notification::kSelectionChanged},
      {kFilterPage, kAngleList, Notification::kSelectionChanged},
      {kFilterPage, kBlankColourList, Notification::kSelectionChanged},
      {kFilterPage, kCropEndRadio, Notification::kClicked},
      {kFilterPage, kCropStartX1Box, Notification::kFocusLost},
      {kFilterPage, kCropEndYBox, Notification::kFocusLost},
      {kRenamePage, kRenameRuleList, Notification::kSelectionChanged},
      {kRenamePage, kExtensionList, Notification::kSelectionChanged},
      {kRenamePage, kRenameNumberBox, Notification::kFocusLost},
      {kRenamePage, kRenameStepBox, Notification::kFocusLost},
      {kRenamePage, kRenameNameBox, Notification::kFocusLost},
      {kOtherPage, kSubFolderList, Notification::kSelectionChanged},
      {kOtherPage, kFolderNameBox, Notification::kFocusLost},
      {kOtherPage, kPreviewMethodList, Notification::kSelectionChanged},
      {kInputPanel, kBrowseFolderButton, Notification::kClicked},
  };
  const auto settingsFile = folder / "Data" / "Confing.inf";
  for (const auto& option : options) {
    std::filesystem::remove(settingsFile);
    int refreshesBefore = refreshCount;
    DispatchViewEvent({option.barId, option.controlId, option.notification, {}});
    EXPECT_TRUE(refreshCount > refreshesBefore || std::filesystem::exists(settingsFile))
        << option.barId << "/" << option.controlId;
  }
}

TEST_F(HandlersTest, OutputFolderBrowserSavesChosenFolderOrKeepsTheOld) {
  std::string before = layer->GetText(kInputPanel, kOutputFolderBox);
  layer->folderChoices.push_back(std::nullopt);
  layer->Choose(kJpgPage, kJpgQualityList, 33);
  layer->SetCheck(kGifPage, kGifAnimationCheck, 1);
  layer->Click(kInputPanel, kBrowseFolderButton);
  EXPECT_EQ(layer->dialogTitles.back(), "画像を出力場所を指定してください！");
  EXPECT_EQ(layer->GetText(kInputPanel, kOutputFolderBox), before);
  // Cancelled, the settings are still read back and saved.
  EXPECT_NE(SettingsFileText().find("#GIF_ANIMA=\t1\r\n"), std::string::npos);

  layer->folderChoices.push_back("/tmp/out/");
  layer->Click(kInputPanel, kBrowseFolderButton);
  EXPECT_EQ(layer->GetText(kInputPanel, kOutputFolderBox), "/tmp/out/");
  // Both folder dialogs open in the output folder.
  layer->Click(kInputPanel, kBrowseFolderButton);
  layer->Click(kInputPanel, kAddFolderButton);
  EXPECT_EQ(layer->folderStarts.back(), "/tmp/out/");
  EXPECT_EQ(layer->folderStarts.end()[-2], "/tmp/out/");
  EXPECT_STREQ(GetAppState()->paths->SAVE, "/tmp/out/");
  EXPECT_NE(SettingsFileText().find("#SAVE=\r\n/tmp/out/\r\n"), std::string::npos);

  // Too long to hold any output: refused by name, the chosen folder stays.
  layer->folderChoices.push_back("/tmp/" + std::string(251, 'f') + "/");
  layer->Click(kInputPanel, kBrowseFolderButton);
  ASSERT_FALSE(layer->messages.empty());
  EXPECT_NE(layer->messages.back().find("はパスが長すぎるため出力先にできません！"),
            std::string::npos);
  EXPECT_STREQ(GetAppState()->paths->SAVE, "/tmp/out/");

  // 255 bytes leave no room for a file name within the limit; 254 leave one character.
  layer->folderChoices.push_back("/tmp/" + std::string(249, 'f') + "/");
  layer->Click(kInputPanel, kBrowseFolderButton);
  EXPECT_NE(layer->messages.back().find("(254 バイトまでです)"), std::string::npos);
  EXPECT_STREQ(GetAppState()->paths->SAVE, "/tmp/out/");
  const std::string fits = "/tmp/" + std::string(248, 'f') + "/";
  layer->folderChoices.push_back(fits);
  layer->Click(kInputPanel, kBrowseFolderButton);
  EXPECT_EQ(GetAppState()->paths->SAVE, fits);
}

TEST_F(HandlersTest, MoreSettingsDialogShowsStoresOnOkAndDiscardsOnCancel) {
  AppState& state = *GetAppState();
  state.target->JPG_MAX_KB = 150;
  DialogValues shown;
  layer->onDialog = [&shown](const DialogTemplate&, DialogValues& values) {
    shown = values;
    values[kShapeLongSideRadio] = "1";
    values[kShapeStretchRadio] = "0";
    values[kNoEnlargeCheck] = "1";
    values[kJpegMaxKbBox] = "99999999";
    return false;  // キャンセル
  };
  layer->ChooseMenuCommand(kMoreSettingsCommand);
  EXPECT_EQ(layer->dialogTitles, std::vector<std::string>{"詳細設定"});
  EXPECT_EQ(shown, (DialogValues{{kShapeStretchRadio, "1"},
                                 {kShapeFitInsideRadio, "0"},
                                 {kShapeLongSideRadio, "0"},
                                 {kNoEnlargeCheck, "0"},
                                 {kJpegMaxKbBox, "150"},
                                 {kExistingReplaceRadio, "1"},
                                 {kExistingSkipRadio, "0"},
                                 {kExistingNumberRadio, "0"},
                                 {kKeepDateCheck, "0"},
                                 {kOnErrorStopRadio, "1"},
                                 {kOnErrorContinueRadio, "0"},
                                 {kExifNoneRadio, "1"},
                                 {kExifDateAndCameraRadio, "0"},
                                 {kExifAllRadio, "0"},
                                 {kSubfoldersCheck, "0"},
                                 {kKeepTreeCheck, "0"},
                                 {kNameAsSourceRadio, "1"},
                                 {kNameFromDateRadio, "0"},
                                 {kNameFromDateAndSourceRadio, "0"},
                                 {kKeepSmallerOffRadio, "1"},
                                 {kKeepSmallerOnRadio, "0"},
                                 {kBudgetMbBox, "0"}}));
  EXPECT_EQ(state.target->RESIZE_FIT, 0);
  EXPECT_EQ(refreshCount, 0);

  const std::string mainFile = SettingsFileText();
  auto answer = layer->onDialog;
  layer->onDialog = [answer](const DialogTemplate& declaration, DialogValues& values) {
    answer(declaration, values);
    return true;  // OK
  };
  layer->ChooseMenuCommand(kMoreSettingsCommand);
  EXPECT_EQ(state.target->RESIZE_FIT, 2);
  EXPECT_EQ(state.target->NO_ENLARGE, 1);
  // A cap past the largest is held to it.
  EXPECT_EQ(state.target->JPG_MAX_KB, 1 << 20);
  EXPECT_EQ(refreshCount, 1);
  EXPECT_EQ(SettingsFileText(), mainFile);
  std::ifstream extras(folder / "Data" / "Trastel.inf", std::ios::binary);
  const std::string extrasText((std::istreambuf_iterator<char>(extras)), {});
  EXPECT_NE(extrasText.find("#RESIZE_FIT=\t2\r\n#NO_ENLARGE=\t1\r\n#JPG_MAX_KB=\t1048576\r\n"),
            std::string::npos)
      << extrasText;
}

}  // namespace
