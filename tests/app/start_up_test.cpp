#include "app/start_up.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "base/help_page.h"
#include "base/program_folder.h"
#include "panels/fill_and_read_panels.h"
#include "panels/view_dispatch.h"
#include "resources/control_ids.h"
#include "state/app_state.h"
#include "tests/support/unique_folder.h"
#include "ui/headless/headless_control_layer.h"

namespace {

namespace fs = std::filesystem;

class StartUpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = MakeUniqueFolder(std::string("trastel-start-") +
                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    ASSERT_TRUE(SetProgramFolder(folder.c_str()));
    fs::current_path(folder);
    NewWindow();
  }
  void TearDown() override {
    ShutDown();
    SetControlLayer(nullptr);
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(folder);
  }
  // A new process's window: fresh controls, no state.
  void NewWindow() {
    ShutDown();
    auto headless = std::make_unique<HeadlessControlLayer>();
    layer = headless.get();
    layer->SetEventSink(DispatchViewEvent);
    SetControlLayer(std::move(headless));
  }

  fs::path folder;
  HeadlessControlLayer* layer = nullptr;
};

TEST_F(StartUpTest, FirstStartCreatesTheFoldersAndAnnouncesTheNewSettingsFile) {
  ASSERT_TRUE(StartUp());
  for (const char* name : {"Data", "Data/Preview", "Data/Help", "Data/__Temp"}) {
    EXPECT_TRUE(fs::is_directory(folder / name)) << name;
  }
  EXPECT_TRUE(fs::exists(folder / "Data" / "Confing.inf"));
  ASSERT_EQ(layer->messages.size(), 1u);
  EXPECT_EQ(layer->messages[0],
            "下記の場所に設定ファイルを作成しました。\n[" + folder.string() + "/Data/Confing.inf]");
  // The panels show the settings and the first page.
  EXPECT_EQ(layer->ComboSelection(kJpgPage, kJpgQualityList), 20);
  EXPECT_TRUE(layer->IsPanelVisible(kBmpPage));

  NewWindow();
  ASSERT_TRUE(StartUp());
  EXPECT_TRUE(layer->messages.empty());
}

TEST_F(StartUpTest, StoredSettingsAreShownAndRewrittenAtStart) {
  ASSERT_TRUE(StartUp());
  layer->Choose(kJpgPage, kJpgQualityList, 90);
  NewWindow();
  ASSERT_TRUE(StartUp());
  EXPECT_EQ(layer->ComboSelection(kJpgPage, kJpgQualityList), 90);
  EXPECT_EQ(GetAppState()->target->JPG_TYPE, 90);
}

TEST_F(StartUpTest, SettingsFileThatCannotBeWrittenIsFatal) {
  // A file named Data blocks the data folder, whoever runs the test.
  std::ofstream(folder / "Data") << "not a folder";
  EXPECT_FALSE(StartUp());
  ASSERT_EQ(layer->messages.size(), 2u);
  EXPECT_EQ(layer->messages[1],
            "設定ファイルが保存できませんでした！(深刻なエラー)"
            "\n原因：Dataフォルダがない、ＣＤから起動など\n[" +
                folder.string() + "/Data/Confing.inf]");
}

TEST_F(StartUpTest, ShutDownDeletesTheTemporaryFilesAndKeepsTheSettings) {
  ASSERT_TRUE(StartUp());
  for (const char* name :
       {"__Temp__file__vimbo_trastel1__.tpf", "__Temp__file__vimbo_trastel2__.tpf"}) {
    std::ofstream(folder / "Data" / "__Temp" / name) << "picture";
  }
  // A change without a handler reaches the file only with the next read-back.
  layer->SetCheck(kPngPage, kPngInterlaceCheck, 1);
  ShutDown();
  EXPECT_TRUE(fs::is_empty(folder / "Data" / "__Temp"));
  std::ifstream file(folder / "Data" / "Confing.inf");
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("#PNG_PRO=\t0"), std::string::npos);
}

TEST_F(StartUpTest, HelpCommandOpensTheManualAndSaysWhenItCannot) {
  OpenHelpPage();
  layer->launchSucceeds = false;
  OpenHelpPage();
  ASSERT_EQ(layer->launched.size(), 2u);
  EXPECT_EQ(layer->launched[0], "Data/Help/Html/HTop.html");
  ASSERT_EQ(layer->messages.size(), 1u);
  EXPECT_EQ(layer->messages[0], "[Data/Help/Html/HTop.html]\nが見つかりませんでした！");
}

}  // namespace
