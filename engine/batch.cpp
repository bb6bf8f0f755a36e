#include "engine/batch.h"

#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <utility>

#include "base/path_names.h"
#include "base/show_message.h"
#include "engine/encoders.h"
#include "engine/imagelib/atomic_output.h"
#include "engine/output_naming.h"
#include "engine/pipeline.h"
#include "engine/run_outputs.h"
#include "panels/panel_helper.h"
#include "platform/files.h"
#include "resources/control_ids.h"
#include "state/app_state.h"
#include "ui/control_layer.h"

namespace {

// The output path is held in 256 bytes; a longer one is not cut but fails its file.
constexpr std::size_t kPathBytes = 255;

// Set while a run is in progress: a second "実行" dispatched by the run's own message pump is
// ignored instead of starting a run inside the run.
bool running = false;

class RunningFlag {
 public:
  RunningFlag() { running = true; }
  ~RunningFlag() { running = false; }
  RunningFlag(const RunningFlag&) = delete;
  RunningFlag& operator=(const RunningFlag&) = delete;
};

OutputRenamedHandler& RenamedHandler() {
  static OutputRenamedHandler handler;
  return handler;
}

// What one run has written, and how many of its outputs got a numbered name.
struct RunRecord {
  RunOutputs outputs;
  int renamed = 0;
  std::set<std::string> cleanedFolders;
};

// Temporary files that a killed run left in an output folder are removed when a run first
// writes there.
void RemoveLeftovers(RunRecord& run, const std::string& outputPath) {
  const std::string folder = platform::Utf8Of(platform::PathOf(outputPath).parent_path());
  if (run.cleanedFolders.insert(folder).second) imagelib::RemoveStaleTemporaryFiles(folder);
}

bool WritesFile(const PictureRecord& target, bool isLast) {
  // An animated GIF is one file, written at the last entry.
  const bool animated = target.DIB_TYPE == kFormatGif && target.GIF_ANIMA != 0;
  return !animated || isLast;
}

// Prepares entry `index` for the pipeline: source path and name, output name and path. An
// output name this run has already written gets the next free copy number. False, with the
// reason in `failure`, when the output path would not fit.
bool PrepareEntry(int index, bool isLast, RunRecord& run, std::string& failure) {
  ControlLayer& controls = GetControlLayer();
  AppState* state = GetAppState();
  PictureRecord& source = *state->source;
  PictureRecord& target = *state->target;
  PathBlock& paths = *state->paths;
  CopyText(source.path, controls.ListText(kInputPanel, kInputList, index).c_str());
  ReadPanels();
  CopyText(source.name, FileNamePart(source.path, false).c_str());
  MakeOutputName(source.name, paths.RENAME_TYPE, target.DIB_TYPE, EntryNumber(index),
                 paths.RENAME_DIB, paths.FOLDER_TYPE, paths.subFolder);
  if (paths.FOLDER_TYPE != 0) CreateOutputFolder(paths.SAVE, paths.subFolder);
  const std::string planned = std::string(paths.SAVE) + paths.outputName;
  std::string outputPath = planned;
  if (WritesFile(target, isLast)) {
    outputPath = run.outputs.FreePath(planned, OutputExtension(target.DIB_TYPE, paths.RENAME_DIB));
  }
  if (outputPath.size() > kPathBytes) {
    failure = "出力先のパスが " + std::to_string(kPathBytes) +
              " バイトを超えるため保存できません:\n[" + outputPath + "]";
    return false;
  }
  if (outputPath != planned) {
    ++run.renamed;
    CopyText(paths.outputName, outputPath.substr(std::strlen(paths.SAVE)).c_str());
    if (RenamedHandler()) RenamedHandler()(source.path, planned, outputPath);
  }
  RemoveLeftovers(run, outputPath);
  CopyText(target.path, outputPath.c_str());
  return true;
}

// The reason a conversion failed that its own messages do not give.
std::string ConversionFailure(const char* sourcePath) {
  if (platform::KindOf(sourcePath) == platform::PathKind::kMissing) {
    return std::string("入力ファイルが見つかりません:\n[") + sourcePath + "]";
  }
  return {};
}

// The closing message: the outcome, how many outputs were renamed, and why the run failed.
void ShowClosingMessage(const char* outcome, const RunRecord& run, const std::string& failure) {
  std::string text = outcome;
  if (run.renamed > 0) {
    text += "\n同じ名前になった " + std::to_string(run.renamed) +
            " 個のファイルは、(2) などの番号を付けた名前で保存しました。";
  }
  if (!failure.empty()) text += "\n" + failure;
  ShowMessage("%s", text.c_str());
}

}  // namespace

void RunBatch() {
  if (running) return;
  RunningFlag flag;
  ControlLayer& controls = GetControlLayer();
  AppState* state = GetAppState();
  PathBlock& paths = *state->paths;
  const int count = controls.ListCount(kInputPanel, kInputList);
  if (count <= 0) {
    ShowMessage("読み込まれてる画像はありません！");
    return;
  }
  paths.itemCount = count;
  controls.SetProgressRange(kProgressPanel, kBatchProgressBar, 0, count & 0xffff);
  controls.SetProgressPosition(kProgressPanel, kBatchProgressBar, 0);
  controls.SetProgressStep(kProgressPanel, kBatchProgressBar, 1);

  LoopWaitCursor wait;
  RunRecord run;
  // The bound is read again at each step: a command dispatched by the pump may change it.
  for (int i = 0; i < paths.itemCount; ++i) {
    wait.Show();
    pumpOneMessage();
    const bool isLast = i == paths.itemCount - 1;
    std::string failure;
    bool converted = PrepareEntry(i, isLast, run, failure);
    if (converted) {
      converted = ConvertPicture(i, isLast ? 1 : 0) != 0;
      if (!converted) failure = ConversionFailure(state->source->path);
    }
    if (!converted) {
      ReleaseAllImages(state);
      wait.End();
      ShowClosingMessage("変換が失敗しました！", run, failure);
      controls.SetProgressPosition(kProgressPanel, kBatchProgressBar, 0);
      return;
    }
    if (WritesFile(*state->target, isLast)) run.outputs.Add(state->target->path);
    controls.DeltaProgress(kProgressPanel, kBatchProgressBar, 1);
  }
  wait.End();
  ShowClosingMessage("変換が成功しました！", run, {});
  controls.SetProgressPosition(kProgressPanel, kBatchProgressBar, 0);
}

void SetOutputRenamedHandler(OutputRenamedHandler handler) {
  RenamedHandler() = std::move(handler);
}
