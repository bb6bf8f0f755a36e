#include "window/window_run.h"

#include "base/help_page.h"
#include "base/show_message.h"
#include "controls/control_layer.h"
#include "engine/batch.h"
#include "resources/control_ids.h"
#include "state/app_state.h"
#include "window/input_list.h"
#include "window/window_plan.h"

namespace {

// Set while a run is in progress: a second "実行" dispatched by the run's own message pump is
// ignored instead of starting a run inside the run.
bool running = false;
// Set when the button is pressed during a run: the run stops at its next turn.
bool stopAsked = false;

constexpr char kRunCaption[] = "実行";
constexpr char kStopCaption[] = "中止";

class RunningFlag {
 public:
  RunningFlag() {
    running = true;
    stopAsked = false;
  }
  ~RunningFlag() { running = false; }
  RunningFlag(const RunningFlag&) = delete;
  RunningFlag& operator=(const RunningFlag&) = delete;
};

// The progress bar steps with the entries; while they are converted the run's button reads
// "中止", and pressing it stops the run.
class WindowRunView : public RunView {
 public:
  void Started(int count) override {
    ControlLayer& controls = GetControlLayer();
    controls.SetProgressRange(kProgressPanel, kBatchProgressBar, 0, count & 0xffff);
    controls.SetProgressPosition(kProgressPanel, kBatchProgressBar, 0);
    controls.SetProgressStep(kProgressPanel, kBatchProgressBar, 1);
    SetCaption(kStopCaption);
  }
  void Turn() override {
    wait_.Show();
    pumpOneMessage();
  }
  void Stepped() override { GetControlLayer().DeltaProgress(kProgressPanel, kBatchProgressBar, 1); }
  bool StopAsked() const override { return stopAsked; }
  void Converted() override {
    SetCaption(kRunCaption);
    wait_.End();
  }
  // After a run that went on past failures, the message offers to leave only the failed
  // pictures in the list, ready to be tried again.
  void ShowClosingMessage(const std::string& text, const BatchResult& result) override {
    if (result.failedEntries.empty()) {
      ShowMessage("%s", text.c_str());
      return;
    }
    if (GetControlLayer().AskYesNo(text + "\n\n失敗した画像だけをリストに残しますか？")) {
      KeepOnlyEntries(result.failedEntries);
    }
  }
  void Finished(const std::string* report) override {
    GetControlLayer().SetProgressPosition(kProgressPanel, kBatchProgressBar, 0);
    // The list opens in the browser once the message is read.
    if (report) OpenLocalPage(report->c_str());
  }

 private:
  static void SetCaption(const char* caption) {
    GetControlLayer().SetText(kActionPanel, kRunButton, caption);
  }

  LoopWaitCursor wait_;
};

}  // namespace

BatchResult RunBatch(int workers) {
  if (running) {
    stopAsked = true;
    return {BatchOutcome::kAlreadyRunning};
  }
  RunningFlag flag;
  GetAppState()->paths->itemCount = GetControlLayer().ListCount(kInputPanel, kInputList);
  WindowPlan plan;
  WindowRunView view;
  return RunEntries(plan, view, workers);
}

void RunBatch() {
  RunBatch(0);
}

bool RunInProgress() {
  return running;
}

RunButtonHold::RunButtonHold() : held_(!running) {
  if (!held_) return;
  running = true;
  stopAsked = false;
  GetControlLayer().SetText(kActionPanel, kRunButton, kStopCaption);
}

RunButtonHold::~RunButtonHold() {
  if (!held_) return;
  running = false;
  GetControlLayer().SetText(kActionPanel, kRunButton, kRunCaption);
}

bool RunButtonHold::StopAsked() {
  return stopAsked;
}
