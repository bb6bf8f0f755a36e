#include "state/settings_file.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/program_folder.h"
#include "base/text_encoding.h"
#include "controls/headless/headless_control_layer.h"
#include "controls/text_box_limit.h"
#include "platform/files.h"
#include "state/app_state.h"
#include "state/presets.h"
#include "state/setting_bindings.h"
#include "tests/support/file_size_limit.h"

#include "tests/support/unique_folder.h"

namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A settings file from lines joined with CR LF, starting with the format line.
std::string SettingsText(const std::vector<std::string>& lines) {
  std::string text = "#FORMAT VIMBO_TRASTEL_200 (*.inf,*.INF)\r\n";
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SetProgramFolder("/opt/トラステル"));
    DestroyAppState();
    state_ = GetAppState();
    ASSERT_NE(state_, nullptr);
    folder_ = MakeUniqueFolder("trastel-settings");
    configPath_ = folder_ / "Confing.inf";
    CopyText(state_->paths->configPath, configPath_.string().c_str());
    auto layer = std::make_unique<HeadlessControlLayer>();
    layer_ = layer.get();
    previousLayer_ = SetControlLayer(std::move(layer));
  }
  void TearDown() override {
    SetControlLayer(std::move(previousLayer_));
    DestroyAppState();
    fs::remove_all(folder_);
  }

  std::string Quoted(const char* format) const {
    std::string text = format;
    return text.replace(text.find("%s"), 2, configPath_.string());
  }

  AppState* state_ = nullptr;
  HeadlessControlLayer* layer_ = nullptr;
  std::unique_ptr<ControlLayer> previousLayer_;
  fs::path folder_;
  fs::path configPath_;
};

TEST_F(SettingsFileTest, DefaultsAreWrittenByteForByteAndReadBackUnchanged) {
  ASSERT_EQ(SaveSettings(), SettingsStatus::kDone);
  std::string expected =
      ReadBytes(fs::path(TRASTEL_SOURCE_DIR) / "tests/data/state/default_settings.inf");
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(ReadBytes(configPath_), expected);

  // Spoil every persisted field, then read the file back over them.
  for (const SettingBinding& setting : SettingBindings()) {
    if (setting.IsNumber()) {
      *setting.NumberIn(*state_) = -12345;
    } else {
      CopyTextInto(setting.TextIn(*state_), 256, "spoilt");
    }
  }
  EXPECT_EQ(LoadSettings(), SettingsStatus::kDone);
  EXPECT_TRUE(layer_->messages.empty());
  EXPECT_EQ(ReadBytes(configPath_), expected);  // Reading changes nothing on disk.
  ASSERT_EQ(SaveSettings(), SettingsStatus::kDone);
  EXPECT_EQ(ReadBytes(configPath_), expected);
}

TEST_F(SettingsFileTest, SavingIsSkippedOnlyWhenTheFileHoldsTheSameBytes) {
  ASSERT_EQ(SaveSettings(), SettingsStatus::kDone);
  const std::string saved = ReadBytes(configPath_);
  const auto longAgo = fs::file_time_type::clock::now() - std::chrono::hours(24 * 365);
  fs::last_write_time(configPath_, longAgo);
  const auto stamped = fs::last_write_time(configPath_);  // As precise as the file system keeps.
  ASSERT_EQ(SaveSettings(), SettingsStatus::kDone);
  EXPECT_EQ(fs::last_write_time(configPath_), stamped);  // Not written again.

  std::string spoilt = saved;
  spoilt[spoilt.size() / 2] ^= 1;
  WriteBytes(configPath_, spoilt);  // Same size, other bytes: written again.
  ASSERT_EQ(SaveSettings(), SettingsStatus::kDone);
  EXPECT_EQ(ReadBytes(configPath_), saved);
  state_->target->JPG_TYPE = 30;  // Another value: written again.
  ASSERT_EQ(SaveSettings(), SettingsStatus::kDone);
  EXPECT_NE(ReadBytes(configPath_), saved);
}

