#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "resources/control_ids.h"
#include "resources/panel_templates.h"
#include "state/app_state.h"
#include "state/output_formats.h"
#include "tests/window/panel_fixture.h"

namespace {

class PresetsDialogsTest : public PanelFixture {
 protected:
  void SetUp() override {
    PanelFixture::SetUp();
    StartUp();
  }
  // The place of `name` in the list box value, or -1.
  static int PlaceOf(const std::string& listValue, const std::string& name) {
    const ListBoxContents list = ListBoxContentsOf(listValue);
    const auto found = std::ranges::find(list.entries, name);
    return found == list.entries.end() ? -1 : static_cast<int>(found - list.entries.begin());
  }
  static void Select(DialogValues& values, int place) {
    ListBoxContents list = ListBoxContentsOf(values[kPresetList]);
    list.selected = place;
    values[kPresetList] = ListBoxValue(list);
  }
};

TEST_F(PresetsDialogsTest, SettingsAreSavedUnderANameThenRenamedLoadedAndDeleted) {
  layer->Choose(kFormatPanel, kFormatList, kFormatPng);
  // A name no file may have is asked again; then the settings are stored under the good one.
  std::vector<std::string> typed = {"旅行/家族", "旅行&家族"};
  layer->onDialog = [&typed](const DialogTemplate& dialog, DialogValues& values) {
    EXPECT_EQ(std::string(dialog.caption), "設定を名前を付けて保存");
    values[kPresetNameBox] = typed.front();
    typed.erase(typed.begin());
    return true;
  };
  layer->ChooseMenuCommand(kSavePresetCommand);
  EXPECT_TRUE(typed.empty());
  ASSERT_EQ(layer->messages.size(), 1u);
  EXPECT_NE(layer->messages[0].find("「旅行/家族」は設定の名前に使えません"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(folder / platform::PathOf("Data/Presets/旅行&家族.inf")));

  layer->Choose(kFormatPanel, kFormatList, kFormatBmp);
  const int refreshes = refreshCount;
  layer->onDialog = [this](const DialogTemplate& dialog, DialogValues& values) {
    const std::string caption = dialog.caption;
    if (caption == "設定の名前の変更") {
      EXPECT_EQ(values[kPresetNameBox], "旅行&家族");
      values[kPresetNameBox] = "旅行&家族 2";
      return true;
    }
    EXPECT_EQ(caption, "保存した設定");
    Select(values, PlaceOf(values[kPresetList], "旅行&家族"));
    EXPECT_FALSE(layer->PressDialogButton(kRenamePresetButton, values));
    // The list shows the new name, still chosen.
    const ListBoxContents list = ListBoxContentsOf(values[kPresetList]);
    EXPECT_EQ(PlaceOf(values[kPresetList], "旅行&家族"), -1);
    EXPECT_EQ(list.selected, PlaceOf(values[kPresetList], "旅行&家族 2"));
    return layer->PressDialogButton(kLoadPresetButton, values);
  };
  layer->ChooseMenuCommand(kPresetsCommand);
  EXPECT_EQ(GetAppState()->target->DIB_TYPE, kFormatPng);
  EXPECT_EQ(Shown(kFormatPanel, kFormatList), "PNG形式");
  EXPECT_EQ(refreshCount, refreshes + 1);

  layer->questions.clear();
  layer->onDialog = [this](const DialogTemplate&, DialogValues& values) {
    Select(values, PlaceOf(values[kPresetList], "旅行&家族 2"));
    EXPECT_FALSE(layer->PressDialogButton(kDeletePresetButton, values));
    EXPECT_EQ(PlaceOf(values[kPresetList], "旅行&家族 2"), -1);
    EXPECT_EQ(ListBoxContentsOf(values[kPresetList]).entries.size(), 3u);
    return false;  // 閉じる
  };
  layer->ChooseMenuCommand(kPresetsCommand);
  EXPECT_EQ(layer->questions, std::vector<std::string>{"設定「旅行&家族 2」を削除しますか？"});
  EXPECT_FALSE(std::filesystem::exists(folder / platform::PathOf("Data/Presets/旅行&家族 2.inf")));
}

}  // namespace
