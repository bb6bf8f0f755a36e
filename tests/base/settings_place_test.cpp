#include "base/settings_place.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "base/program_folder.h"
#include "platform/files.h"
#include "tests/support/unique_folder.h"

namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
constexpr const char* kUserVariable = "APPDATA";
constexpr const char* kProgramName = "Trastel";
void SetVariable(const char* name, const std::string& value) {
  _putenv_s(name, value.c_str());
}
void RemoveVariable(const char* name) {
  _putenv_s(name, "");
}
#else
constexpr const char* kUserVariable = "XDG_CONFIG_HOME";
constexpr const char* kProgramName = "trastel";
void SetVariable(const char* name, const std::string& value) {
  setenv(name, value.c_str(), 1);
}
void RemoveVariable(const char* name) {
  unsetenv(name);
}
#endif

std::string Text(const fs::path& path) {
  return platform::Utf8Of(path);
}

// With forward slashes, as the program names its folders on both systems.
std::string Generic(const fs::path& path) {
  const std::u8string text = path.generic_u8string();
  return std::string(text.begin(), text.end());
}

// A program folder with its Data folder, and the user's settings folder named by the
// environment, both below one new folder.
class SettingsPlaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = MakeUniqueFolder("trastel-place");
    program = root / "program";
    fs::create_directories(program / "Data");
    ASSERT_TRUE(SetProgramFolder(Text(program).c_str()));
    if (const char* value = std::getenv(kUserVariable)) saved = value;
    SetVariable(kUserVariable, Text(root / "user"));
    user = Generic(root / "user" / kProgramName) + "/";
  }
  void TearDown() override {
    // Back beside the program, for the tests that follow.
    fs::permissions(program / "Data", fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(program / "Data");
    fs::create_directories(program / "Data");
    ChooseSettingsPlace();
    fs::remove_all(root);
    if (saved) {
      SetVariable(kUserVariable, *saved);
    } else {
      RemoveVariable(kUserVariable);
    }
  }
  // The Data folder replaced by a file: no one can keep files in it.
  void BlockDataFolder() {
    fs::remove(program / "Data");
    std::ofstream(program / "Data") << "not a folder";
  }

  fs::path root;
  fs::path program;
  std::string user;
  std::optional<std::string> saved;
};

TEST_F(SettingsPlaceTest, WritableDataFolderKeepsEverythingBesideTheProgram) {
  EXPECT_EQ(ChooseSettingsPlace(), SettingsPlace::kBesideProgram);
  EXPECT_EQ(SettingsFolder(), Text(program) + "/Data/");
  EXPECT_FALSE(SettingsInUserFolder());
  EXPECT_EQ(TempFilePath("t.tpf"), "Data/__Temp/t.tpf");
  // The check leaves nothing behind and makes no user folder.
  EXPECT_TRUE(fs::is_empty(program / "Data"));
  EXPECT_FALSE(fs::exists(root / "user"));
}

TEST_F(SettingsPlaceTest, UnusableDataFolderMovesSettingsAndTemporaryFilesToTheUserFolder) {
  BlockDataFolder();
  EXPECT_EQ(ChooseSettingsPlace(), SettingsPlace::kUserFolder);
  EXPECT_EQ(SettingsFolder(), user);
  EXPECT_TRUE(SettingsInUserFolder());
  EXPECT_EQ(TempFilePath("t.tpf"), user + "__Temp/t.tpf");
  EXPECT_TRUE(fs::is_directory(platform::PathOf(user + "__Temp")));
  EXPECT_TRUE(fs::is_empty(platform::PathOf(user + "__Temp")));
}

TEST_F(SettingsPlaceTest, ReadOnlyDataFolderMovesSettingsToTheUserFolder) {
  fs::permissions(program / "Data",
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  // An administrator (root on Linux) still writes into a read-only folder, and on Windows the
  // read-only mark does not stop files being made in a folder: then the folder is writable.
  if (std::ofstream(program / "Data" / "probe")) {
    fs::remove(program / "Data" / "probe");
    GTEST_SKIP() << "this user can write into a read-only folder (root, or Windows' read-only "
                    "mark); the blocked Data folder above covers the switch, and the package and "
                    "zip tests start the programs from truly read-only folders";
  }
  EXPECT_EQ(ChooseSettingsPlace(), SettingsPlace::kUserFolder);
  EXPECT_EQ(SettingsFolder(), user);
}

TEST_F(SettingsPlaceTest, NeitherPlaceWritableLeavesTheSettingsNamedBesideTheProgram) {
  BlockDataFolder();
  std::ofstream(root / "user") << "not a folder";
  EXPECT_EQ(ChooseSettingsPlace(), SettingsPlace::kNowhere);
  EXPECT_EQ(SettingsFolder(), Text(program) + "/Data/");
  EXPECT_EQ(TempFilePath("t.tpf"), "Data/__Temp/t.tpf");
}

// A portable program writes its pictures beside itself; an installed one, whose folder takes
// no settings, writes them to the user's pictures folder (on Linux the one xdg-user-dirs names,
// else ~/Pictures, else the home folder).
TEST_F(SettingsPlaceTest, OutputFolderLeavesTheProgramFolderWithTheSettings) {
  ChooseSettingsPlace();
  EXPECT_EQ(DefaultOutputFolder(), std::string(programFolder));
  BlockDataFolder();
  ASSERT_EQ(ChooseSettingsPlace(), SettingsPlace::kUserFolder);
#ifdef _WIN32
  EXPECT_NE(DefaultOutputFolder(), std::string(programFolder));
  EXPECT_TRUE(fs::is_directory(platform::PathOf(DefaultOutputFolder())));
#else
  const std::string savedHome = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
  const fs::path home = root / "home";
  SetVariable("HOME", Text(home));
  fs::create_directories(home / "画像");
  fs::create_directories(home / "Pictures");
  std::ofstream(root / "user" / "user-dirs.dirs")
      << "# written by xdg-user-dirs-update\nXDG_PICTURES_DIR=\"$HOME/画像\"\n";
  EXPECT_EQ(DefaultOutputFolder(), Text(home) + "/画像/");
  fs::remove(home / "画像");
  EXPECT_EQ(DefaultOutputFolder(), Text(home) + "/Pictures/");
  fs::remove(home / "Pictures");
  EXPECT_EQ(DefaultOutputFolder(), Text(home) + "/");
  SetVariable("HOME", savedHome);
#endif
}

}  // namespace