TEST_F(SettingsFileTest, FormatWordMayBeALeadingPartOfItsOwnName) {
  struct Case {
    const char* firstLine;
    int expected;
  } cases[] = {
      {"#FORMAT VIMBO_TRASTEL_200 (*.inf,*.INF)\r\n", 1},
      {"#FORMAT VIMBO\n", 1},
      {"  #FORMAT\tVIMBO_TRASTEL_2", 1},
      {"#FORMAT VIMBO_TRASTEL_2000\r\n", 0},
      {"#FORMAT OTHER_FORMAT\r\n", 0},
      {"#FORMAT\r\n", 0},
      {"", 0},
  };
  for (const Case& c : cases) {
    WriteBytes(configPath_, c.firstLine);
    EXPECT_EQ(CheckSettingsFormat(configPath_.string().c_str(), "VIMBO_TRASTEL_200"), c.expected)
        << c.firstLine;
  }
  EXPECT_TRUE(layer_->messages.empty());
  EXPECT_EQ(CheckSettingsFormat((folder_ / "missing.inf").string().c_str(), "VIMBO_TRASTEL_200"),
            0);
  EXPECT_EQ(layer_->messages, std::vector<std::string>{"ファイルオープン失敗"});
}

TEST_F(SettingsFileTest, ReaderAcceptsAnyOrderRepeatsCommentsEmptyLinesAndBareLineFeeds) {
  WriteBytes(configPath_,
             "#FORMAT VIMBO_TRASTEL_200\n"
             "// a comment\n"
             "\n"
             "#JPG_TYPE=\t30\n"
             "{ braces }\n"
             "## hashes\n"
             "%% percent\n"
             "\"quoted\n"
             "#PREVIEW_TYPE=\t1\r\n"
             "#JPG_TYPE=\t45\n"
             "}\n"
             "#RENAME_NAME=\tfirst second\n"
             "#SAVE=\n"
             "/home/user/My Pictures/\n"
             "#FOLDER_NAME=\tフォルダ\n"
             "#END\n"
             "#JPG_TYPE=\t99\n");
  EXPECT_EQ(LoadSettings(), SettingsStatus::kDone);
  EXPECT_TRUE(layer_->messages.empty());
  EXPECT_EQ(state_->target->JPG_TYPE, 45);
  EXPECT_EQ(state_->paths->PREVIEW_TYPE, 1);
  EXPECT_STREQ(state_->paths->RENAME_NAME, "first");
  EXPECT_STREQ(state_->paths->SAVE, "/home/user/My Pictures/");
  EXPECT_STREQ(state_->paths->FOLDER_NAME, "フォルダ");
  EXPECT_EQ(state_->target->RESIZE_X, 240);  // Missing keys keep their values.
}

TEST_F(SettingsFileTest, NumberIsTheSecondWordOfTheKeyLine) {
  struct Case {
    const char* line;
    int expected;
  } cases[] = {
      {"#JPG_TYPE=\t55", 55}, {"#JPG_TYPE= 55", 55},      {"#JPG_TYPE=55", 20},
      {"#JPG_TYPE=", 20},     {"#JPG_TYPE=\t-7x", -7},    {"#JPG_TYPE=\tabc", 20},
      {"#JPG_TYPE=\t+8", 8},  {"#JPG_TYPE=\t300 9", 300}, {"#JPG_TYPE=\t99999999999", 2147483647},
  };
  for (const Case& c : cases) {
    state_->target->JPG_TYPE = 20;
    WriteBytes(configPath_, SettingsText({c.line, "#END"}));
    EXPECT_EQ(LoadSettings(), SettingsStatus::kDone) << c.line;
    EXPECT_EQ(state_->target->JPG_TYPE, c.expected) << c.line;
  }
}

