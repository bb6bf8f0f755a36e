// trastel-batch: the converter without a window. The arguments fill the input list through the
// input panel's commands, the settings are set through the panels' controls, and "実行" is
// clicked, all on the in-memory controls; the program's messages go to standard error.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "app/batch_interrupt.h"
#include "app/batch_options.h"
#include "app/batch_progress.h"
#include "app/batch_settings.h"
#include "app/batch_tool_main.h"
#include "app/start_up.h"
#include "base/path_names.h"
#include "base/text_encoding.h"
#include "engine/batch.h"
#include "engine/imagelib/atomic_output.h"
#include "input/input_list.h"
#include "panels/fill_and_read_panels.h"
#include "panels/view_dispatch.h"
#include "panels/view_operations.h"
#include "platform/files.h"
#include "platform/process.h"
#include "resources/control_ids.h"
#include "state/app_state.h"
#include "state/settings_file.h"
#include "ui/headless/headless_control_layer.h"

namespace fs = std::filesystem;

namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int UsageError(const std::string& error) {
  platform::WriteText(stderr, "trastel-batch: " + error + "\n" + BatchUsageLine());
  return kExitUsage;
}

int Failure(const std::string& error) {
  platform::WriteText(stderr, "trastel-batch: " + error + "\n");
  return kExitFailure;
}

// A path given relative to the caller's working directory, made absolute before the working
// directory becomes the program folder. It has '/' between its folders on every system, as the
// program folder and the dialogs' paths have, so that no path the program composes mixes them.
std::string CallerPath(const std::string& path) {
  std::error_code error;
  fs::path absolute = fs::absolute(platform::PathOf(path), error);
  const std::u8string text =
      (error ? platform::PathOf(path) : absolute).lexically_normal().generic_u8string();
  return std::string(text.begin(), text.end());
}

// The output folder as an absolute path ending with '/', created when missing. Empty (with the
// error in `error`) when it cannot be made or is too long to hold.
std::string PrepareOutputFolder(const std::string& folder, std::string& error) {
  std::string path = CallerPath(folder);
  if (path.back() != '/') path += '/';
  std::error_code made;
  fs::create_directories(platform::PathOf(path), made);
  if (made || !fs::is_directory(platform::PathOf(path))) {
    error = "出力フォルダが作れません / cannot make the output folder: " + path;
    return {};
  }
  if (StoredLength(path) > kMaxPathLength) {
    error = "出力フォルダのパスが長すぎます / output folder path too long: " + path;
    return {};
  }
  return path;
}

// A private folder for the settings file that the run rewrites at every step, so that the
// stored settings stay as they are unless --save is given. Removed with everything in it, also
// when the run is interrupted; its name carries the process id, so that the folders of runs that
// were killed outright are removed by the next run.
class ScratchFolder {
 public:
  ScratchFolder() {
    const std::string temporary = platform::TemporaryFolder();
    RemoveFoldersOfEndedRuns(temporary);
    const auto made = platform::MakeUniqueFolder(
        temporary + "/" + kPrefix + std::to_string(platform::CurrentProcessId()) + "-");
    if (!made) return;
    path_ = *made;
    cleanup_.emplace(path_);
  }
  ~ScratchFolder() {
    cleanup_.reset();
    if (!path_.empty()) platform::RemoveFlatFolder(path_.c_str());
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  bool Exists() const { return !path_.empty(); }
  std::string SettingsPath() const { return path_ + "/Confing.inf"; }

 private:
  static inline const std::string kPrefix = "trastel-batch-";

  // Folders named "trastel-batch-<pid>-XXXXXX" whose process has ended.
  static void RemoveFoldersOfEndedRuns(const std::string& temporary) {
    for (const std::string& name : platform::ListFolder(temporary.c_str())) {
      const std::string path = temporary + "/" + name;
      const bool scratchName = name.size() > 7 && name.rfind('-') == name.size() - 7;
      if (scratchName && imagelib::IsLeftByEndedProcess(name, kPrefix) &&
          platform::KindOf(path.c_str()) == platform::PathKind::kFolder) {
        platform::RemoveFlatFolder(path.c_str());
      }
    }
  }

  std::string path_;
  std::optional<InterruptCleanup> cleanup_;
};

// The in-memory controls wired to the view's handlers, as the window program has its panels;
// the state and the controls are released at the end.
class HeadlessProgram {
 public:
  HeadlessProgram() {
    auto controls = std::make_unique<HeadlessControlLayer>();
    layer_ = controls.get();
    layer_->SetEventSink(DispatchViewEvent);
    SetControlLayer(std::move(controls));
    // Without a window there are no picture-information rows to show, so the refresh only reads
    // the controls back; its trial conversion would convert each added picture once more.
    CurrentViewOperations().refreshSelection = [] { ReadPanels(); };
  }
  ~HeadlessProgram() {
    DestroyAppState();
    DestroyPanelHelper();
    SetControlLayer(nullptr);
  }
  HeadlessProgram(const HeadlessProgram&) = delete;
  HeadlessProgram& operator=(const HeadlessProgram&) = delete;

