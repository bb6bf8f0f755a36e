#include <gtest/gtest.h>

#include "resources/control_ids.h"
#include "state/app_state.h"
#include "state/choice_tables.h"
#include "tests/window/panel_fixture.h"
#include "window/fill_and_read_panels.h"
#include "window/initialise_settings.h"

namespace {

using FillPanelsTest = PanelFixture;

struct ShownChoice {
  int barId;
  int controlId;
  const char* text;
};

// What the panels show with the default settings.
constexpr ShownChoice kDefaultChoices[] = {
    {kFormatPanel, kFormatList, "BMP形式"},
    {kBmpPage, kBmpColourList, "２４ビットに変換"},
    {kJpgPage, kJpgQualityList, "20%"},
    {kGifPage, kGifDelayList, "20ms"},
    {kGifPage, kGifBitDepthList, "色の数に合わせる"},
    {kGifPage, kGifTransparencyList, "透過させない"},
    {kHtmPage, kHtmPixelList, "１ピクセル"},
    {kFilterPage, kFilterList, "なし"},
    {kFilterPage, kAngleList, "0度"},
    {kFilterPage, kBlankColourList, "白色"},
    {kRenamePage, kRenameRuleList, "変えない(同名の名前(拡張子を含む)は上書き)"},
    {kRenamePage, kExtensionList, "小文字でつける"},
    {kOtherPage, kSubFolderList, "作らない"},
    {kOtherPage, kPreviewMethodList, "ブラウザでプレビュー(ノーマル)"},
};

struct ShownText {
  int barId;
  int controlId;
  const char* text;
};

constexpr ShownText kDefaultTexts[] = {
    {kFormatPanel, kResizeWidthBox, "240"},      {kFormatPanel, kResizeHeightBox, "120"},
    {kFilterPage, kCropStartX1Box, "0"},         {kFilterPage, kCropStartY1Box, "0"},
    {kFilterPage, kCropSizeXBox, "240"},         {kFilterPage, kCropSizeYBox, "120"},
    {kFilterPage, kCropStartX2Box, "0"},         {kFilterPage, kCropStartY2Box, "0"},
    {kFilterPage, kCropEndXBox, "240"},          {kFilterPage, kCropEndYBox, "120"},
    {kRenamePage, kRenameNumberBox, "0"},        {kRenamePage, kRenameStepBox, "1"},
    {kRenamePage, kRenameNameBox, "TrastelSan"}, {kOtherPage, kFolderNameBox, "トラステル"},
    {kInputPanel, kEntryCountBox, "0"},          {kInputPanel, kTotalBytesBox, "0"},
    {kInputPanel, kBeforeNameBox, "NODATA"},     {kInputPanel, kBeforeBytesBox, "??????????"},
    {kInputPanel, kBeforeWidthBox, "????"},      {kInputPanel, kBeforeTypeBox, "???"},
    {kInputPanel, kAfterNameBox, "NODATA"},      {kInputPanel, kAfterBytesBox, "??????????"},
    {kInputPanel, kAfterHeightBox, "????"},      {kInputPanel, kAfterTypeBox, "???"},
};

TEST_F(FillPanelsTest, DefaultSettingsShowTheDefaultChoices) {
  FillPanels();
  for (const ShownChoice& choice : kDefaultChoices) {
    EXPECT_EQ(Shown(choice.barId, choice.controlId), choice.text) << choice.controlId;
  }
  for (const ShownText& box : kDefaultTexts) {
    EXPECT_EQ(layer->GetText(box.barId, box.controlId), box.text) << box.controlId;
  }
  EXPECT_EQ(layer->GetText(kInputPanel, kOutputFolderBox), folder.string() + "/");
  const int checked[][2] = {{kFormatPanel, kResizeKeepRadio}, {kFilterPage, kCropNoneRadio}};
  for (auto [bar, id] : checked) EXPECT_EQ(layer->GetCheck(bar, id), 1) << id;
  const int clear[][2] = {
      {kFormatPanel, kResize640Radio},  {kFormatPanel, kResize320Radio},
      {kFormatPanel, kResizeUserRadio}, {kFilterPage, kCropSizeRadio},
      {kFilterPage, kCropEndRadio},     {kJpgPage, kJpgProgressiveCheck},
      {kPngPage, kPngInterlaceCheck},   {kGifPage, kGifInterlaceCheck},
      {kGifPage, kGifAnimationCheck},
  };
  for (auto [bar, id] : clear) EXPECT_EQ(layer->GetCheck(bar, id), 0) << id;
  // The first tree item is selected, which shows the BMP page alone.
  EXPECT_EQ(layer->TreeSelectedText(kSettingsTreePanel, kSettingsTree), "BMP(*.bmp)");
  EXPECT_TRUE(layer->IsPanelVisible(kBmpPage));
  EXPECT_FALSE(layer->IsPanelVisible(kOtherPage));
}

TEST_F(FillPanelsTest, ChoiceListsHoldTheirEntriesInOrder) {
  FillPanels();
  const struct {
    int controlId;
    int count;
    const char* last;
  } lists[] = {
      {kJpgQualityList, 101, "100%"},
      {kGifDelayList, 200, "1990ms"},
      {kAngleList, 361, "360度"},
      {kFilterList, 8, "(0,0)の色は黒、以外を白でマスク"},
      {kBlankColourList, 6, "青色"},
      {kPreviewMethodList, 2, "ブラウザでプレビュー(要:AcitiveX有効)"},
  };
  for (const auto& list : lists) {
    const ChoiceTable& table = ChoiceTableOf(list.controlId);
    ASSERT_EQ(layer->ComboCount(table.barId, table.controlId), list.count) << list.controlId;
    EXPECT_EQ(layer->ComboText(table.barId, table.controlId, list.count - 1), list.last);
  }
  EXPECT_EQ(layer->ComboText(kGifPage, kGifDelayList, 1), "10ms");
}

TEST_F(FillPanelsTest, StoredValuesAtTheEndOfAListSelectTheLastEntry) {
  PictureRecord& target = *GetAppState()->target;
  target.JPG_TYPE = 100;
  target.GIF_SPEED = 199;
  target.ANGLE_VAL = 360;
  target.RESIZE_TYPE = 3;
  target.CUT_TYPE = 2;
  FillPanels();
  EXPECT_EQ(Shown(kJpgPage, kJpgQualityList), "100%");
  EXPECT_EQ(Shown(kGifPage, kGifDelayList), "1990ms");
  EXPECT_EQ(Shown(kFilterPage, kAngleList), "360度");
  EXPECT_EQ(layer->GetCheck(kFormatPanel, kResizeUserRadio), 1);
  EXPECT_EQ(layer->GetCheck(kFilterPage, kCropEndRadio), 1);
}

TEST_F(FillPanelsTest, OutOfRangeValuesLeaveNoSelectionAndReadBackAsMinusOne) {
  PictureRecord& target = *GetAppState()->target;
  target.JPG_TYPE = 101;
  target.GIF_SPEED = 200;
  target.RESIZE_TYPE = 7;
  target.CUT_TYPE = 9;
  StartUp();
  EXPECT_EQ(layer->ComboSelection(kJpgPage, kJpgQualityList), -1);
  EXPECT_EQ(layer->ComboSelection(kGifPage, kGifDelayList), -1);
  for (int radio : {kResizeKeepRadio, kResize640Radio, kResize320Radio, kResizeUserRadio}) {
    EXPECT_EQ(layer->GetCheck(kFormatPanel, radio), 0);
  }
  EXPECT_EQ(target.JPG_TYPE, -1);
  EXPECT_EQ(target.GIF_SPEED, -1);
  // No checked resize radio reads as the user size; no checked crop radio as form 2.
  EXPECT_EQ(target.RESIZE_TYPE, 3);
  EXPECT_EQ(target.CUT_TYPE, 2);
  EXPECT_NE(SettingsFileText().find("#JPG_TYPE=\t-1\r\n"), std::string::npos);
}

TEST_F(FillPanelsTest, InitialiseAfterYesRestoresDefaultsWithoutDuplicates) {
  StartUp();
  layer->ListInsert(kInputPanel, kInputList, 0, "a.bmp");
  layer->Choose(kJpgPage, kJpgQualityList, 77);
  layer->Type(kRenamePage, kRenameNameBox, "other");
  layer->Focus(kActionPanel, kInitialiseButton);
  layer->answers.push_back(true);
  layer->Click(kActionPanel, kInitialiseButton);

  ASSERT_EQ(layer->questions.size(), 1u);
  EXPECT_EQ(layer->questions[0], "本当に設定を初期化してよろしいでしょうか？");
  EXPECT_EQ(layer->ListCount(kInputPanel, kInputList), 0);
  EXPECT_EQ(layer->TreeCount(kSettingsTreePanel, kSettingsTree), kSettingsPageCount);
  for (const ChoiceTable& table : ChoiceTables()) {
    EXPECT_EQ(layer->ComboCount(table.barId, table.controlId),
              static_cast<int>(table.entries.size()))
        << table.controlId;
  }
  EXPECT_EQ(Shown(kJpgPage, kJpgQualityList), "20%");
  EXPECT_EQ(layer->GetText(kRenamePage, kRenameNameBox), "TrastelSan");
  EXPECT_EQ(GetAppState()->target->JPG_TYPE, 20);
  EXPECT_NE(SettingsFileText().find("#JPG_TYPE=\t20\r\n"), std::string::npos);
  EXPECT_NE(SettingsFileText().find("#RENAME_NAME=\tTrastelSan\r\n"), std::string::npos);
}

TEST_F(FillPanelsTest, InitialiseAfterNoChangesNothing) {
  StartUp();
  layer->ListInsert(kInputPanel, kInputList, 0, "a.bmp");
  layer->Choose(kJpgPage, kJpgQualityList, 77);
  layer->answers.push_back(false);
  layer->Click(kActionPanel, kInitialiseButton);
  EXPECT_EQ(layer->ListCount(kInputPanel, kInputList), 1);
  EXPECT_EQ(Shown(kJpgPage, kJpgQualityList), "77%");
  EXPECT_EQ(GetAppState()->target->JPG_TYPE, 77);
}

}  // namespace
