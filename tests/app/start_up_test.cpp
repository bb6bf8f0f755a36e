#include "app/start_up.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/help_page.h"
#include "base/program_folder.h"
#include "controls/headless/headless_control_layer.h"
#include "resources/control_ids.h"
#include "state/app_state.h"
#include "tests/support/unique_folder.h"
#include "window/fill_and_read_panels.h"
#include "window/view_dispatch.h"

namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& file) {
  std::ifstream stream(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(stream), {});
}

class StartUpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = MakeUniqueFolder(std::string("trastel-start-") +
                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    ASSERT_TRUE(SetProgramFolder(folder.c_str()));
    fs::current_path(folder);
    // The user's settings folder, used when the program folder cannot be written.
    if (const char* value = std::getenv("XDG_CONFIG_HOME")) savedConfigHome = value;
    setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    // The user's pictures folder below it: the output folder when the settings move.
    if (const char* value = std::getenv("HOME")) savedHome = value;
    setenv("HOME", (folder / "home").c_str(), 1);
    NewWindow();
  }
  void TearDown() override {
    ShutDown();
    SetControlLayer(nullptr);
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(folder);
    if (savedConfigHome) {
      setenv("XDG_CONFIG_HOME", savedConfigHome->c_str(), 1);
    } else {
      unsetenv("XDG_CONFIG_HOME");
    }
    if (savedHome) setenv("HOME", savedHome->c_str(), 1);
  }
  // A new process's window: fresh controls, no state.
  void NewWindow() {
    ShutDown();
    auto headless = std::make_unique<HeadlessControlLayer>();
    layer = headless.get();
    layer->SetEventSink(DispatchViewEvent);
    SetControlLayer(std::move(headless));
  }

  // A file named Data blocks the data folder, whoever runs the test.
  void BlockDataFolder() { std::ofstream(folder / "Data") << "not a folder"; }

  fs::path folder;
  std::optional<std::string> savedConfigHome;
  std::optional<std::string> savedHome;
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

TEST_F(StartUpTest, EveryStoredValueComesBackThroughThePanels) {
  ASSERT_TRUE(StartUp());
  const fs::path settings = folder / "Data" / "Confing.inf";
  const std::string defaults = ReadText(settings);
  const std::vector<std::string> lines = {
      "#FORMAT VIMBO_TRASTEL_200 (*.inf,*.INF)",
      "#SAVE=",
      "/srv/出力 先/",
      "#RESIZE_TYPE=\t2",
      "#RESIZE_X=\t800",
      "#RESIZE_Y=\t600",
      "#DIB_TYPE=\t3",
      "#BMP_TYPE=\t2",
      "#JPG_TYPE=\t75",
      "#JPG_PRO=\t1",
      "#PNG_PRO=\t1",
      "#GIF_PRO=\t1",
      "#GIF_ANIMA=\t1",
      "#GIF_SPEED=\t150",
      "#GIF_BIT=\t-1",
      "#GIF_COLOR=\t2",
      "#HTM_TYPE=\t4",
      "#FILTER_TYPE=\t6",
      "#ANGLE_VAL=\t270",
      "#ANGLE_COLOR=\t5",
      "#CUT_TYPE=\t1",
      "#CUT_X_1=\t5",
      "#CUT_Y_1=\t6",
      "#CUT_X2_1=\t70",
      "#CUT_Y2_1=\t80",
      "#CUT_X_2=\t10",
      "#CUT_Y_2=\t20",
      "#CUT_X2_2=\t110",
      "#CUT_Y2_2=\t220",
      "#RENAME_TYPE=\t3",
      "#RENAME_NUM=\t-5",
      "#RENAME_VAL=\t3",
      "#RENAME_DIB=\t2",
      "#RENAME_NAME=\t写真2",
      "#FOLDER_TYPE=\t1",
      "#FOLDER_NAME=\tsub",
      "#PREVIEW_TYPE=\t1",
      "#END",
  };
  std::string stored;
  for (const std::string& line : lines) {
    // Every value differs from its default; only the format, end and key-only lines are shared.
    if (line != lines.front() && line != lines.back() && !line.ends_with('=')) {
      EXPECT_EQ(defaults.find(line + "\r\n"), std::string::npos) << line;
    }
    stored += line + "\r\n";
  }
  // Every setting of the file is listed.
  EXPECT_EQ(std::count(defaults.begin(), defaults.end(), '\n'), std::ssize(lines));
  std::ofstream(settings, std::ios::binary) << stored;

  // Read, shown in the panels, read back from them and written again, nothing may change.
  NewWindow();
  ASSERT_TRUE(StartUp());
  EXPECT_TRUE(layer->messages.empty());
  EXPECT_EQ(ReadText(settings), stored);
}

TEST_F(StartUpTest, ProgramFolderThatCannotBeWrittenKeepsTheSettingsInTheUserFolder) {
  BlockDataFolder();
  fs::create_directories(folder / "home" / "Pictures");
  ASSERT_TRUE(StartUp());
  const fs::path user = folder / "config" / "trastel";
  EXPECT_TRUE(fs::exists(user / "Confing.inf"));
  EXPECT_TRUE(fs::is_directory(user / "__Temp"));
  ASSERT_EQ(layer->messages.size(), 1u);
  EXPECT_EQ(layer->messages[0],
            "下記の場所に設定ファイルを作成しました。\n[" + user.string() + "/Confing.inf]");
  // The output folder cannot stay in the program folder either: it starts as the pictures folder.
  EXPECT_EQ(std::string(GetAppState()->paths->SAVE), (folder / "home" / "Pictures").string() + "/");

  // The trial conversion's file and the preview's copy are kept there and removed at the end.
  std::ofstream(user / "__Temp" / "__Temp__file__vimbo_trastel2__.tpf") << "picture";
  NewWindow();
  EXPECT_TRUE(fs::is_empty(user / "__Temp"));
  ASSERT_TRUE(StartUp());
  EXPECT_TRUE(layer->messages.empty());
}

TEST_F(StartUpTest, SettingsFileThatCannotBeWrittenAnywhereIsFatal) {
  BlockDataFolder();
  std::ofstream(folder / "config") << "not a folder";
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
  const std::string text = ReadText(folder / "Data" / "Confing.inf");
  EXPECT_NE(text.find("#PNG_PRO=\t0"), std::string::npos);
}

TEST_F(StartUpTest, HelpCommandOpensTheManualAndSaysWhyWhenItCannot) {
  OpenHelpPage();
  EXPECT_TRUE(layer->launched.empty());
  fs::create_directories(folder / "Data/Help/Html");
  std::ofstream(folder / "Data/Help/Html/HTop.html") << "<html></html>";
  OpenHelpPage();
  layer->launchSucceeds = false;
  OpenHelpPage();
  ASSERT_EQ(layer->launched.size(), 2u);
  const std::string page = std::string(programFolder) + "Data/Help/Html/HTop.html";
  EXPECT_EQ(layer->launched[0], page);
  EXPECT_EQ(layer->messages,
            (std::vector<std::string>{"[" + page + "]\nが見つかりませんでした！",
                                      "[" + page + "]\nをブラウザで開けませんでした！"}));
}

}  // namespace
