#include "controls/headless/headless_control_layer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/control_ids.h"

namespace {

class HeadlessControlLayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    layer.SetEventSink([this](const ControlEvent& event) { events.push_back(event); });
  }
  HeadlessControlLayer layer;
  std::vector<ControlEvent> events;
};

TEST_F(HeadlessControlLayerTest, DropDownSelectionOutOfRangeLeavesNone) {
  layer.ComboAppend(kJpgPage, kJpgQualityList, "0%");
  layer.ComboAppend(kJpgPage, kJpgQualityList, "1%");
  EXPECT_TRUE(layer.ComboSelect(kJpgPage, kJpgQualityList, 1));
  EXPECT_EQ(layer.ComboSelection(kJpgPage, kJpgQualityList), 1);
  EXPECT_FALSE(layer.ComboSelect(kJpgPage, kJpgQualityList, 2));
  EXPECT_EQ(layer.ComboSelection(kJpgPage, kJpgQualityList), -1);
  EXPECT_FALSE(layer.ComboSelect(kJpgPage, kJpgQualityList, -1));
  layer.ComboReset(kJpgPage, kJpgQualityList);
  EXPECT_EQ(layer.ComboCount(kJpgPage, kJpgQualityList), 0);
  // Programmatic changes raise no notification.
  EXPECT_TRUE(events.empty());
}

TEST_F(HeadlessControlLayerTest, ListInsertsAtAnIndexAndKeepsTheSelectedEntry) {
  layer.ListInsert(kInputPanel, kInputList, -1, "b");
  layer.ListInsert(kInputPanel, kInputList, 0, "a");
  layer.ListInsert(kInputPanel, kInputList, 2, "c");
  EXPECT_EQ(layer.ListInsert(kInputPanel, kInputList, 9, "x"), -1);
  ASSERT_EQ(layer.ListCount(kInputPanel, kInputList), 3);
  EXPECT_EQ(layer.ListText(kInputPanel, kInputList, 0), "a");
  EXPECT_EQ(layer.ListText(kInputPanel, kInputList, 2), "c");
  layer.ListSelect(kInputPanel, kInputList, 1);
  layer.ListInsert(kInputPanel, kInputList, 0, "z");
  EXPECT_EQ(layer.ListSelection(kInputPanel, kInputList), 2);
  EXPECT_EQ(layer.ListDelete(kInputPanel, kInputList, 0), 3);
  EXPECT_EQ(layer.ListSelection(kInputPanel, kInputList), 1);
  EXPECT_EQ(layer.ListDelete(kInputPanel, kInputList, 1), 2);
  EXPECT_EQ(layer.ListSelection(kInputPanel, kInputList), -1);
  EXPECT_EQ(layer.ListDelete(kInputPanel, kInputList, 5), -1);
}

TEST_F(HeadlessControlLayerTest, ClickingARadioClearsOnlyItsGroup) {
  layer.SetCheck(kFilterPage, kCropNoneRadio, 1);
  layer.SetCheck(kFormatPanel, kResizeKeepRadio, 1);
  layer.Click(kFilterPage, kCropEndRadio);
  EXPECT_EQ(layer.GetCheck(kFilterPage, kCropNoneRadio), 0);
  EXPECT_EQ(layer.GetCheck(kFilterPage, kCropEndRadio), 1);
  // Setting a check by program does not touch the others.
  layer.SetCheck(kFilterPage, kCropSizeRadio, 1);
  EXPECT_EQ(layer.GetCheck(kFilterPage, kCropEndRadio), 1);
  EXPECT_EQ(layer.GetCheck(kFormatPanel, kResizeKeepRadio), 1);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].controlId, kCropEndRadio);
  EXPECT_EQ(events[0].notification, Notification::kClicked);
}

TEST_F(HeadlessControlLayerTest, EditBoxesReportWhenTheyLoseTheFocus) {
  layer.Type(kFormatPanel, kResizeWidthBox, "12");
  EXPECT_TRUE(events.empty());
  layer.Type(kFormatPanel, kResizeHeightBox, "34");
  layer.Focus(kFormatPanel, kFormatList);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].controlId, kResizeWidthBox);
  EXPECT_EQ(events[1].controlId, kResizeHeightBox);
  EXPECT_EQ(events[1].notification, Notification::kFocusLost);
  layer.Focus(kFormatPanel, kResizeWidthBox);
  layer.Focus(kFormatPanel, kResizeWidthBox);
  EXPECT_EQ(events.size(), 2u);
}

