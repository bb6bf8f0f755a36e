// trastel-batch: the converter without a window. The arguments become the run's entries as the
// input panel's commands would add them, the settings are set as the panels would take them, and
// the run converts that plan; the program's messages go to standard error.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "app/batch_interrupt.h"
#include "app/batch_options.h"
#include "app/batch_progress.h"
#include "app/batch_settings.h"
#include "app/batch_tool_main.h"
#include "app/estimate_table.h"
#include "app/path_lists.h"
#include "app/setting_key_help.h"
#include "app/start_up.h"
#include "base/path_names.h"
#include "base/show_message.h"
#include "base/text_encoding.h"
#include "controls/control_layer.h"
#include "engine/batch.h"
#include "engine/picture_entries.h"
#include "engine/run_estimate.h"
#include "engine/run_plan.h"
#include "platform/files.h"
#include "platform/process.h"
#include "state/app_state.h"
#include "state/presets.h"
#include "state/setting_rules.h"
#include "state/settings_file.h"

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

// The output folder as an absolute path ending with '/', created when missing unless it is only
// `named` (for an estimate, which writes nothing). Empty (with the error in `error`) when it
// cannot be made or is too long to hold.
std::string PrepareOutputFolder(const std::string& folder, bool named, std::string& error) {
  std::string path = CallerPath(folder);
  if (path.back() != '/') path += '/';
  const fs::path place = platform::PathOf(path);
  std::error_code made;
  if (!named) fs::create_directories(place, made);
  // An estimate's folder may be missing, not a file.
  const bool usable = named ? !fs::exists(place, made) || fs::is_directory(place, made)
                            : !made && fs::is_directory(place, made);
  if (!usable) {
    error = "出力フォルダが作れません / cannot make the output folder: " + path;
    return {};
  }
  if (StoredLength(path) > kMaxPathLength) {
    error = "出力フォルダのパスが長すぎます / output folder path too long: " + path;
    return {};
  }
  return path;
}

// The program's messages on standard error, clearing the progress bar first, while it lives.
class MessagesOnStandardError {
 public:
  explicit MessagesOnStandardError(BatchProgress& progress) {
    SetMessageSink([&progress](const std::string& text) {
      progress.Clear();
      platform::WriteText(stderr, text + "\n");
    });
  }
  ~MessagesOnStandardError() { SetMessageSink(nullptr); }
  MessagesOnStandardError(const MessagesOnStandardError&) = delete;
  MessagesOnStandardError& operator=(const MessagesOnStandardError&) = delete;
};

// The state is released at the end.
class ProgramState {
 public:
  ProgramState() = default;
  ~ProgramState() { DestroyAppState(); }
  ProgramState(const ProgramState&) = delete;
  ProgramState& operator=(const ProgramState&) = delete;
};

// The pictures in the order given, as the input list would hold them.
class PlannedPictures : public EntryList {
 public:
  int Count() const override { return static_cast<int>(texts_.size()); }
  void Add(const std::string& text) override { texts_.push_back(text); }
  void LeftOut(const std::string& path) override {
    platform::WriteText(
        stderr,
        "trastel-batch: 画像ではないため飛ばします / not a picture, skipped: " + path + "\n");
  }
  const std::vector<std::string>& Texts() const { return texts_; }

 private:
  std::vector<std::string> texts_;
};

// The run on the terminal: the progress bar with the picture being converted.
class TerminalRunView : public RunView {
 public:
  TerminalRunView(BatchProgress& progress, const std::vector<std::string>& entries)
      : progress_(progress), entries_(entries) {}

  void Started(int count) override { total_ = count; }
  void Turn() override {
    const std::string entry =
        done_ < total_ ? entries_[static_cast<std::size_t>(done_)] : std::string();
    progress_.Show(done_, total_, platform::Utf8Of(platform::PathOf(entry).filename()));
  }
  void Stepped() override { ++done_; }
  bool StopAsked() const override { return false; }
  void Converted() override {}
  void ShowClosingMessage(const std::string& text, const BatchResult&) override {
    ShowMessage("%s", text.c_str());
  }
  void Finished(const std::string*) override {}

 private:
  BatchProgress& progress_;
  const std::vector<std::string>& entries_;
  int total_ = 0;
  int done_ = 0;
};

void UseSettingsFile(const std::string& path) {
  CopyText(GetAppState()->paths->configPath, path.c_str());
}

// Loads the settings from `storedPath` as the window holds them once started. A missing default
// settings file is created, as at start-up; a missing --settings file is a usage error. The exit
// status on failure.
std::optional<int> StartWithSettings(const std::string& storedPath, bool givenOnCommandLine) {
  UseSettingsFile(storedPath);
  const SettingsStatus loaded = LoadSettings();
  if (loaded == SettingsStatus::kMissing) {
    if (givenOnCommandLine) {
      return UsageError("設定ファイルがありません / no settings file: " + storedPath);
    }
    if (!LoadOrCreateSettings()) return kExitFailure;
    HoldAsPanelsDo(*GetAppState());
    // As the window saves what its panels read back at start-up.
    SaveSettings();
    return std::nullopt;
  }
  if (loaded != SettingsStatus::kDone) {
    return Failure("設定ファイルが読めません / cannot read the settings file: " + storedPath);
  }
  HoldAsPanelsDo(*GetAppState());
  return std::nullopt;
}

