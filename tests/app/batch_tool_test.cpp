// Runs the built trastel-batch on pictures made by ImageMagick: exit status, messages on
// standard error, the settings it reads and (only with --save) writes, and its output files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "resources/panel_templates.h"
#include "state/choice_tables.h"
#include "state/setting_bindings.h"
#include "tests/support/unique_folder.h"

namespace fs = std::filesystem;

namespace {

struct RunResult {
  int status;
  std::string errors;
  std::string output;
};

std::string ReadText(const fs::path& file) {
  std::ifstream stream(file, std::ios::binary);
  std::stringstream text;
  text << stream.rdbuf();
  return text.str();
}

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Each test has its own program folder holding a copy of the executable, so that the stored
// settings file is the test's own.
class BatchToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = MakeUniqueFolder(std::string("trastel-batch-") + test->name());
    fs::create_directories(folder_ / "program");
    fs::create_directories(folder_ / "in");
    program_ = folder_ / "program" / "trastel-batch";
    fs::copy_file(TRASTEL_BATCH_TOOL, program_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  // Runs the tool in the test folder with `arguments`.
  RunResult Run(const std::vector<std::string>& arguments) {
    std::string command = "cd " + Quoted(folder_.string()) + " && " + Quoted(program_.string());
    for (const std::string& argument : arguments) command += " " + Quoted(argument);
    command += " >out.txt 2>err.txt </dev/null";
    int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadText(folder_ / "err.txt"),
            ReadText(folder_ / "out.txt")};
  }

  fs::path MakePicture(const std::string& relativePath,
                       const std::string& arguments = "-size 40x30 gradient:red-blue") {
    fs::path file = folder_ / relativePath;
    fs::create_directories(file.parent_path());
    std::string command = "/usr/bin/convert " + arguments + " " + Quoted(file.string());
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return file;
  }

  void WriteFile(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
  }

  fs::path StoredSettings() const { return folder_ / "program" / "Data" / "Confing.inf"; }

  // The values of the settings file by key ("DIB_TYPE" -> "2"); SAVE's value is on its own line.
  static std::map<std::string, std::string> SettingValues(const std::string& text) {
    std::map<std::string, std::string> values;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::size_t equals = line.find('=');
      if (line.empty() || line[0] != '#' || equals == std::string::npos) continue;
      std::string key = line.substr(1, equals - 1);
      std::string value = line.substr(equals + 1);
      if (key == "SAVE") std::getline(lines, value);
      if (!value.empty() && value.back() == '\r') value.pop_back();
      if (!value.empty() && value[0] == '\t') value.erase(0, 1);
      values[key] = value;
    }
    return values;
  }

  static std::string Identify(const fs::path& file) {
    std::string output;
    std::string command = "/usr/bin/identify -format '%m %wx%h' " + Quoted(file.string());
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
      char buffer[256];
      while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
      pclose(pipe);
    }
    return output;
  }

  std::vector<std::string> OutputNames(const std::string& relativeFolder) const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_ / relativeFolder)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path folder_;
  fs::path program_;
};

TEST_F(BatchToolTest, UsageErrorsNameTheirCauseAndConvertNothing) {
  MakePicture("in/a.png");
  struct Case {
    std::vector<std::string> arguments;
    std::string expected;
  };
  const Case cases[] = {
      {{}, "no picture or folder given"},
      {{"--frobnicate", "in/a.png"}, "unknown option: --frobnicate"},
      {{"--out"}, "--out needs a value"},
      {{"--set", "JPG_TYPE", "in/a.png"}, "--set needs KEY=VALUE: \"JPG_TYPE\""},
      {{"--set", "COLOUR=3", "in/a.png"}, "unknown setting key: COLOUR"},
      {{"--set", "#DIB_TYPE=1", "in/a.png"}, "unknown setting key: #DIB_TYPE"},
      {{"--set", "RESIZE_X=12px", "in/a.png"}, "RESIZE_X needs a number, not \"12px\""},
      {{"--set", "JPG_TYPE=", "in/a.png"}, "JPG_TYPE needs a number, not \"\""},
      {{"--set", "CUT_X_1=99999999999", "in/a.png"}, "CUT_X_1 needs a number"},
      {{"--set", "DIB_TYPE=8", "in/a.png"}, "DIB_TYPE takes 0 to 7"},
      {{"--set", "JPG_PRO=2", "in/a.png"}, "JPG_PRO takes 0 to 1"},
      {{"--set", "RESIZE_TYPE=-1", "in/a.png"}, "RESIZE_TYPE takes 0 to 3"},
      {{"--jobs", "0", "in/a.png"}, "--jobs needs a whole number of 1 or more: \"0\""},
      {{"--jobs=2x", "in/a.png"}, "--jobs needs a whole number of 1 or more: \"2x\""},
      {{"--settings", "missing.inf", "in/a.png"},
       "no settings file: " + (folder_ / "missing.inf").string()},
  };
  for (const Case& c : cases) {
    RunResult result = Run(c.arguments);
    EXPECT_EQ(result.status, 2) << c.expected;
    EXPECT_NE(result.errors.find(c.expected), std::string::npos) << result.errors;
    EXPECT_NE(result.errors.find("usage: trastel-batch"), std::string::npos) << c.expected;
    EXPECT_EQ(result.errors.find("変換が"), std::string::npos) << result.errors;
  }
}

TEST_F(BatchToolTest, HelpIsInJapaneseAndEnglishAndListsEveryKey) {
  RunResult result = Run({"--help"});
  EXPECT_EQ(result.status, 0);
  EXPECT_NE(result.output.find("使い方: trastel-batch"), std::string::npos);
  EXPECT_NE(result.output.find("Usage: trastel-batch"), std::string::npos);
  for (const char* key : {"SAVE", "DIB_TYPE", "CUT_Y2_2", "RENAME_NAME", "PREVIEW_TYPE"}) {
    EXPECT_NE(result.output.find(std::string("\n  ") + key + " "), std::string::npos) << key;
  }
  // It fits an 80-column terminal, a character beyond ASCII taking two; the settings' paths,
  // which are the machine's, aside.
  std::istringstream lines(result.output.substr(0, result.output.find("設定ファイル / settings")));
  for (std::string line; std::getline(lines, line);) {
    std::size_t columns = 0;
    for (unsigned char byte : line) columns += byte < 0x80 ? 1 : (byte & 0xC0) != 0x80 ? 2 : 0;
    EXPECT_LT(columns, 80u) << line;
  }
  EXPECT_FALSE(fs::exists(StoredSettings()));
}

// A choice key is told with the labels that the window shows for its values.
TEST_F(BatchToolTest, HelpNamesEachChoiceByItsLabel) {
  const std::string help = Run({"--help"}).output;
  const SettingBinding& resize = *FindSetting("RESIZE_TYPE");
  for (int value = 0; value < resize.ControlCount(); ++value) {
    const std::string label = FindControlTemplate(resize.barId, resize.controlIds[value])->text;
    EXPECT_NE(help.find(std::to_string(value) + " = " + label), std::string::npos) << label;
  }
  const auto& filters = ChoiceTableOf(FindSetting("FILTER_TYPE")->controlIds[0]).entries;
  for (std::size_t value = 0; value < filters.size(); ++value) {
    EXPECT_NE(help.find(std::to_string(value) + " = " + filters[value]), std::string::npos);
  }
}