TEST_F(SettingsFileTest, BrokenFilesKeepWhatWasReadBeforeTheStoppingLine) {
  const std::string broken = Quoted("Load ：\"%s\"ファイルが壊れています、新規作成をします。");
  struct Case {
    const char* name;
    std::vector<std::string> lines;
  } cases[] = {
      {"no end line", {"#JPG_TYPE=\t55"}},
      {"unknown key", {"#JPG_TYPE=\t55", "#QUALITY=\t3", "#RESIZE_X=\t9", "#END"}},
      {"blank-only line", {"#JPG_TYPE=\t55", "   ", "#RESIZE_X=\t9", "#END"}},
      {"save key at the end", {"#JPG_TYPE=\t55", "#SAVE="}},
  };
  for (const Case& c : cases) {
    DestroyAppState();
    state_ = GetAppState();
    CopyText(state_->paths->configPath, configPath_.string().c_str());
    layer_->messages.clear();
    WriteBytes(configPath_, SettingsText(c.lines));
    EXPECT_EQ(LoadSettings(), SettingsStatus::kDamaged) << c.name;
    EXPECT_EQ(layer_->messages, std::vector<std::string>{broken}) << c.name;
    EXPECT_EQ(state_->target->JPG_TYPE, 55) << c.name;
    EXPECT_EQ(state_->target->RESIZE_X, 240) << c.name;
    EXPECT_STREQ(state_->paths->SAVE, "/opt/トラステル/") << c.name;
  }
}

// A file far past settings size, such as one grown by accident, is damaged from its size alone:
// nothing of it is applied (its lines would be sound).
TEST_F(SettingsFileTest, OversizedFileIsDamagedUnread) {
  WriteBytes(configPath_, SettingsText({"#JPG_TYPE=\t55", "#END"}));
  fs::resize_file(configPath_, (std::uintmax_t{1} << 20) + 1);
  EXPECT_EQ(LoadSettings(), SettingsStatus::kDamaged);
  EXPECT_EQ(
      layer_->messages,
      std::vector<std::string>{Quoted("Load ：\"%s\"ファイルが壊れています、新規作成をします。")});
  EXPECT_EQ(state_->target->JPG_TYPE, 20);
}

#ifndef _WIN32  // The ended process is made with fork.
// Reading the settings removes what killed saves left beside the file, and only that.
TEST_F(SettingsFileTest, LoadingRemovesTemporariesOfEndedSaves) {
  const pid_t ended = fork();
  if (ended == 0) _exit(0);
  waitpid(ended, nullptr, 0);
  const fs::path leftover = folder_ / (".trastel-" + std::to_string(ended) + "-0.tmp");
  const fs::path running = folder_ / (".trastel-" + std::to_string(getpid()) + "-0.tmp");
  WriteBytes(leftover, "partial");
  WriteBytes(running, "being written");
  EXPECT_EQ(LoadSettings(), SettingsStatus::kMissing);
  EXPECT_FALSE(fs::exists(leftover));
  EXPECT_TRUE(fs::exists(running));
}
#endif

TEST_F(SettingsFileTest, MissingFileIsSilentAndWrongFormatIsAnnounced) {
  EXPECT_EQ(LoadSettings(), SettingsStatus::kMissing);
  EXPECT_TRUE(layer_->messages.empty());

  WriteBytes(configPath_, "#FORMAT SOMETHING_ELSE\r\n#JPG_TYPE=\t55\r\n#END\r\n");
  EXPECT_EQ(LoadSettings(), SettingsStatus::kWrongFormat);
  EXPECT_EQ(layer_->messages, std::vector<std::string>{Quoted(
                                  "Load ：\"%s\"はフォーマットが違います。新規作成をします。")});
  EXPECT_EQ(state_->target->JPG_TYPE, 20);

  // A folder in the file's place cannot be opened as a file: both messages.
  fs::remove(configPath_);
  fs::create_directory(configPath_);
  layer_->messages.clear();
  EXPECT_EQ(LoadSettings(), SettingsStatus::kWrongFormat);
  EXPECT_EQ(layer_->messages,
            (std::vector<std::string>{
                "ファイルオープン失敗",
                Quoted("Load ：\"%s\"はフォーマットが違います。新規作成をします。")}));
}