  HeadlessControlLayer& Layer() { return *layer_; }

 private:
  HeadlessControlLayer* layer_;
};

void UseSettingsFile(const std::string& path) {
  CopyText(GetAppState()->paths->configPath, path.c_str());
}

// Loads the settings from `storedPath` and starts the program as the window does, but with the
// settings file moved to `scratchPath`. A missing default settings file is created, as at
// start-up; a missing --settings file is a usage error. The exit status on failure.
std::optional<int> StartWithSettings(const std::string& storedPath, bool givenOnCommandLine,
                                     const std::string& scratchPath) {
  UseSettingsFile(storedPath);
  const SettingsStatus loaded = LoadSettings();
  if (loaded == SettingsStatus::kMissing) {
    if (givenOnCommandLine) {
      return UsageError("設定ファイルがありません / no settings file: " + storedPath);
    }
    if (!StartUp()) return kExitFailure;
    UseSettingsFile(scratchPath);
    return std::nullopt;
  }
  if (loaded != SettingsStatus::kDone) {
    return Failure("設定ファイルが読めません / cannot read the settings file: " + storedPath);
  }
  UseSettingsFile(scratchPath);
  if (SaveSettings() != SettingsStatus::kDone || !StartUp()) return kExitFailure;
  return std::nullopt;
}

// Adds each path as the input panel's commands would: a folder through "フォルダから追加", a
// file through "一つ追加". A path that does not exist is named as such and left out. Once the
// list is full, one more command shows the limit's message and the remaining paths are left out.
void AddPaths(HeadlessControlLayer& layer, const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    const bool full = layer.ListCount(kInputPanel, kInputList) >= kMaxInputEntries;
    std::error_code error;
    const fs::file_status status = fs::status(platform::PathOf(path), error);
    if (status.type() == fs::file_type::not_found) {
      platform::WriteText(stderr,
                          "trastel-batch: ファイルが見つかりません / not found: " + path + "\n");
      continue;
    }
    if (fs::is_directory(status)) {
      layer.folderChoices.push_back(path);
      layer.Click(kInputPanel, kAddFolderButton);
    } else {
      layer.fileChoices.push_back(path);
      layer.Click(kInputPanel, kAddOneButton);
    }
    layer.folderChoices.clear();
    layer.fileChoices.clear();
    if (full) return;
  }
}