TEST_F(BatchToolTest, ConvertsPicturesSkipsOthersAndCreatesMissingSettings) {
  MakePicture("in/a.jpg", "-size 40x30 gradient:red-blue");
  MakePicture("in/b.gif", "-size 20x10 xc:green");
  WriteFile(folder_ / "in" / "notes.txt", "not a picture");
  RunResult result = Run({"--out", "out", "in/a.jpg", "in/notes.txt", "in/b.gif"});
  EXPECT_EQ(result.status, 0) << result.errors;
  const std::string expected = "下記の場所に設定ファイルを作成しました。\n[" +
                               StoredSettings().string() + "]\n[" +
                               (folder_ / "in" / "notes.txt").string() +
                               "]\nは変換できないファイルです！\n変換が成功しました！\n";
  EXPECT_EQ(result.errors, expected);
  EXPECT_EQ(OutputNames("out"), (std::vector<std::string>{"a.bmp", "b.bmp"}));
  EXPECT_EQ(Identify(folder_ / "out" / "a.bmp"), "BMP3 40x30");
  EXPECT_EQ(Identify(folder_ / "out" / "b.bmp"), "BMP3 20x10");
  EXPECT_TRUE(fs::exists(StoredSettings()));
  // Standard error is not a terminal here: no progress bar.
  EXPECT_EQ(result.errors.find('\r'), std::string::npos);
}

TEST_F(BatchToolTest, WebpIsWrittenWithItsSettingsAndNamedByTheExtensionRule) {
  MakePicture("in/a.png", "-size 40x30 gradient:red-blue");
  RunResult result = Run({"--out", "out", "--set", "DIB_TYPE=5", "--set", "WEBP_LOSSLESS=1",
                          "--set", "RENAME_DIB=1", "in/a.png"});
  EXPECT_EQ(result.status, 0) << result.errors;
  EXPECT_EQ(OutputNames("out"), (std::vector<std::string>{"a.WEBP"}));
  EXPECT_EQ(Identify(folder_ / "out" / "a.WEBP"), "WEBP 40x30");
  result = Run({"--set", "DIB_TYPE=5", "--set", "WEBP_QUALITY=101", "in/a.png"});
  EXPECT_EQ(result.status, 2);
  EXPECT_NE(result.errors.find("WEBP_QUALITY takes 0 to 100"), std::string::npos) << result.errors;
}

TEST_F(BatchToolTest, PhonePhotosBecomeAvifWithItsSettings) {
  MakePicture("in/IMG_0001.HEIC", "-size 40x30 gradient:red-blue");
  RunResult result = Run({"--out", "out", "--set", "DIB_TYPE=6", "--set", "AVIF_QUALITY=30",
                          "--set", "AVIF_SPEED=9", "in"});
  EXPECT_EQ(result.status, 0) << result.errors;
  EXPECT_EQ(OutputNames("out"), (std::vector<std::string>{"IMG_0001.avif"}));
  EXPECT_EQ(Identify(folder_ / "out" / "IMG_0001.avif"), "HEIC 40x30");  // ImageMagick's name
  result = Run({"--set", "AVIF_SPEED=10", "in"});
  EXPECT_EQ(result.status, 2);
  EXPECT_NE(result.errors.find("AVIF_SPEED takes 0 to 9"), std::string::npos) << result.errors;
}

TEST_F(BatchToolTest, ProgressBarOnlyOnATerminal) {
  MakePicture("in/a.png");
  MakePicture("in/b.png");
  // script(1) gives the tool a terminal; standard output is dropped, standard error kept.
  std::string tool = Quoted(program_.string()) + " --out out in/a.png in/b.png 2>&1 >/dev/null";
  std::string command = "cd " + Quoted(folder_.string()) + " && script -qec " + Quoted(tool) +
                        " /dev/null >terminal.txt";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string shown = ReadText(folder_ / "terminal.txt");
  const std::string halfway =
      "\r[" + std::string(15, '#') + std::string(15, ' ') + "] 1/2 b.png\033[K";
  EXPECT_NE(shown.find(halfway), std::string::npos) << shown;
  // The bar is erased before the closing message.
  EXPECT_NE(shown.find("\r\033[K変換が成功しました！"), std::string::npos) << shown;
}

TEST_F(BatchToolTest, FailuresEndWithStatusOne) {
  MakePicture("in/good.png");
  WriteFile(folder_ / "in" / "truncated.jpg", std::string("\xff\xd8\xff\xe0\x00\x10JFIF\x00", 11));
  WriteFile(folder_ / "in" / "notes.txt", "text");
  struct Case {
    std::vector<std::string> arguments;
    std::string lastMessage;
    std::string cause;
  };
  const Case cases[] = {
      {{"--out", "out", "in/good.png", "in/truncated.jpg"}, "変換が失敗しました！\n", ""},
      {{"--jobs", "2", "--out", "out", "in/truncated.jpg", "in/good.png"},
       "変換が失敗しました！\n",
       ""},
      {{"--out", "out", "in/notes.txt"}, "読み込まれてる画像はありません！\n", "変換できない"},
      {{"--out", "out", "in/missing.png"},
       "読み込まれてる画像はありません！\n",
       "not found: " + (folder_ / "in" / "missing.png").string() + "\n"},
  };
  for (const Case& c : cases) {
    RunResult result = Run(c.arguments);
    EXPECT_EQ(result.status, 1) << result.errors;
    ASSERT_GE(result.errors.size(), c.lastMessage.size());
    EXPECT_EQ(result.errors.substr(result.errors.size() - c.lastMessage.size()), c.lastMessage);
    EXPECT_NE(result.errors.find(c.cause), std::string::npos) << result.errors;
  }
  // A missing file is not called unconvertible.
  EXPECT_EQ(Run({"--out", "out", "in/missing.png"}).errors.find("変換できない"), std::string::npos);
}

// Going on past failures: every good picture written, one line for each failure, status 1.
TEST_F(BatchToolTest, ARunThatGoesOnPastFailuresTellsEachAndEndsWithStatusOne) {
  MakePicture("in/a.png");
  WriteFile(folder_ / "in" / "b.jpg", std::string("\xff\xd8\xff\xe0\x00\x10JFIF\x00", 11));
  MakePicture("in/c.png");
  const RunResult result =
      Run({"--set", "ON_ERROR=1", "--out", "out", "in/a.png", "in/b.jpg", "in/c.png"});
  EXPECT_EQ(result.status, 1) << result.errors;
  EXPECT_TRUE(fs::exists(folder_ / "out" / "a.bmp"));
  EXPECT_TRUE(fs::exists(folder_ / "out" / "c.bmp"));
  EXPECT_NE(result.errors.find("b.jpg]\nは変換できませんでした / failed:\n["), std::string::npos)
      << result.errors;
  EXPECT_NE(result.errors.find("2 件変換、1 件失敗しました。"), std::string::npos) << result.errors;
}