TEST_F(SettingsFileTest, LinesAreReadWholeUpToWhatALineHoldsInUtf8) {
  // A line longer than 255 bytes is read whole; its text is kept as far as a line holds it.
  std::string name(300, 'n');
  WriteBytes(configPath_, SettingsText({"#RENAME_NAME=\t" + name, "#END"}));
  EXPECT_EQ(LoadSettings(), SettingsStatus::kDone);
  EXPECT_EQ(std::string(state_->paths->RENAME_NAME), std::string(255 - 14, 'n'));

  // Past what 255 stored bytes take in UTF-8, the rest is a line of its own.
  const std::string longLine(800, 'n');
  platform::Stream stream = platform::OpenMemoryStream(longLine);
  ASSERT_NE(stream, nullptr);
  char line[kSettingsLineBytes];
  EXPECT_EQ(ReadSettingsLine(stream.get(), line), SettingsLine::kContent);
  EXPECT_EQ(std::strlen(line), kSettingsLineBytes - 1);
  EXPECT_EQ(ReadSettingsLine(stream.get(), line), SettingsLine::kContent);
  EXPECT_EQ(std::strlen(line), 800 - (kSettingsLineBytes - 1));
  EXPECT_EQ(ReadSettingsLine(stream.get(), line), SettingsLine::kEndOfFile);
}

TEST_F(SettingsFileTest, FileWrittenOnWindowsInCp932IsRead) {
  std::optional<std::string> name = Utf8ToCp932("写真");
  ASSERT_TRUE(name.has_value());
  WriteBytes(configPath_, SettingsText({"#RENAME_NAME=\t" + *name, "#END"}));
  EXPECT_EQ(LoadSettings(), SettingsStatus::kDone);
  EXPECT_STREQ(state_->paths->RENAME_NAME, "写真");

  // Lines are judged by their stored bytes: 120 kanji fill a 254-byte cp932 line, which is
  // 374 bytes in UTF-8. The name is kept whole, also when written again (in UTF-8 on Linux).
  std::string longName;
  for (int i = 0; i < 120; ++i) longName += "名";
  std::optional<std::string> stored = Utf8ToCp932(longName);
  ASSERT_TRUE(stored.has_value());
  WriteBytes(configPath_,
             SettingsText({"#FOLDER_NAME=\t" + *stored, "#FOLDER_TYPE=\t1", "#PREVIEW_TYPE=\t1",
                           "#SAVE=", *Utf8ToCp932("/写真/"), "#END"}));
  EXPECT_EQ(LoadSettings(), SettingsStatus::kDone);
  EXPECT_TRUE(layer_->messages.empty());
  EXPECT_EQ(std::string(state_->paths->FOLDER_NAME), longName);
  EXPECT_EQ(state_->paths->FOLDER_TYPE, 1);
  EXPECT_EQ(state_->paths->PREVIEW_TYPE, 1);
  EXPECT_STREQ(state_->paths->SAVE, "/写真/");
  ASSERT_EQ(SaveSettings(), SettingsStatus::kDone);
  EXPECT_EQ(LoadSettings(), SettingsStatus::kDone);
  EXPECT_EQ(std::string(state_->paths->FOLDER_NAME), longName);
  // One more is past what the line holds.
  WriteBytes(configPath_,
             SettingsText({"#FOLDER_NAME=\t" + *stored + *Utf8ToCp932("名名"), "#END"}));
  EXPECT_EQ(LoadSettings(), SettingsStatus::kDone);
  EXPECT_EQ(std::string(state_->paths->FOLDER_NAME), longName);
}

TEST_F(SettingsFileTest, UnwritableLocationGivesTheMessageAndKeepsTheOldFile) {
  fs::path missingFolder = folder_ / "no-such-folder" / "Confing.inf";
  CopyText(state_->paths->configPath, missingFolder.string().c_str());
  EXPECT_EQ(SaveSettings(), SettingsStatus::kCannotOpen);
  std::string expected = "Save ：\"" + missingFolder.string() + "\"ファイルオープン失敗";
  EXPECT_EQ(layer_->messages, std::vector<std::string>{expected});
  EXPECT_FALSE(fs::exists(missingFolder.parent_path()));

#ifndef _WIN32  // File descriptors are used up through a POSIX limit.
  // No new file can be made beside the old one (no file descriptor is left, which also stops
  // root): the old file stays as it was.
  CopyText(state_->paths->configPath, configPath_.c_str());
  const std::string previous = SettingsText({"#JPG_TYPE=\t55", "#END"});
  WriteBytes(configPath_, previous);
  layer_->messages.clear();
  rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  const int lowestFree = dup(0);
  close(lowestFree);
  rlimit noneLeft = saved;
  noneLeft.rlim_cur = static_cast<rlim_t>(lowestFree);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &noneLeft), 0);
  const SettingsStatus result = SaveSettings();
  setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_EQ(result, SettingsStatus::kCannotOpen);
  EXPECT_EQ(layer_->messages,
            std::vector<std::string>{Quoted("Save ：\"%s\"ファイルオープン失敗")});
  EXPECT_EQ(ReadBytes(configPath_), previous);