// The entries of the given paths, as the input panel's commands would add them: a folder's
// pictures as "フォルダから追加" adds them, a file as "一つ追加" does. A path that does not exist
// is named as such and left out. Once the list is full, the remaining paths are left out.
std::vector<std::string> PlanPictures(const std::vector<std::string>& paths) {
  PlannedPictures pictures;
  for (const std::string& path : paths) {
    std::error_code error;
    const fs::file_status status = fs::status(platform::PathOf(path), error);
    if (status.type() == fs::file_type::not_found) {
      platform::WriteText(stderr,
                          "trastel-batch: ファイルが見つかりません / not found: " + path + "\n");
      continue;
    }
    if (!AddGivenPath(path, pictures)) break;
  }
  return pictures.Texts();
}

// --estimate: the table, or the tab-separated columns, on standard output; nothing is written.
int PrintEstimate(const FixedPlan& plan, const BatchOptions& options) {
  if (plan.Count() == 0) {
    ShowMessage("読み込まれてる画像はありません！");
    return kExitFailure;
  }
  const std::string outputFolder = GetAppState()->paths->SAVE;
  std::vector<EntryEstimate> entries = EstimateRun(plan, options.jobs);
  // Listed whole, as the failed list names them.
  for (EntryEstimate& entry : entries) entry.sourcePath = CallerPath(entry.sourcePath);
  platform::WriteText(stdout, options.tsv
                                  ? EstimateTsv(entries)
                                  : EstimateTable(entries, outputFolder, *GetAppState()->target));
  return kExitSuccess;
}

int RunBatchTool(BatchOptions options) {
  for (std::string& path : options.paths) path = CallerPath(path);
  for (const std::string& list : options.lists) {
    const std::string listPath = CallerPath(list);
    const auto listed = ReadPathList(listPath);
    if (!listed) return UsageError("画像の一覧が読めません / cannot read the list: " + listPath);
    for (const std::string& path : *listed) options.paths.push_back(CallerPath(path));
  }
  if (options.failedList) options.failedList = CallerPath(*options.failedList);
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
    setting.value = PrepareOutputFolder(setting.value, options.estimate, error);
    if (!error.empty()) return UsageError(error);
  }
  if (options.outputFolder) {
    options.outputFolder = PrepareOutputFolder(*options.outputFolder, options.estimate, error);
    if (!error.empty()) return UsageError(error);
  }

  BatchProgress progress(platform::IsConsole(stderr));
  MessagesOnStandardError messages(progress);
  InterruptCleanup cleanup;
  ProgramState state;
  // Says itself why it fails.
  if (!InitProgramFolder()) return kExitFailure;
  PrepareSettingsPlace();

  // Presets are the program's own, kept beside its settings file whatever --settings names.
  const std::string presetsFolder = PresetsFolderBeside(GetAppState()->paths->configPath);
  if (options.listPresets) {
    for (const std::string& name : ListPresets(presetsFolder)) {
      platform::WriteText(stdout, name + "\n");
    }
    return kExitSuccess;
  }
  if (storedSettings.empty()) storedSettings = GetAppState()->paths->configPath;
  if (auto status = StartWithSettings(storedSettings, options.settingsFile.has_value())) {
    return *status;
  }
  if (options.preset) {
    const std::optional<std::string> preset = FindPreset(presetsFolder, *options.preset);
    if (!preset) {
      return UsageError("保存した設定がありません / no such preset: " + *options.preset);
    }
    // Says itself what is wrong with it.
    if (!LoadPreset(presetsFolder, *preset, *GetAppState())) return kExitFailure;
    HoldAsPanelsDo(*GetAppState());
  }

  for (const SettingOverride& setting : options.overrides) {
    error = ApplySettingOverride(setting);
    if (!error.empty()) return UsageError(error);
  }
  if (options.outputFolder) ChooseOutputFolder(*options.outputFolder);
  if (options.save && SaveSettings() != SettingsStatus::kDone) return kExitFailure;

  const std::vector<std::string> pictures = PlanPictures(options.paths);
  FixedPlan plan(pictures, *GetAppState()->target, *GetAppState()->paths);
  if (options.estimate) return PrintEstimate(plan, options);
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

  TerminalRunView view(progress, pictures);
  const BatchResult result = RunEntries(plan, view, options.jobs);
  SetOutputRenamedHandler(nullptr);
  SetEntryNoteHandler(nullptr);
  progress.Clear();
  // Entries are relative to the program folder, the working directory now: listed whole, they
  // name the same files wherever the list is read.
  std::vector<std::string> failed;
  for (const std::string& entry : result.failedEntries) failed.push_back(CallerPath(entry));
  if (options.failedList && !WritePathList(*options.failedList, failed)) {
    return Failure("失敗した画像の一覧が書けません / cannot write the failed list: " +
                   *options.failedList);
  }
  return result.outcome == BatchOutcome::kSucceeded ? kExitSuccess : kExitFailure;
}

// The two places of the settings file for --help, the program's own first; nothing is made.
std::string DescribeSettingsPlaces() {
  const std::optional<std::string> programFolder = platform::ExecutableFolder();
  const std::optional<std::string> userFolder = platform::UserSettingsFolder();
  return "\n設定ファイル / settings file:\n  " +
         (programFolder ? *programFolder + "Data/Confing.inf" : std::string("?")) +
         "\n    Data に書き込めるとき / where the program's Data folder can be written\n  " +
         (userFolder ? *userFolder + "Confing.inf" : std::string("?")) +
         "\n    それ以外のとき / otherwise\n";
}

}  // namespace

int BatchToolMain(int argc, char** argv) {
  ForbidControlLayer();
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