// --failed-list names the pictures a run went on past, and --list takes them again; a list may
// be in Shift_JIS with CR LF and blank lines, as Windows programs save it.
TEST_F(BatchToolTest, TheFailedPicturesAreListedAndConvertedAgainFromTheList) {
  const std::string broken("\xff\xd8\xff\xe0\x00\x10JFIF\x00", 11);
  MakePicture("in/a.png");
  WriteFile(folder_ / "in" / "b.jpg", broken);
  WriteFile(folder_ / "in" / "d.jpg", broken);
  RunResult result = Run({"--set", "ON_ERROR=1", "--out", "out", "--failed-list", "failed.txt",
                          "in/a.png", "in/b.jpg", "in/d.jpg"});
  EXPECT_EQ(result.status, 1) << result.errors;
  const std::string in = (folder_ / "in").string();
  EXPECT_EQ(ReadText(folder_ / "failed.txt"), in + "/b.jpg\n" + in + "/d.jpg\n");

  MakePicture("in/b.jpg");
  result = Run({"--set", "ON_ERROR=1", "--out", "again", "--list", "failed.txt", "--failed-list",
                "failed.txt"});
  EXPECT_EQ(result.status, 1) << result.errors;
  EXPECT_EQ(OutputNames("again"), (std::vector<std::string>{"b.bmp"}));
  EXPECT_EQ(ReadText(folder_ / "failed.txt"), in + "/d.jpg\n");

  MakePicture("in/\xe7\x94\xbb\xe5\x83\x8f.png");  // 画像.png
  WriteFile(folder_ / "sjis.txt", "\r\nin/\x89\xe6\x91\x9c.png\r\n\r\nin/a.png\r\n");
  result = Run({"--out", "sjis", "--list", "sjis.txt"});
  EXPECT_EQ(result.status, 0) << result.errors;
  EXPECT_EQ(OutputNames("sjis"),
            (std::vector<std::string>{"a.bmp", "\xe7\x94\xbb\xe5\x83\x8f.bmp"}));
  EXPECT_EQ(Run({"--list", "missing.txt"}).status, 2);
}

// A folder's sub-folders are converted with --recursive (or SUBFOLDERS=1) only.
TEST_F(BatchToolTest, RecursiveTakesTheSubfoldersToo) {
  MakePicture("in/a.png");
  MakePicture("in/sub/deeper/b.png");
  EXPECT_EQ(Run({"--out", "flat", "in"}).status, 0);
  EXPECT_EQ(OutputNames("flat"), (std::vector<std::string>{"a.bmp"}));
  EXPECT_EQ(Run({"--recursive", "--out", "tree", "in"}).status, 0);
  EXPECT_EQ(OutputNames("tree"), (std::vector<std::string>{"a.bmp", "b.bmp"}));
}

TEST_F(BatchToolTest, APresetIsLoadedUnderTheSetOptionsAndADamagedOneIsRefused) {
  const RunResult listed = Run({"--list-presets"});
  EXPECT_EQ(listed.status, 0);
  EXPECT_EQ(listed.output, "Web用\nメール添付\n印刷用\n");
  MakePicture("in/big.png", "-size 2000x1000 gradient:red-blue");
  EXPECT_EQ(Run({"--preset", "メール添付", "--set", "NO_ENLARGE=0", "--out", "out", "in"}).status,
            0);
  EXPECT_EQ(Identify(folder_ / "out" / "big.jpg"), "JPEG 1280x640");
  EXPECT_EQ(SettingValues(ReadText(StoredSettings()))["DIB_TYPE"], "0");  // Not saved.

  WriteFile(folder_ / "program" / "Data" / "Presets" / "壊れた.inf",
            "#FORMAT TRASTEL_PRESET_100 (*.inf,*.INF)\r\n#JPG_TYPE=\t5\r\n");
  const RunResult damaged = Run({"--preset", "壊れた", "--out", "out2", "in"});
  EXPECT_EQ(damaged.status, 1);
  EXPECT_NE(damaged.errors.find("壊れているため読み込めませんでした"), std::string::npos)
      << damaged.errors;
  EXPECT_FALSE(fs::exists(folder_ / "out2" / "big.jpg"));
  EXPECT_EQ(Run({"--preset", "ない", "in"}).status, 2);
}

// A total budget holds the outputs' bytes together within it, each written at the highest
// quality its share takes, and the estimate tells the quality that leads to.
TEST_F(BatchToolTest, ABudgetHoldsTheOutputsTotalForJpegWebpAndAvif) {
  for (int i = 0; i < 30; ++i) {
    MakePicture("in/p" + std::to_string(i) + ".png", "-size 320x240 -seed " + std::to_string(i) +
                                                         " plasma: -attenuate 0.4 +noise Gaussian");
  }
  const std::vector<std::string> high = {"--set", "JPG_TYPE=5",      "--set", "WEBP_QUALITY=95",
                                         "--set", "AVIF_QUALITY=95", "--set", "BUDGET_MB=1"};
  for (const std::string format : {"1", "5", "6"}) {
    std::vector<std::string> arguments = high;
    arguments.insert(arguments.end(),
                     {"--set", "DIB_TYPE=" + format, "--out", "out" + format, "in"});
    const RunResult run = Run(arguments);
    EXPECT_EQ(run.status, 0) << run.errors;
    std::uintmax_t total = 0;
    int files = 0;
    for (const auto& file : fs::directory_iterator(folder_ / ("out" + format))) {
      total += file.file_size();
      ++files;
    }
    EXPECT_EQ(files, 30) << format;
    EXPECT_LE(total, 1000000u) << format;
    // Used, not left mostly idle: without the budget these take well over a megabyte.
    EXPECT_GT(total, 600000u) << format;
  }
  std::vector<std::string> estimate = high;
  estimate.insert(estimate.end(), {"--estimate", "--set", "DIB_TYPE=1", "in"});
  const RunResult told = Run(estimate);
  EXPECT_NE(told.output.find("合計の上限 1.0 MB のとき: 変換後の合計 約 "), std::string::npos)
      << told.output;
  EXPECT_NE(told.output.find("、平均の画質 約 "), std::string::npos) << told.output;
}

TEST_F(BatchToolTest, SameOutputNamesAreRenamedAndEachRenamingIsTold) {
  MakePicture("in/a/x.png");
  MakePicture("in/b/x.jpg");
  RunResult result = Run({"--out", "out", "in/a/x.png", "in/b/x.jpg"});
  EXPECT_EQ(result.status, 0) << result.errors;
  EXPECT_EQ(OutputNames("out"), (std::vector<std::string>{"x(2).bmp", "x.bmp"}));
  const std::string out = (folder_ / "out").string() + "/";
  EXPECT_NE(result.errors.find("renamed: " + out + "x.bmp -> " + out + "x(2).bmp\n"),
            std::string::npos)
      << result.errors;
  EXPECT_NE(result.errors.find("変換が成功しました！\n同じ名前になった 1 個のファイル"),
            std::string::npos)
      << result.errors;
}

