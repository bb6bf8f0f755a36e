#include "window/trial_conversion.h"

#include "base/long_work.h"
#include "controls/control_layer.h"
#include "engine/pipeline.h"
#include "resources/control_ids.h"
#include "state/app_state.h"
#include "window/fill_and_read_panels.h"

namespace {

// The animated trial: every entry of the list becomes a frame, written at the last one.
bool ConvertWholeList(const char* path) {
  ControlLayer& controls = GetControlLayer();
  AppState* state = GetAppState();
  PathBlock& paths = *state->paths;
  paths.itemCount = controls.ListCount(kInputPanel, kInputList);
  controls.SetProgressRange(kProgressPanel, kBatchProgressBar, 0, paths.itemCount & 0xffff);
  controls.SetProgressPosition(kProgressPanel, kBatchProgressBar, 0);
  controls.SetProgressStep(kProgressPanel, kBatchProgressBar, 1);
  bool result = false;
  for (int i = 0; i < paths.itemCount; ++i) {
    pumpOneMessage();
    CopyText(state->source->path, controls.ListText(kInputPanel, kInputList, i).c_str());
    ReadPanels();
    CopyText(state->target->path, path);
    const bool isLast = i == paths.itemCount - 1;
    if (!isLast) {
      ConvertFrame(i, 0);
      controls.StepProgress(kProgressPanel, kBatchProgressBar);
      continue;
    }
    result = ConvertFrame(i, 1) != 0;
    if (!result) controls.StepProgress(kProgressPanel, kBatchProgressBar);
    break;
  }
  controls.SetProgressPosition(kProgressPanel, kBatchProgressBar, 0);
  return result;
}

}  // namespace

bool TrialConvert(const char* path) {
  LongWorkTurns turns(pumpOneMessage);
  AppState* state = GetAppState();
  CopyText(state->target->path, path);
  ReleaseAllImages(state);
  return ConvertWholeList(path);
}
