#include <gtest/gtest.h>

#include <cstring>

#include "resources/control_ids.h"
#include "state/app_state.h"
#include "state/settings_file.h"
#include "tests/window/panel_fixture.h"
#include "window/fill_and_read_panels.h"

namespace {

using ReadPanelsTest = PanelFixture;

TEST_F(ReadPanelsTest, ReadsTheSelectedEntryAndCopiesTheNamesForTheNamingRules) {
  StartUp();
  layer->SetText(kRenamePage, kRenameNameBox, "名前 two");
  layer->SetText(kOtherPage, kFolderNameBox, "sub");
  layer->ListInsert(kInputPanel, kInputList, -1, "a.bmp");
  layer->ListInsert(kInputPanel, kInputList, -1, "b.bmp");
  layer->ListSelect(kInputPanel, kInputList, 1);
  ReadPanels();

  const PathBlock& paths = *GetAppState()->paths;
  EXPECT_EQ(paths.selectedIndex, 1);
  // The name box is copied unchanged; only leaving the box sanitises it.
  EXPECT_STREQ(paths.RENAME_NAME, "名前 two");
  EXPECT_STREQ(paths.outputName, "名前 two");
  EXPECT_STREQ(paths.FOLDER_NAME, "sub");
  EXPECT_STREQ(paths.subFolder, "sub");
}

TEST_F(ReadPanelsTest, ResizeChoiceGivesTheTargetSize) {
  StartUp();
  AppState* state = GetAppState();
  state->source->width = 77;
  state->source->height = 55;
  layer->SetText(kFormatPanel, kResizeWidthBox, "800");
  layer->SetText(kFormatPanel, kResizeHeightBox, "600");
  const struct {
    int radio;
    int type;
    int width;
    int height;
  } cases[] = {
      {kResizeKeepRadio, 0, 77, 55},
      {kResize640Radio, 1, 640, 480},
      {kResize320Radio, 2, 320, 240},
      {kResizeUserRadio, 3, 800, 600},
  };
  for (const auto& c : cases) {
    layer->Click(kFormatPanel, c.radio);
    ReadPanels();
    EXPECT_EQ(state->target->RESIZE_TYPE, c.type);
    EXPECT_EQ(state->target->width, c.width) << c.type;
    EXPECT_EQ(state->target->height, c.height) << c.type;
  }
  EXPECT_EQ(state->target->RESIZE_X, 800);
}

TEST_F(ReadPanelsTest, CropFormsGiveTheRectangleInEffect) {
  StartUp();
  PictureRecord& target = *GetAppState()->target;
  const int form1[] = {5, 6, 70, 80};
  const int form2[] = {10, 20, 110, 220};
  const int boxes1[] = {kCropStartX1Box, kCropStartY1Box, kCropSizeXBox, kCropSizeYBox};
  const int boxes2[] = {kCropStartX2Box, kCropStartY2Box, kCropEndXBox, kCropEndYBox};
  for (int i = 0; i < 4; ++i) {
    layer->SetText(kFilterPage, boxes1[i], std::to_string(form1[i]));
    layer->SetText(kFilterPage, boxes2[i], std::to_string(form2[i]));
  }
  layer->Click(kFilterPage, kCropEndRadio);
  ReadPanels();
  EXPECT_EQ(target.CUT_TYPE, 2);
  EXPECT_EQ(target.cropX, 10);
  EXPECT_EQ(target.cropY, 20);
  EXPECT_EQ(target.cropWidth, 100);
  EXPECT_EQ(target.cropHeight, 200);

  layer->Click(kFilterPage, kCropSizeRadio);
  ReadPanels();
  EXPECT_EQ(target.cropX, 5);
  EXPECT_EQ(target.cropY, 6);
  EXPECT_EQ(target.cropWidth, 70);
  EXPECT_EQ(target.cropHeight, 80);

  // "しない" keeps the rectangle of the last read-back.
  layer->Click(kFilterPage, kCropNoneRadio);
  layer->SetText(kFilterPage, kCropStartX1Box, "9");
  ReadPanels();
  EXPECT_EQ(target.CUT_TYPE, 0);
  EXPECT_EQ(target.CUT_X_1, 9);
  EXPECT_EQ(target.cropX, 5);
}

TEST_F(ReadPanelsTest, OffendingCropAxesNeverReachTheSettings) {
  StartUp();
  PictureRecord& target = *GetAppState()->target;
  // Form 2 with an end before its start on X, and form 1 with a start above 2500 on Y.
  layer->SetText(kFilterPage, kCropStartX2Box, "300");
  layer->SetText(kFilterPage, kCropEndXBox, "100");
  layer->SetText(kFilterPage, kCropStartY1Box, "2501");
  layer->Click(kFilterPage, kCropEndRadio);
  ReadPanels();
  EXPECT_EQ(target.CUT_X_2, 0);
  EXPECT_EQ(target.CUT_X2_2, 320);
  EXPECT_EQ(target.cropWidth, 320);
  EXPECT_EQ(target.CUT_Y_1, 0);
  EXPECT_EQ(target.CUT_Y2_1, 320);
  // The untouched axes keep their values.
  EXPECT_EQ(target.CUT_Y2_2, 120);
  EXPECT_EQ(target.CUT_X2_1, 240);
}

TEST_F(ReadPanelsTest, LongTextsAreCutToWhatTheirSettingsLineHolds) {
  StartUp();
  std::string longName;
  for (int i = 0; i < 150; ++i) longName += "名";  // 300 bytes in cp932
  layer->SetText(kOtherPage, kFolderNameBox, longName);
  layer->SetText(kRenamePage, kRenameNameBox, longName);
  layer->Choose(kOtherPage, kSubFolderList, 1);
  layer->Choose(kOtherPage, kPreviewMethodList, 1);
  ReadPanels();
  // "#FOLDER_NAME=\t" and the name make a line of at most 255 bytes as Japanese Windows stores
  // them: 120 whole characters.
  const std::string kept = longName.substr(0, 3 * 120);
  PathBlock& paths = *GetAppState()->paths;
  EXPECT_EQ(std::string(paths.FOLDER_NAME), kept);
  EXPECT_EQ(std::string(paths.subFolder), kept);
  EXPECT_EQ(std::string(paths.RENAME_NAME), kept);
  EXPECT_EQ(std::string(paths.outputName), kept);

  // The saved file reads back whole: the settings after the long lines are not lost.
  paths.FOLDER_TYPE = paths.PREVIEW_TYPE = 0;
  EXPECT_EQ(LoadSettings(), SettingsStatus::kDone);
  EXPECT_EQ(std::string(paths.FOLDER_NAME), kept);
  EXPECT_EQ(paths.FOLDER_TYPE, 1);
  EXPECT_EQ(paths.PREVIEW_TYPE, 1);
}

}  // namespace