// Two runs started at once into one folder, under 番号を付ける and 飛ばす: every output of both
// is kept whole, none replacing another (each round may interleave them differently).
TEST_F(BatchToolTest, TwoRunsIntoOneFolderLoseNothing) {
  std::vector<std::string> arguments = {"--out", "out"};
  for (int i = 0; i < 12; ++i) {
    MakePicture("in/p" + std::to_string(i) + ".png", "-size 64x48 plasma:");
    arguments.push_back("in/p" + std::to_string(i) + ".png");
  }
  for (const std::string rule : {"2", "1"}) {
    for (int round = 0; round < 4; ++round) {
      fs::remove_all(folder_ / "out");
      std::string command = "cd " + Quoted(folder_.string()) + ";";
      for (const char* run : {"a", "b"}) {
        command += " " + Quoted(program_.string()) + " --set EXISTING=" + rule;
        for (const std::string& argument : arguments) command += " " + Quoted(argument);
        command += " >/dev/null 2>" + std::string(run) + ".txt </dev/null &";
      }
      ASSERT_EQ(std::system((command + " wait").c_str()), 0);
      const std::string told = ReadText(folder_ / "a.txt") + ReadText(folder_ / "b.txt");
      std::size_t skipped = 0;
      for (std::size_t at = told.find("skipped"); at != std::string::npos;
           at = told.find("skipped", at + 1)) {
        ++skipped;
      }
      const std::vector<std::string> names = OutputNames("out");
      EXPECT_EQ(names.size(), rule == "2" ? 24u : 12u) << told;
      EXPECT_EQ(skipped, rule == "2" ? 0u : 12u) << told;
      for (const std::string& name : names) {
        EXPECT_EQ(Identify(folder_ / "out" / name), "BMP3 64x48") << name;
      }
    }
  }
}

// A disk that is full ends even a run that goes on past failures, at its first output, with the
// reason and the folder; every later picture would have failed the same way.
TEST_F(BatchToolTest, AFullDiskEndsTheRunWithItsReason) {
  if (::geteuid() != 0 || std::system("command -v unshare >/dev/null") != 0) {
    GTEST_SKIP() << "a small disk of its own needs root and unshare";
  }
  std::string pictures;
  for (int i = 0; i < 6; ++i) {
    MakePicture("in/p" + std::to_string(i) + ".png", "-size 200x200 plasma:");
    pictures += " in/p" + std::to_string(i) + ".png";
  }
  fs::create_directories(folder_ / "out");
  // A 64 KiB file system of its own in a mount namespace of its own, gone with the command.
  const std::string command = "cd " + Quoted(folder_.string()) +
                              " && unshare --mount --propagation private sh -c 'mount -t tmpfs -o "
                              "size=64k tmpfs out && " +
                              Quoted(program_.string()) + " --set ON_ERROR=1 --out out" + pictures +
                              "' >out.txt 2>err.txt </dev/null";
  const int raw = std::system(command.c_str());
  const std::string errors = ReadText(folder_ / "err.txt");
  ASSERT_TRUE(WIFEXITED(raw)) << errors;
  EXPECT_EQ(WEXITSTATUS(raw), 1) << errors;
  EXPECT_NE(errors.find("変換が失敗しました！\nディスクの空きが足りないため保存できません:\n[" +
                        (folder_ / "out").string() + "/]"),
            std::string::npos)
      << errors;
  EXPECT_EQ(errors.find("failed:"), std::string::npos) << errors;
}

TEST_F(BatchToolTest, RunningOutOfMemoryFailsThePictureWithTheUsualMessages) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#endif
  MakePicture("in/small.png");
  MakePicture("in/big.png", "-size 5000x5000 xc:white");
  // 64 MB of address space: the program starts and converts the small picture, but the big
  // one's 75 MB of pixels do not fit.
  const std::string command = "cd " + Quoted(folder_.string()) + " && ulimit -v 65536 && " +
                              Quoted(program_.string()) +
                              " --out out in/small.png in/big.png >out.txt 2>err.txt </dev/null";
  const int raw = std::system(command.c_str());
  const std::string errors = ReadText(folder_ / "err.txt");
  ASSERT_TRUE(WIFEXITED(raw)) << errors;
  EXPECT_EQ(WEXITSTATUS(raw), 1) << errors;
  EXPECT_TRUE(errors.ends_with("]\nを変換するためのメモリが足りません！\n変換が失敗しました！\n"))
      << errors;
  EXPECT_EQ(OutputNames("out"), std::vector<std::string>{"small.bmp"});
}

// Two pictures that fit in memory one after the other but not side by side are both converted
// with two workers, as with one. (The limit counts the program's libraries too: about 40 MB of
// them with the HEIF and AV1 codecs.)
TEST_F(BatchToolTest, APictureThatFailedBesideAnotherIsConvertedAgainAlone) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#endif
  MakePicture("in/1.png", "-size 3000x3000 plasma:fractal -depth 8");
  fs::copy_file(folder_ / "in/1.png", folder_ / "in/2.png");
  for (const char* jobs : {"1", "2"}) {
    const std::string out = std::string("out") + jobs;
    const std::string command = "cd " + Quoted(folder_.string()) + " && ulimit -v 105000 && " +
                                Quoted(program_.string()) + " --out " + out + " --jobs " + jobs +
                                " in/1.png in/2.png >out.txt 2>err.txt </dev/null";
    const int raw = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << jobs << ReadText(folder_ / "err.txt");
    EXPECT_EQ(OutputNames(out), (std::vector<std::string>{"1.bmp", "2.bmp"})) << jobs;
  }
}

// Writing an animation that does not fit in memory fails the same way, with one or two workers,
// and leaves nothing in the output folder.
TEST_F(BatchToolTest, RunningOutOfMemoryInAnAnimationFailsIt) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#endif
  // Frames are coded as they come: each must be too large on its own.
  for (const char* name : {"in/1.jpg", "in/2.jpg", "in/3.jpg"}) {
    MakePicture(name, "-size 4000x4000 gradient:red-blue");
  }
  for (const char* jobs : {"1", "2"}) {
    const std::string out = std::string("out") + jobs;
    const std::string command =
        "cd " + Quoted(folder_.string()) + " && ulimit -v 100000 && " + Quoted(program_.string()) +
        " --out " + out + " --jobs " + jobs +
        " --set DIB_TYPE=3 --set GIF_ANIMA=1 in/1.jpg in/2.jpg in/3.jpg >out.txt 2>err.txt "
        "</dev/null";
    const int raw = std::system(command.c_str());
    const std::string errors = ReadText(folder_ / "err.txt");
    ASSERT_TRUE(WIFEXITED(raw)) << errors;
    EXPECT_EQ(WEXITSTATUS(raw), 1) << errors;
    // Which frame runs out first depends on how the workers' decodes overlap.
    EXPECT_TRUE(errors.ends_with("]\nを変換するためのメモリが足りません！\n変換が失敗しました！\n"))
        << errors;
    EXPECT_EQ(OutputNames(out), std::vector<std::string>{}) << jobs;
  }
}