TEST_F(HeadlessControlLayerTest, TreeSelectionNotifiesOnChangeOnly) {
  layer.TreeInsert(kSettingsTreePanel, kSettingsTree, "BMP(*.bmp)");
  layer.TreeInsert(kSettingsTreePanel, kSettingsTree, "JPG(*.jpg)");
  layer.TreeSelect(kSettingsTreePanel, kSettingsTree, 1);
  layer.TreeSelect(kSettingsTreePanel, kSettingsTree, 1);
  EXPECT_EQ(layer.TreeSelectedText(kSettingsTreePanel, kSettingsTree), "JPG(*.jpg)");
  layer.TreeSelect(kSettingsTreePanel, kSettingsTree, -1);
  EXPECT_EQ(layer.TreeSelectedText(kSettingsTreePanel, kSettingsTree), std::nullopt);
  EXPECT_EQ(events.size(), 2u);
}

TEST_F(HeadlessControlLayerTest, ProgressBarStaysInRangeAndWrapsWhenStepping) {
  layer.SetProgressRange(kProgressPanel, kBatchProgressBar, 0, 3);
  layer.SetProgressStep(kProgressPanel, kBatchProgressBar, 1);
  layer.SetProgressPosition(kProgressPanel, kBatchProgressBar, 9);
  EXPECT_EQ(layer.ProgressPosition(kProgressPanel, kBatchProgressBar), 3);
  layer.SetProgressPosition(kProgressPanel, kBatchProgressBar, 0);
  for (int i = 0; i < 3; ++i) layer.StepProgress(kProgressPanel, kBatchProgressBar);
  EXPECT_EQ(layer.ProgressPosition(kProgressPanel, kBatchProgressBar), 3);
  layer.StepProgress(kProgressPanel, kBatchProgressBar);
  EXPECT_EQ(layer.ProgressPosition(kProgressPanel, kBatchProgressBar), 1);
  layer.DeltaProgress(kProgressPanel, kBatchProgressBar, -5);
  EXPECT_EQ(layer.ProgressPosition(kProgressPanel, kBatchProgressBar), 0);
}

TEST_F(HeadlessControlLayerTest, DropsReachOnlyPanelsThatAcceptFiles) {
  layer.DropFiles(kFormatPanel, {"a.bmp"});
  layer.DropFiles(kInputPanel, {"a.bmp", "b.png"});
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].notification, Notification::kFilesDropped);
  EXPECT_EQ(events[0].files.size(), 2u);
}

TEST_F(HeadlessControlLayerTest, HeadingOnlyTemplatesMakeNoPanel) {
  EXPECT_FALSE(layer.HasPanel(kAviPage));
  EXPECT_EQ(layer.ComboSelection(kAviPage, kJpgQualityList), -1);
  EXPECT_EQ(layer.GetText(kRegistryPage, kRenameNameBox), "");
  EXPECT_TRUE(layer.HasPanel(kProgressPanel));
  // Addressing them is a miss, which this test expects.
  EXPECT_EQ(HeadlessControlLayer::TakeMisses(),
            (std::vector<ControlMiss>{{"ComboSelection", kAviPage, kJpgQualityList},
                                      {"GetText", kRegistryPage, kRenameNameBox}}));
}

TEST_F(HeadlessControlLayerTest, AddressesOfNoControlOfTheNeededKindAreMisses) {
  layer.GetText(kFormatPanel, kResizeWidthBox);
  layer.SetCheck(kFormatPanel, kResizeKeepRadio, 1);
  EXPECT_TRUE(HeadlessControlLayer::TakeMisses().empty());

  EXPECT_EQ(layer.ListCount(kJpgPage, kJpgQualityList), 0);
  layer.SetCheck(kFormatPanel, kResizeWidthBox, 1);
  layer.SetText(kFormatPanel, kJpgQualityList, "x");
  layer.SetPanelVisible(kAviPage, true);
  layer.Click(kJpgPage, kResizeKeepRadio);
  layer.StepProgress(kInputPanel, kBatchProgressBar);
  EXPECT_EQ(HeadlessControlLayer::TakeMisses(),
            (std::vector<ControlMiss>{{"ListCount", kJpgPage, kJpgQualityList},
                                      {"SetCheck", kFormatPanel, kResizeWidthBox},
                                      {"SetText", kFormatPanel, kJpgQualityList},
                                      {"SetPanelVisible", kAviPage, 0},
                                      {"Click", kJpgPage, kResizeKeepRadio},
                                      {"StepProgress", kInputPanel, kBatchProgressBar}}));
  EXPECT_TRUE(events.empty());
}

TEST_F(HeadlessControlLayerTest, TypedTextKeepsWhatASettingsLineHoldsInWholeCharacters) {
  std::string kanji;
  for (int i = 0; i < 150; ++i) kanji += "漢";
  layer.Type(kRenamePage, kRenameNameBox, kanji);
  // Counted as Japanese Windows stores them, 119 kanji are 238 bytes; the 120th would pass 239.
  EXPECT_EQ(layer.GetText(kRenamePage, kRenameNameBox), kanji.substr(0, 3 * 119));
  // What the program sets stays whole.
  layer.SetText(kRenamePage, kRenameNameBox, kanji);
  EXPECT_EQ(layer.GetText(kRenamePage, kRenameNameBox), kanji);
}

}  // namespace