#endif
}

#ifndef _WIN32  // A full disk and a second writer are made with POSIX calls.
TEST_F(SettingsFileTest, FailedWriteKeepsThePreviousFileWhole) {
  const std::string previous = SettingsText({"#JPG_TYPE=\t55", "#END"});
  WriteBytes(configPath_, previous);
  SettingsStatus result = SettingsStatus::kDone;
  {
    FileSizeLimit fullDisk(100);  // The write fails part-way.
    ASSERT_TRUE(fullDisk.active());
    result = SaveSettings();
  }

  EXPECT_EQ(result, SettingsStatus::kCannotOpen);
  EXPECT_EQ(layer_->messages.size(), 1u);
  EXPECT_EQ(ReadBytes(configPath_), previous);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
}

TEST_F(SettingsFileTest, TwoWritersAtOnceNeitherFailNorMixTheirFiles) {
  // Another process saves other settings to the same file at the same time.
  constexpr int kSaves = 300;
  state_->target->JPG_TYPE = 66;
  ASSERT_EQ(SaveSettings(), SettingsStatus::kDone);
  const std::string mine = ReadBytes(configPath_);
  state_->target->JPG_TYPE = 55;
  ASSERT_EQ(SaveSettings(), SettingsStatus::kDone);
  const std::string theirs = ReadBytes(configPath_);
  const pid_t other = fork();
  ASSERT_GE(other, 0);
  if (other == 0) {
    int failures = 0;
    for (int i = 0; i < kSaves; ++i) failures += SaveSettings() != SettingsStatus::kDone;
    _exit(failures == 0 ? 0 : 1);
  }
  state_->target->JPG_TYPE = 66;
  int failures = 0;
  int mixed = 0;
  for (int i = 0; i < kSaves; ++i) {
    failures += SaveSettings() != SettingsStatus::kDone;
    const std::string now = ReadBytes(configPath_);
    mixed += now != mine && now != theirs;
  }
  int status = 0;
  ASSERT_EQ(waitpid(other, &status, 0), other);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the other writer failed";
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(mixed, 0);
  EXPECT_TRUE(layer_->messages.empty());
  // The two settings files and no temporary one.
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 2);
}
#endif

// Trastel.inf's values pass no control before they are used: each is held to its range as it is
// read, a number clamped, a choice outside the offered ones back to its default.
TEST_F(SettingsFileTest, ExtrasOutsideTheirRangesAreHeldToThem) {
  ASSERT_EQ(SaveSettings(), SettingsStatus::kDone);
  WriteBytes(folder_ / "Trastel.inf",
             "#FORMAT TRASTEL_EXTRAS_100 (*.inf,*.INF)\r\n#RESIZE_FIT=\t2\r\n#NO_ENLARGE=\t-1\r\n"
             "#JPG_MAX_KB=\t99999999\r\n#WEBP_QUALITY=\t101\r\n#AVIF_SPEED=\t3\r\n"
             "#EXISTING=\t99\r\n#KEEP_DATE=\t7\r\n#ON_ERROR=\t-2147483648\r\n#END\r\n");
  ASSERT_EQ(LoadSettings(), SettingsStatus::kDone);
  const PictureRecord& target = *state_->target;
  EXPECT_EQ(target.RESIZE_FIT, 2);
  EXPECT_EQ(target.NO_ENLARGE, 0);
  EXPECT_EQ(target.JPG_MAX_KB, 1 << 20);
  EXPECT_EQ(target.WEBP_QUALITY, 80);
  EXPECT_EQ(target.AVIF_SPEED, 3);
  EXPECT_EQ(target.EXISTING, 0);
  EXPECT_EQ(target.KEEP_DATE, 0);
  EXPECT_EQ(target.ON_ERROR, 0);
  EXPECT_TRUE(layer_->messages.empty());
}