TEST_F(BatchToolTest, InterruptionRemovesPartialFilesAndLeftoversOfEndedRunsGo) {
  MakePicture("in/big.png", "-size 1500x1500 gradient:red-blue");
  fs::create_directories(folder_ / "out");
  // A leftover of a process that has ended, and a file of one that still runs (this test).
  const pid_t ended = fork();
  if (ended == 0) _exit(0);
  waitpid(ended, nullptr, 0);
  const fs::path leftover = folder_ / "out" / (".trastel-" + std::to_string(ended) + "-0.tmp");
  const fs::path running = folder_ / "out" / (".trastel-" + std::to_string(getpid()) + "-0.tmp");
  WriteFile(leftover, "partial");
  WriteFile(running, "being written");

  const pid_t tool = fork();
  if (tool == 0) {
    if (chdir(folder_.c_str()) != 0) _exit(99);
    const int quiet = open("/dev/null", O_WRONLY);
    if (quiet < 0 || dup2(quiet, STDERR_FILENO) < 0) _exit(97);
    execl(program_.c_str(), "trastel-batch", "--out", "out", "--set", "DIB_TYPE=4", "in/big.png",
          static_cast<char*>(nullptr));
    _exit(98);
  }
  // Waits until the page is being written under its temporary name, then interrupts.
  bool writing = false;
  for (int i = 0; i < 4000 && !writing; ++i) {
    for (const auto& entry : fs::directory_iterator(folder_ / "out")) {
      const std::string name = entry.path().filename().string();
      writing = writing || name.starts_with(".trastel-" + std::to_string(tool) + "-");
    }
    if (!writing) usleep(5000);
  }
  EXPECT_TRUE(writing);
  kill(tool, SIGINT);
  int status = 0;
  waitpid(tool, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
  EXPECT_EQ(OutputNames("out"), std::vector<std::string>{running.filename().string()});
}

TEST_F(BatchToolTest, InterruptionsAtAnyMomentLeaveOnlyWholeOutputs) {
  for (int i = 0; i < 8; ++i) MakePicture("in/" + std::to_string(i) + ".png", "-size 900x700 xc:");
  // Thirty interruptions, SIGINT and SIGTERM, with one and two workers, spread over the run.
  for (int attempt = 0; attempt < 30; ++attempt) {
    const std::string out = "out" + std::to_string(attempt);
    fs::create_directories(folder_ / out);
    const pid_t tool = fork();
    if (tool == 0) {
      if (chdir(folder_.c_str()) != 0) _exit(99);
      const int quiet = open("/dev/null", O_WRONLY);
      if (quiet < 0 || dup2(quiet, STDERR_FILENO) < 0) _exit(97);
      execl(program_.c_str(), "trastel-batch", "--out", out.c_str(), "--jobs",
            attempt % 2 == 0 ? "1" : "2", "--set", "DIB_TYPE=0", "in", static_cast<char*>(nullptr));
      _exit(98);
    }
    usleep(static_cast<useconds_t>(20000 + (attempt * 37 % 30) * 10000));
    kill(tool, attempt % 4 < 2 ? SIGINT : SIGTERM);
    waitpid(tool, nullptr, 0);
    for (const std::string& name : OutputNames(out)) {
      ASSERT_TRUE(name.ends_with(".bmp")) << attempt << " " << name;
      const std::string bytes = ReadText(folder_ / out / name);
      ASSERT_GE(bytes.size(), 6u);
      const auto byte = [&](int at) { return static_cast<std::size_t>(bytes[at] & 0xff); };
      EXPECT_EQ(byte(2) | byte(3) << 8 | byte(4) << 16 | byte(5) << 24, bytes.size()) << name;
    }
  }
}

TEST_F(BatchToolTest, SettingsAreCorrectedAsTheWindowCorrectsThem) {
  MakePicture("in/a.png", "-size 300x200 xc:blue");
  RunResult result = Run({"--out",    "out",
                          "--set",    "DIB_TYPE=2",
                          "--set",    "RESIZE_TYPE=3",
                          "--set",    "RESIZE_X=0",
                          "--set",    "RESIZE_Y=25000",
                          "--set",    "RENAME_TYPE=3",
                          "--set",    "RENAME_NAME=my photo!",
                          "--set",    "RENAME_NUM=+7",
                          "--set",    "RENAME_VAL=0",
                          "in/a.png", "in/a.png"});
  EXPECT_EQ(result.status, 0) << result.errors;
  // Sizes outside 1..2500 fall back to 256 and 128 (a value is judged whole, past the digits a
  // box lets the user type); a step of 0 becomes 1; the name keeps letters and digits only.
  EXPECT_EQ(OutputNames("out"), (std::vector<std::string>{"my_photo_7.png", "my_photo_8.png"}));
  EXPECT_EQ(Identify(folder_ / "out" / "my_photo_7.png"), "PNG 256x128");
}

TEST_F(BatchToolTest, StoredSettingsChangeOnlyWithSave) {
  MakePicture("in/a.png");
  ASSERT_EQ(Run({"--out", "out", "in/a.png"}).status, 0);
  const std::string stored = ReadText(StoredSettings());

  RunResult unsaved =
      Run({"--out", "elsewhere", "--set", "DIB_TYPE=1", "--set", "JPG_TYPE=90", "in/a.png"});
  EXPECT_EQ(unsaved.status, 0) << unsaved.errors;
  EXPECT_EQ(Identify(folder_ / "elsewhere" / "a.jpg"), "JPEG 40x30");
  EXPECT_EQ(ReadText(StoredSettings()), stored);

  RunResult saved = Run({"--save", "--out", "saved", "--set", "DIB_TYPE=1", "in/a.png"});
  EXPECT_EQ(saved.status, 0) << saved.errors;
  auto values = SettingValues(ReadText(StoredSettings()));
  EXPECT_EQ(values["DIB_TYPE"], "1");
  EXPECT_EQ(values["SAVE"], (folder_ / "saved").string() + "/");
  EXPECT_EQ(values["JPG_TYPE"], "20");

  // The next run without options uses what was saved.
  ASSERT_EQ(Run({"in/a.png"}).status, 0);
  EXPECT_EQ(Identify(folder_ / "saved" / "a.jpg"), "JPEG 40x30");
}

TEST_F(BatchToolTest, EveryKeyIsSetThroughItsControl) {
  struct Case {
    const char* key;
    std::string value;
    std::string stored;
  };
  const std::string out = (folder_ / "o").string() + "/";
  // Values differ from the defaults; the boxes keep what was typed when it passes their rules.
  const Case cases[] = {
      {"SAVE", "o", out},         {"RESIZE_TYPE", "3", "3"},
      {"RESIZE_X", "300", "300"}, {"RESIZE_Y", "200", "200"},
      {"DIB_TYPE", "3", "3"},     {"BMP_TYPE", "3", "3"},
      {"JPG_TYPE", "75", "75"},   {"JPG_PRO", "1", "1"},
      {"PNG_PRO", "1", "1"},      {"GIF_PRO", "1", "1"},
      {"GIF_ANIMA", "1", "1"},    {"GIF_SPEED", "15", "15"},
      {"GIF_BIT", "0", "0"},      {"GIF_COLOR", "2", "2"},
      {"HTM_TYPE", "4", "4"},     {"FILTER_TYPE", "3", "3"},
      {"ANGLE_VAL", "30", "30"},  {"ANGLE_COLOR", "5", "5"},
      {"CUT_TYPE", "2", "2"},     {"CUT_X_1", "10", "10"},
      {"CUT_Y_1", "11", "11"},    {"CUT_X2_1", "12", "12"},
      {"CUT_Y2_1", "13", "13"},   {"CUT_X_2", "14", "14"},
      {"CUT_Y_2", "15", "15"},    {"CUT_X2_2", "116", "116"},
      {"CUT_Y2_2", "117", "117"}, {"RENAME_TYPE", "1", "1"},
      {"RENAME_NUM", "-5", "-5"}, {"RENAME_VAL", "3", "3"},
      {"RENAME_DIB", "2", "2"},   {"RENAME_NAME", "Zz9", "Zz9"},
      {"FOLDER_TYPE", "1", "1"},  {"FOLDER_NAME", "sub", "sub"},
      {"PREVIEW_TYPE", "1", "1"},
  };
  std::vector<std::string> arguments = {"--save"};
  for (const Case& c : cases) {
    arguments.push_back("--set");
    arguments.push_back(std::string(c.key) + "=" + c.value);
  }
  arguments.push_back("in");  // An empty folder: nothing to convert.
  RunResult result = Run(arguments);
  EXPECT_EQ(result.status, 1) << result.errors;
  EXPECT_NE(result.errors.find("読み込まれてる画像はありません！"), std::string::npos);
  auto values = SettingValues(ReadText(StoredSettings()));
  EXPECT_EQ(values.size(), std::size(cases));
  for (const Case& c : cases) EXPECT_EQ(values[c.key], c.stored) << c.key;
}

TEST_F(BatchToolTest, SizesKeepThePicturesShapeAndTheNewKeysAreSavedBesideTheMainFile) {
  MakePicture("in/land.png", "-size 400x300 gradient:red-blue");
  MakePicture("in/port.png", "-size 300x400 gradient:red-blue");
  MakePicture("in/small.png", "-size 100x50 gradient:red-blue");
  auto convert = [&](const std::string& out, std::vector<std::string> arguments) {
    arguments.insert(arguments.end(), {"--out", out, "--set", "DIB_TYPE=2", "in"});
    RunResult result = Run(arguments);
    EXPECT_EQ(result.status, 0) << result.errors;
    std::vector<std::string> sizes;
    for (const char* name : {"land.png", "port.png", "small.png"}) {
      sizes.push_back(Identify(folder_ / out / name));
    }
    return sizes;
  };
  // 320×240, fitted inside: a portrait is 240 high and 300·240/400 wide; the small one stays.
  EXPECT_EQ(
      convert("fit", {"--set", "RESIZE_TYPE=2", "--set", "RESIZE_FIT=1", "--set", "NO_ENLARGE=1"}),
      (std::vector<std::string>{"PNG 320x240", "PNG 180x240", "PNG 100x50"}));
  // 640×480 by the long side: every longer side becomes 640, the small one grows too.
  EXPECT_EQ(convert("long", {"--set", "RESIZE_TYPE=1", "--set", "RESIZE_FIT=2"}),
            (std::vector<std::string>{"PNG 640x480", "PNG 480x640", "PNG 640x320"}));
  // Stretched but not enlarged: 300×200 takes every picture not within it.
  EXPECT_EQ(convert("kept", {"--set", "RESIZE_TYPE=3", "--set", "RESIZE_X=300", "--set",
                             "RESIZE_Y=200", "--set", "NO_ENLARGE=1"}),
            (std::vector<std::string>{"PNG 300x200", "PNG 300x200", "PNG 100x50"}));
  EXPECT_EQ(Run({"--set", "RESIZE_FIT=3", "in"}).status, 2);

  // --save writes both files; the main one is what the same main settings always gave.
  fs::create_directories(folder_ / "empty");
  ASSERT_EQ(Run({"--save", "--out", "saved", "--set", "DIB_TYPE=2", "empty"}).status, 1);
  const std::string mainOnly = ReadText(StoredSettings());
  ASSERT_EQ(Run({"--save", "--out", "saved", "--set", "DIB_TYPE=2", "--set", "RESIZE_FIT=2",
                 "--set", "JPG_MAX_KB=150", "empty"})
                .status,
            1);
  EXPECT_EQ(ReadText(StoredSettings()), mainOnly);
  auto extras = SettingValues(ReadText(StoredSettings().parent_path() / "Trastel.inf"));
  EXPECT_EQ(extras, (std::map<std::string, std::string>{
                        {"RESIZE_FIT", "2"},    {"NO_ENLARGE", "0"},    {"JPG_MAX_KB", "150"},
                        {"WEBP_QUALITY", "80"}, {"WEBP_LOSSLESS", "0"}, {"AVIF_QUALITY", "60"},
                        {"AVIF_SPEED", "6"},    {"JXL_QUALITY", "90"},  {"JXL_EFFORT", "6"},
                        {"JXL_LOSSLESS", "0"},  {"JXL_FROM_JPEG", "1"}, {"EXISTING", "0"},
                        {"KEEP_DATE", "0"},     {"ON_ERROR", "0"},      {"EXIF_KEEP", "0"},
                        {"SUBFOLDERS", "0"},    {"KEEP_TREE", "0"},     {"NAME_FROM_DATE", "0"},
                        {"KEEP_SMALLER", "0"},  {"BUDGET_MB", "0"}}));
  EXPECT_NE(Run({"--help"}).output.find("\n  JPG_MAX_KB "), std::string::npos);
}

// A damaged Trastel.inf is not written back as it stands: --save stores its values held to
// their ranges.
TEST_F(BatchToolTest, SaveWritesTheExtrasHeldToTheirRanges) {
  fs::create_directories(folder_ / "empty");
  ASSERT_EQ(Run({"--save", "empty"}).status, 1);
  const fs::path extras = StoredSettings().parent_path() / "Trastel.inf";
  std::ofstream(extras, std::ios::binary) << "#FORMAT TRASTEL_EXTRAS_100 (*.inf,*.INF)\r\n"
                                             "#EXISTING=\t99\r\n#KEEP_DATE=\t7\r\n"
                                             "#JPG_MAX_KB=\t-5\r\n#END\r\n";
  ASSERT_EQ(Run({"--save", "empty"}).status, 1);
  const auto values = SettingValues(ReadText(extras));
  EXPECT_EQ(values.at("EXISTING"), "0");
  EXPECT_EQ(values.at("KEEP_DATE"), "0");
  EXPECT_EQ(values.at("JPG_MAX_KB"), "0");
}

TEST_F(BatchToolTest, JpegSizeCapTakesTheHighestQualityThatFitsAndCountsThoseThatCannot) {
  MakePicture("in/noise.png", "-size 500x400 -seed 7 plasma:fractal");
  auto quality = [this](const fs::path& file) {
    std::string output;
    const std::string command = "/usr/bin/identify -format %Q " + Quoted(file.string());
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
      char buffer[64];
      while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
      pclose(pipe);
    }
    return std::atoi(output.c_str());
  };
  RunResult capped = Run({"--out", "capped", "--set", "DIB_TYPE=1", "--set", "JPG_TYPE=5", "--set",
                          "JPG_MAX_KB=40", "in/noise.png"});
  ASSERT_EQ(capped.status, 0) << capped.errors;
  EXPECT_EQ(capped.errors.find("上限"), std::string::npos) << capped.errors;
  const fs::path cappedFile = folder_ / "capped" / "noise.jpg";
  EXPECT_LE(fs::file_size(cappedFile), 40000u);
  // One quality step higher, written without a cap, would not have fitted.
  const int reached = quality(cappedFile);
  ASSERT_GT(reached, 1);
  ASSERT_LT(reached, 95);
  ASSERT_EQ(Run({"--out", "higher", "--set", "DIB_TYPE=1", "--set",
                 "JPG_TYPE=" + std::to_string(100 - reached - 1), "in/noise.png"})
                .status,
            0);
  EXPECT_GT(fs::file_size(folder_ / "higher" / "noise.jpg"), 40000u);

  RunResult over =
      Run({"--out", "over", "--set", "DIB_TYPE=1", "--set", "JPG_MAX_KB=1", "in/noise.png"});
  ASSERT_EQ(over.status, 0) << over.errors;
  EXPECT_EQ(quality(folder_ / "over" / "noise.jpg"), 1);
  EXPECT_NE(over.errors.find("over the size cap even at the lowest quality: " +
                             (folder_ / "over" / "noise.jpg").string()),
            std::string::npos)
      << over.errors;
  EXPECT_NE(over.errors.find("変換が成功しました！\n1 "
                             "個のJPEGファイルは、最低の画質でもファイルサイズ上限を超えました。"),
            std::string::npos)
      << over.errors;
}

