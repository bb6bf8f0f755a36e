#include "engine/batch.h"

#include <cstring>
#include <optional>
#include <string>

#include "app/show_message.h"
#include "engine/output_naming.h"
#include "engine/pipeline.h"
#include "input/path_names.h"
#include "panels/panel_helper.h"
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

// Prepares entry `index` for the pipeline: source path and name, output name and path. False
// when the output path would not fit.
bool PrepareEntry(int index) {
  ControlLayer& controls = GetControlLayer();
  AppState* state = GetAppState();
  PictureRecord& source = *state->source;
  PathBlock& paths = *state->paths;
  CopyText(source.path, controls.ListText(kInputPanel, kInputList, index).c_str());
  ReadPanels();
  CopyText(source.name, FileNamePart(source.path, false).c_str());
  MakeOutputName(source.name, paths.RENAME_TYPE, state->target->DIB_TYPE, EntryNumber(index),
                 paths.RENAME_DIB, paths.FOLDER_TYPE, paths.subFolder);
  if (paths.FOLDER_TYPE != 0) CreateOutputFolder(paths.SAVE, paths.subFolder);
  std::string outputPath = std::string(paths.SAVE) + paths.outputName;
  if (outputPath.size() > kPathBytes) return false;
  CopyText(state->target->path, outputPath.c_str());
  return true;
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
  // The bound is read again at each step: a command dispatched by the pump may change it.
  for (int i = 0; i < paths.itemCount; ++i) {
    wait.Show();
    pumpOneMessage();
    const bool converted =
        PrepareEntry(i) && ConvertPicture(i, i == paths.itemCount - 1 ? 1 : 0) != 0;
    if (!converted) {
      ReleaseAllImages(state);
      wait.End();
      ShowMessage("変換が失敗しました！");
      controls.SetProgressPosition(kProgressPanel, kBatchProgressBar, 0);
      return;
    }
    controls.DeltaProgress(kProgressPanel, kBatchProgressBar, 1);
  }
  wait.End();
  ShowMessage("変換が成功しました！");
  controls.SetProgressPosition(kProgressPanel, kBatchProgressBar, 0);
}