int RunBatchTool(BatchOptions options) {
  for (std::string& path : options.paths) path = CallerPath(path);
  std::string storedSettings;
  if (options.settingsFile) {
    storedSettings = CallerPath(*options.settingsFile);
    if (StoredLength(storedSettings) > kMaxPathLength) {
      return UsageError("設定ファイルのパスが長すぎます / settings path too long: " +
                        storedSettings);
    }
  }
  // Folders given for the output are prepared before the working directory changes.
  std::string error;
  for (SettingOverride& setting : options.overrides) {
    if (setting.key != "SAVE") continue;
    setting.value = PrepareOutputFolder(setting.value, error);
    if (!error.empty()) return UsageError(error);
  }
  if (options.outputFolder) {
    options.outputFolder = PrepareOutputFolder(*options.outputFolder, error);
    if (!error.empty()) return UsageError(error);
  }

  ScratchFolder scratch;
  if (!scratch.Exists())
    return Failure("一時フォルダが作れません / cannot make a temporary folder");

  HeadlessProgram program;
  HeadlessControlLayer& layer = program.Layer();
  BatchProgress progress(platform::IsConsole(stderr));
  layer.onMessage = [&progress](const std::string& text) {
    progress.Clear();
    platform::WriteText(stderr, text + "\n");
  };
  // Says itself why it fails.
  if (!InitProgramFolder()) return kExitFailure;
  PrepareSettingsPlace();

  if (storedSettings.empty()) storedSettings = GetAppState()->paths->configPath;
  if (auto status = StartWithSettings(storedSettings, options.settingsFile.has_value(),
                                      scratch.SettingsPath())) {
    return *status;
  }

  for (const SettingOverride& setting : options.overrides) {
    error = ApplySettingOverride(layer, setting);
    if (!error.empty()) return UsageError(error);
  }
  if (options.outputFolder) ChooseOutputFolder(layer, *options.outputFolder);
  ReadPanels();
  if (options.save) {
    UseSettingsFile(storedSettings);
    const bool saved = SaveSettings() == SettingsStatus::kDone;
    UseSettingsFile(scratch.SettingsPath());
    if (!saved) return kExitFailure;
  }

  AddPaths(layer, options.paths);
  SetOutputRenamedHandler([&progress](const std::string& entry, const std::string& planned,
                                      const std::string& saved) {
    progress.Clear();
    platform::WriteText(stderr, "[" + entry + "]\nは同じ名前の出力があるため [" + saved +
                                    "] に保存します / renamed: " + planned + " -> " + saved + "\n");
  });

  SetEntryNoteHandler(
      [&progress](EntryNote note, const std::string& entry, const std::string& detail) {
        progress.Clear();
        std::string line;
        switch (note) {
          case EntryNote::kOverSizeCap:
            line = "[" + entry + "]\nは最低の画質でもファイルサイズ上限を超えました [" + detail +
                   "] / over the size cap even at the lowest quality: " + detail;
            break;
          case EntryNote::kSkippedExisting:
            line = "[" + entry + "]\nは出力先に [" + detail +
                   "] がすでにあるため飛ばします / skipped, already there: " + detail;
            break;
          case EntryNote::kFailedAndWentOn:
            line = "[" + entry + "]\nは変換できませんでした / failed:\n" + detail;
            break;
        }
        platform::WriteText(stderr, line + "\n");
      });

  bool running = false;
  layer.onPump = [&] {
    if (!running) return;
    const int done = layer.ProgressPosition(kProgressPanel, kBatchProgressBar);
    const int total = layer.ListCount(kInputPanel, kInputList);
    const std::string entry = done < total ? layer.ListText(kInputPanel, kInputList, done) : "";
    progress.Show(done, total, platform::Utf8Of(platform::PathOf(entry).filename()));
  };
  running = true;
  const BatchResult result = RunBatch(options.jobs);
  running = false;
  SetOutputRenamedHandler(nullptr);
  SetEntryNoteHandler(nullptr);
  progress.Clear();
  return result.outcome == BatchOutcome::kSucceeded ? kExitSuccess : kExitFailure;
}

// The two places of the settings file for --help, the program's own first; nothing is made.
std::string DescribeSettingsPlaces() {
  const std::optional<std::string> programFolder = platform::ExecutableFolder();
  const std::optional<std::string> userFolder = platform::UserSettingsFolder();
  return "\n設定ファイル / settings file:\n  " +
         (programFolder ? *programFolder + "Data/Confing.inf" : std::string("?")) +
         "\n    プログラムのフォルダの Data に書き込めるとき / where the program's Data folder"
         " can be written\n  " +
         (userFolder ? *userFolder + "Confing.inf" : std::string("?")) +
         "\n    それ以外のとき / otherwise\n";
}

}  // namespace

int BatchToolMain(int argc, char** argv) {
  ParsedCommandLine parsed = ParseBatchCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (!parsed.error.empty()) return UsageError(parsed.error);
  if (parsed.options.help) {
    platform::WriteText(stdout, BatchHelpText());
    platform::WriteText(stdout, DescribeSettingKeys());
    platform::WriteText(stdout, DescribeSettingsPlaces());
    return kExitSuccess;
  }
  for (const SettingOverride& setting : parsed.options.overrides) {
    std::string error = CheckSettingOverride(setting);
    if (!error.empty()) return UsageError(error);
  }
  return RunBatchTool(std::move(parsed.options));
}