TEST_F(BatchToolTest, SettingsFileIsReadAndLeftAsItWas) {
  MakePicture("in/a.png");
  const fs::path settings = folder_ / "mine.inf";
  const std::string text =
      "#FORMAT VIMBO_TRASTEL_200 (*.inf,*.INF)\n#DIB_TYPE=\t3\n#RENAME_TYPE=\t2\n"
      "#RENAME_NAME=\tgif\n#END\n";
  WriteFile(settings, text);
  RunResult result = Run({"--settings", "mine.inf", "--out", "out", "in/a.png"});
  EXPECT_EQ(result.status, 0) << result.errors;
  EXPECT_EQ(OutputNames("out"), (std::vector<std::string>{"0gif.gif"}));
  EXPECT_EQ(Identify(folder_ / "out" / "0gif.gif"), "GIF 40x30");
  EXPECT_EQ(ReadText(settings), text);
  EXPECT_FALSE(fs::exists(StoredSettings()));

  WriteFile(settings, "#FORMAT SOMETHING_ELSE\n#END\n");
  RunResult broken = Run({"--settings", "mine.inf", "--out", "out", "in/a.png"});
  EXPECT_EQ(broken.status, 1);
  EXPECT_NE(broken.errors.find("cannot read the settings file: " + settings.string()),
            std::string::npos)
      << broken.errors;
  EXPECT_EQ(ReadText(settings), "#FORMAT SOMETHING_ELSE\n#END\n");
}