TEST_F(SettingsFileTest, ExtrasLiveBesideTheMainFileWhichKeepsItsBytes) {
  const fs::path extras = folder_ / "Trastel.inf";
  ASSERT_EQ(SaveSettings(), SettingsStatus::kDone);
  const std::string mainWithDefaults = ReadBytes(configPath_);
  state_->target->RESIZE_FIT = 2;
  state_->target->JPG_MAX_KB = 200;
  ASSERT_EQ(SaveSettings(), SettingsStatus::kDone);
  EXPECT_EQ(ReadBytes(configPath_), mainWithDefaults);
  EXPECT_EQ(ReadBytes(extras),
            "#FORMAT TRASTEL_EXTRAS_100 (*.inf,*.INF)\r\n#RESIZE_FIT=\t2\r\n#NO_ENLARGE=\t0\r\n"
            "#JPG_MAX_KB=\t200\r\n#WEBP_QUALITY=\t80\r\n#WEBP_LOSSLESS=\t0\r\n#AVIF_QUALITY="
            "\t60\r\n#AVIF_SPEED=\t6\r\n#JXL_QUALITY=\t90\r\n#JXL_EFFORT=\t6\r\n"
            "#JXL_LOSSLESS=\t0\r\n#JXL_FROM_JPEG=\t1\r\n#EXISTING=\t0\r\n#KEEP_DATE=\t0\r\n"
            "#ON_ERROR=\t0\r\n#EXIF_KEEP=\t0\r\n#SUBFOLDERS=\t0\r\n#KEEP_TREE=\t0\r\n"
            "#NAME_FROM_DATE=\t0\r\n"
            "#KEEP_SMALLER=\t0\r\n#BUDGET_MB=\t0\r\n#END\r\n");

  state_->target->RESIZE_FIT = 0;
  state_->target->JPG_MAX_KB = 0;
  EXPECT_EQ(LoadSettings(), SettingsStatus::kDone);
  EXPECT_EQ(state_->target->RESIZE_FIT, 2);
  EXPECT_EQ(state_->target->JPG_MAX_KB, 200);
  EXPECT_TRUE(layer_->messages.empty());

  // A main-file key in the extras file is no key of it: the file is damaged, its settings
  // take their defaults, the main file's stay, and one message names the extras file.
  WriteBytes(extras,
             "#FORMAT TRASTEL_EXTRAS_100 (*.inf,*.INF)\r\n#RESIZE_FIT=\t1\r\n"
             "#JPG_TYPE=\t5\r\n#END\r\n");
  state_->target->JPG_TYPE = 33;
  EXPECT_EQ(LoadSettings(), SettingsStatus::kDone);
  EXPECT_EQ(state_->target->RESIZE_FIT, 0);
  EXPECT_EQ(state_->target->JPG_MAX_KB, 0);
  EXPECT_EQ(state_->target->JPG_TYPE, 20);
  ASSERT_EQ(layer_->messages.size(), 1u);
  EXPECT_NE(layer_->messages[0].find(extras.string()), std::string::npos);

  // A missing one means the defaults, silently.
  fs::remove(extras);
  state_->target->RESIZE_FIT = 1;
  EXPECT_EQ(LoadSettings(), SettingsStatus::kDone);
  EXPECT_EQ(state_->target->RESIZE_FIT, 0);
  EXPECT_EQ(layer_->messages.size(), 1u);
}

TEST(SettingBindingsTest, EveryTypedTextFitsItsSettingsLine) {
  for (const SettingBinding& setting : SettingBindings()) {
    if (setting.kind != SettingControl::kNameBox) continue;
    EXPECT_GE(setting.TextCapacity(), static_cast<std::size_t>(kTextBoxLength)) << setting.key;
  }
}