TEST_F(BatchToolTest, FoldersAddTheirPicturesOnly) {
  MakePicture("in/folder/b.png");
  MakePicture("in/folder/A.bmp");
  MakePicture("in/folder/sub/c.png");
  WriteFile(folder_ / "in" / "folder" / "readme.txt", "text");
  WriteFile(folder_ / "in" / "folder" / "x.heic", "");
  MakePicture("in/single.gif");
  RunResult result = Run({"--out", "out", "--set", "DIB_TYPE=2", "--set", "RENAME_TYPE=1",
                          "in/single.gif", "in/folder"});
  EXPECT_EQ(result.status, 0) << result.errors;
  // Each file that is not a picture is named on its own line (the sub-folder is no file).
  const std::string skipped =
      "trastel-batch: 画像ではないため飛ばします / not a picture, skipped: " +
      (folder_ / "in" / "folder").string() + "/";
  EXPECT_EQ(result.errors, "下記の場所に設定ファイルを作成しました。\n[" +
                               StoredSettings().string() + "]\n" + skipped + "readme.txt\n" +
                               skipped + "x.heic\n変換が成功しました！\n");
  // Numbered in list order: the single file, then the folder's pictures by name.
  EXPECT_EQ(OutputNames("out"), (std::vector<std::string>{"0.png", "1.png", "2.png"}));
  EXPECT_EQ(Identify(folder_ / "out" / "1.png"), "PNG 40x30");
}

TEST_F(BatchToolTest, ProgramDeepBelowConvertsPicturesOfASiblingTree) {
  // The program eight levels below the test folder, the pictures in the folder beside it: their
  // paths relative to the program are much longer than the paths themselves. Two pictures
  // have no extension.
  const fs::path deep = folder_ / "program/1/2/3/4/5/6/7/8";
  fs::create_directories(deep);
  fs::copy_file(program_, deep / "trastel-batch");
  program_ = deep / "trastel-batch";
  const fs::path pictures = folder_.string() + "-in";
  fs::remove_all(pictures);
  const fs::path picture = MakePicture(fs::relative(pictures / "a.png", folder_).string());
  fs::copy_file(picture, pictures / "x");
  fs::copy_file(picture, pictures / "y");
  RunResult result =
      Run({"--out", "out", picture.string(), (pictures / "x").string(), (pictures / "y").string()});
  fs::remove_all(pictures);
  EXPECT_EQ(result.status, 0) << result.errors;
  EXPECT_EQ(OutputNames("out"), (std::vector<std::string>{"a.bmp", "x.bmp", "y.bmp"}));
}

TEST_F(BatchToolTest, ProgramFolderTooLongForItsSettingsPathIsRefused) {
  // A program folder of 240 bytes leaves no room for "Data/Confing.inf" in 255 bytes.
  const fs::path tooLong = folder_ / std::string(238 - folder_.string().size(), 'f');
  fs::create_directories(tooLong);
  fs::copy_file(program_, tooLong / "trastel-batch");
  program_ = tooLong / "trastel-batch";
  MakePicture("in/a.png");
  RunResult result = Run({"--out", "out", "in/a.png"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.errors,
            "[" + tooLong.string() +
                "/]\nはプログラムのフォルダとしてはパスが長すぎるため起動できません！"
                "(239 バイトまでです)\n");
  EXPECT_FALSE(fs::exists(tooLong / "Data"));
}

TEST_F(BatchToolTest, TheListTakesAThousandPictures) {
  const fs::path picture = MakePicture("in/one.png", "-size 2x2 xc:red");
  fs::create_directories(folder_ / "in" / "many");
  for (int i = 0; i < 1001; ++i) {
    fs::copy_file(picture, folder_ / "in" / "many" / ("p" + std::to_string(1000 + i) + ".png"));
  }
  RunResult result = Run({"--out", "out", "in/many", "in/one.png"});
  EXPECT_EQ(result.status, 0) << result.errors.substr(0, 500);
  EXPECT_NE(result.errors.find("[1001]以上は読み込めません。(1000件までです)\n"),
            std::string::npos);
  EXPECT_EQ(OutputNames("out").size(), 1000u);
  EXPECT_FALSE(fs::exists(folder_ / "out" / "p2000.bmp"));
  EXPECT_FALSE(fs::exists(folder_ / "out" / "one.bmp"));
}

}  // namespace

// The estimate names each entry's fate as the run then meets it: the same output names (a clash
// numbered, an output there skipped), the same sizes, the same bytes where it converted the
// picture whole, and near them where it predicted (for JPEG photos, one of them turned by its
// Exif, from strips decoded without the rest).
TEST_F(BatchToolTest, TheEstimateNamesWhatTheRunWillDo) {
  MakePicture("in/a/x.png", "-size 40x30 -seed 1 plasma:");
  MakePicture("in/b/x.png", "-size 40x30 -seed 2 plasma:");
  MakePicture("in/old.png", "-size 40x30 -seed 3 plasma:");
  MakePicture("in/big.png", "-size 1600x1200 -seed 4 plasma:fractal -blur 0x1");
  MakePicture("in/broken.jpg", "-size 400x300 plasma:");
  fs::resize_file(folder_ / "in/broken.jpg", 600);
  MakePicture("in/photo.jpg", "-size 1600x1200 -seed 5 plasma:fractal -blur 0x1 -quality 92");
  const fs::path turned =
      MakePicture("in/turned.jpg", "-size 1600x1200 -seed 6 plasma:fractal -blur 0x1 -quality 92");
  ASSERT_EQ(std::system(("/usr/bin/exiftool -q -overwrite_original -n -Orientation=6 " +
                         Quoted(turned.string()))
                            .c_str()),
            0);
  WriteFile(folder_ / "out/old.jpg", "there before");
  const std::vector<std::string> sources = {"in/a/x.png",   "in/b/x.png",    "in/old.png",
                                            "in/big.png",   "in/broken.jpg", "in/photo.jpg",
                                            "in/turned.jpg"};
  std::vector<std::string> settings = {
      "--out", "out",          "--set", "DIB_TYPE=1",   "--set", "RESIZE_TYPE=3",
      "--set", "RESIZE_FIT=2", "--set", "NO_ENLARGE=1", "--set", "RESIZE_X=800",
      "--set", "RESIZE_Y=800", "--set", "ON_ERROR=1",   "--set", "EXISTING=1"};
  settings.insert(settings.end(), sources.begin(), sources.end());
  std::vector<std::string> estimate = settings;
  estimate.insert(estimate.begin(), {"--estimate", "--tsv"});
  const RunResult told = Run(estimate);
  ASSERT_EQ(told.status, 0) << told.errors;
  const RunResult run = Run(settings);
  ASSERT_EQ(run.status, 1) << run.errors;

  std::istringstream lines(told.output);
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line, "source\toutput\twidth\theight\tbytes\tremark");
  const std::string out = (folder_ / "out").string() + "/";
  const std::vector<std::string> outputs = {
      out + "x.jpg",      out + "x(2).jpg",  out + "old.jpg",   out + "big.jpg",
      out + "broken.jpg", out + "photo.jpg", out + "turned.jpg"};
  const std::vector<std::string> remarks = {"",
                                            "同じ名前があるため番号を付けます",
                                            "出力先にすでにあるため飛ばします",
                                            "",
                                            "失敗します: ",
                                            "",
                                            ""};
  // The sizes of the predicted ones.
  const std::map<std::size_t, std::string> predicted = {
      {3, "800x600"}, {5, "800x600"}, {6, "600x800"}};
  for (std::size_t i = 0; i < sources.size(); ++i) {
    ASSERT_TRUE(std::getline(lines, line)) << told.output;
    std::vector<std::string> columns(1);
    for (char c : line) {
      if (c == '\t') {
        columns.emplace_back();
      } else {
        columns.back().push_back(c);
      }
    }
    ASSERT_EQ(columns.size(), 6u) << line;
    EXPECT_EQ(columns[0], (folder_ / sources[i]).string());
    EXPECT_EQ(columns[1], outputs[i]);
    EXPECT_TRUE(columns[5].starts_with(remarks[i])) << line;
    const long long bytes = std::atoll(columns[4].c_str());
    if (i == 2 || i == 4) {
      EXPECT_EQ(bytes, 0) << line;
      continue;
    }
    EXPECT_EQ(Identify(outputs[i]), "JPEG " + columns[2] + "x" + columns[3]) << line;
    const auto written = static_cast<long long>(fs::file_size(outputs[i]));
    // Small pictures are converted whole: exact. Large ones are predicted.
    if (predicted.contains(i)) {
      EXPECT_EQ(columns[2] + "x" + columns[3], predicted.at(i));
      EXPECT_GT(bytes, written * 2 / 3) << line;
      EXPECT_LT(bytes, written * 3 / 2) << line;
    } else {
      EXPECT_EQ(bytes, written) << line;
    }
  }
  EXPECT_NE(told.output.find("オープンできませんでした"), std::string::npos) << told.output;
  EXPECT_NE(run.errors.find("オープンできませんでした"), std::string::npos) << run.errors;
  EXPECT_EQ(ReadText(folder_ / "out/old.jpg"), "there before");

  // Numbered instead of skipped, and a JPEG size cap the small picture fits at a low quality
  // and the large one at none.
  std::vector<std::string> capped = {"--out",      "out",        "--set", "DIB_TYPE=1",
                                     "--set",      "EXISTING=2", "--set", "JPG_MAX_KB=1",
                                     "in/old.png", "in/big.png"};
  capped.insert(capped.begin(), "--estimate");
  const RunResult table = Run(capped);
  ASSERT_EQ(table.status, 0) << table.errors;
  capped.erase(capped.begin());
  const RunResult cappedRun = Run(capped);
  EXPECT_NE(cappedRun.errors.find("1 個のJPEGファイルは、最低の画質でも"), std::string::npos)
      << cappedRun.errors;
  EXPECT_NE(table.output.find("old.png → old(2).jpg | 40x30 → 40x30 | "), std::string::npos)
      << table.output;
  EXPECT_NE(table.output.find("big.png → big(2).jpg | 1600x1200 → 1600x1200 | 約 "),
            std::string::npos)
      << table.output;
  EXPECT_NE(table.output.find("最低の画質でもファイルサイズ上限を超えます"), std::string::npos)
      << table.output;
  EXPECT_NE(table.output.find("変換する画像 2 件\n同じ名前があるため番号を付ける画像 2 件\n"
                              "最低の画質でもファイルサイズ上限を超える画像 1 件\n"),
            std::string::npos)
      << table.output;
  EXPECT_NE(table.output.find("\n変換後の合計 約 "), std::string::npos) << table.output;

  // A run that ends at a failure reaches nothing after it.
  const RunResult ends = Run({"--estimate", "--out", "ends", "in/broken.jpg", "in/old.png"});
  EXPECT_NE(ends.output.find("old.png → old.bmp | 40x30 → 40x30 | - | 前の画像の失敗で"),
            std::string::npos)
      << ends.output;
  EXPECT_NE(ends.output.find("変換する画像 0 件\n失敗する画像 1 件\n"), std::string::npos)
      << ends.output;
}

// An estimate writes nothing: the output folder stays as it was, a missing one is not made,
// and no temporary file is left anywhere the program writes.
TEST_F(BatchToolTest, TheEstimateWritesNothing) {
  MakePicture("in/p.png", "-size 900x700 -seed 5 plasma:");
  MakePicture("in/q.png", "-size 60x40 -seed 6 plasma:");
  WriteFile(folder_ / "out/p.webp", "there before");
  const auto before = fs::last_write_time(folder_ / "out/p.webp");
  for (const char* format : {"1", "2", "5", "6"}) {
    for (const char* folder : {"out", "missing"}) {
      const RunResult told = Run({"--estimate", "--out", folder, "--set",
                                  std::string("DIB_TYPE=") + format, "in/p.png", "in/q.png"});
      EXPECT_EQ(told.status, 0) << told.errors;
      EXPECT_NE(told.output.find("変換する画像 2 件"), std::string::npos) << told.output;
    }
  }
  EXPECT_FALSE(fs::exists(folder_ / "missing"));
  EXPECT_EQ(OutputNames("out"), std::vector<std::string>{"p.webp"});
  EXPECT_EQ(ReadText(folder_ / "out/p.webp"), "there before");
  EXPECT_EQ(fs::last_write_time(folder_ / "out/p.webp"), before);
  EXPECT_EQ(OutputNames("in"), (std::vector<std::string>{"p.png", "q.png"}));
  for (const auto& file : fs::recursive_directory_iterator(folder_ / "program" / "Data")) {
    EXPECT_FALSE(file.is_regular_file() && file.path().parent_path().filename() == "__Temp")
        << file.path();
  }
}