TEST_F(SettingsFileTest, DeleteTempFilesRemovesOnlyTheTwoPictures) {
  fs::path temp = folder_ / "Data" / "__Temp";
  fs::create_directories(temp);
  for (const char* name :
       {"__Temp__file__vimbo_trastel1__.tpf", "__Temp__file__vimbo_trastel2__.tpf", "keep.tpf"}) {
    WriteBytes(temp / name, "x");
  }
  fs::path previous = fs::current_path();
  fs::current_path(folder_);
  DeleteTempFiles();
  DeleteTempFiles();  // Nothing left to delete: no harm.
  fs::current_path(previous);
  EXPECT_EQ(std::distance(fs::directory_iterator(temp), fs::directory_iterator()), 1);
  EXPECT_TRUE(fs::exists(temp / "keep.tpf"));
}

TEST_F(SettingsFileTest, PresetsComeWithTheProgramHoldBothFilesAndADamagedOneChangesNothing) {
  const std::string folder = PresetsFolderBeside(configPath_.string());
  const std::vector<std::string> shipped = ListPresets(folder);
  EXPECT_EQ(std::set<std::string>(shipped.begin(), shipped.end()),
            (std::set<std::string>{"Web用", "メール添付", "印刷用"}));
  CopyText(state_->paths->SAVE, "/photos/out/");
  state_->target->FILTER_TYPE = 3;
  ASSERT_TRUE(LoadPreset(folder, *FindPreset(folder, "web用"), *state_));
  EXPECT_EQ(state_->target->DIB_TYPE, 1);
  EXPECT_EQ(state_->target->RESIZE_X, 1600);
  EXPECT_EQ(state_->target->RESIZE_FIT, 2);
  EXPECT_EQ(state_->target->JPG_MAX_KB, 200);
  EXPECT_EQ(state_->target->EXIF_KEEP, 1);
  EXPECT_EQ(state_->target->FILTER_TYPE, 0);  // What it does not change takes its default.
  EXPECT_STREQ(state_->paths->SAVE, "/photos/out/");

  // Both files' settings; the output folder only when asked.
  state_->target->JPG_TYPE = 7;
  state_->target->KEEP_SMALLER = 1;
  ASSERT_TRUE(SavePreset(folder, "旅行&家族", *state_, true));
  ASSERT_TRUE(SavePreset(folder, "作業用", *state_, false));
  CopyText(state_->paths->SAVE, "/elsewhere/");
  state_->target->JPG_TYPE = 30;
  state_->target->KEEP_SMALLER = 0;
  ASSERT_TRUE(LoadPreset(folder, "作業用", *state_));
  EXPECT_EQ(state_->target->JPG_TYPE, 7);
  EXPECT_EQ(state_->target->KEEP_SMALLER, 1);
  EXPECT_STREQ(state_->paths->SAVE, "/elsewhere/");
  ASSERT_TRUE(LoadPreset(folder, "旅行&家族", *state_));
  EXPECT_STREQ(state_->paths->SAVE, "/photos/out/");

  // A preset cut short, or a settings file put in its place, is refused and changes nothing.
  const fs::path damaged = platform::PathOf(folder + "作業用.inf");
  std::string text = ReadBytes(damaged);
  WriteBytes(damaged, text.substr(0, text.find("#END")));
  state_->target->JPG_TYPE = 30;
  EXPECT_FALSE(LoadPreset(folder, "作業用", *state_));
  WriteBytes(damaged, SettingsText({"#JPG_TYPE=\t7", "#END"}));
  EXPECT_FALSE(LoadPreset(folder, "作業用", *state_));
  EXPECT_EQ(state_->target->JPG_TYPE, 30);
  EXPECT_EQ(layer_->messages.size(), 2u);

  for (const char* name : {"", "a/b", "a\\b", "なまえ?", "con", "Com1.old", "末尾.", "末尾 "}) {
    EXPECT_FALSE(PresetNameProblem(name).empty()) << name;
  }
  EXPECT_TRUE(PresetNameProblem("Web用 (2026) & 家族").empty());
}

}  // namespace
