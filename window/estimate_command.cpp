#include "window/estimate_command.h"

#include <optional>
#include <string>
#include <vector>

#include "base/help_page.h"
#include "base/show_message.h"
#include "controls/control_layer.h"
#include "engine/estimate_texts.h"
#include "engine/run_estimate.h"
#include "resources/control_ids.h"
#include "resources/panel_templates.h"
#include "state/app_state.h"
#include "window/estimate_page.h"
#include "window/window_plan.h"
#include "window/window_run.h"

namespace {

class WindowEstimateView : public EstimateView {
 public:
  explicit WindowEstimateView(int count) {
    ControlLayer& controls = GetControlLayer();
    controls.SetProgressRange(kProgressPanel, kBatchProgressBar, 0, count & 0xffff);
    controls.SetProgressPosition(kProgressPanel, kBatchProgressBar, 0);
  }
  ~WindowEstimateView() override {
    GetControlLayer().SetProgressPosition(kProgressPanel, kBatchProgressBar, 0);
  }
  void Turn() override {
    wait_.Show();
    pumpOneMessage();
  }
  void Stepped() override { GetControlLayer().DeltaProgress(kProgressPanel, kBatchProgressBar, 1); }
  bool StopAsked() const override { return RunButtonHold::StopAsked(); }

 private:
  LoopWaitCursor wait_;
};

// The entries with the settings in force; nothing when stopped. The window's records are put
// back: the estimate names each entry through them, as the run does.
std::optional<std::vector<EntryEstimate>> EstimateList(int count) {
  AppState& state = *GetAppState();
  state.paths->itemCount = count;
  WindowPlan plan;
  plan.ReadSettings();
  const PictureRecord source = *state.source;
  const PictureRecord target = *state.target;
  const PathBlock paths = *state.paths;
  WindowEstimateView view(count);
  std::optional<std::vector<EntryEstimate>> entries = EstimateRun(plan, 0, view);
  *state.source = source;
  *state.target = target;
  *state.paths = paths;
  return entries;
}

void ShowSummary(const std::vector<EntryEstimate>& entries) {
  DialogValues values{{kEstimateSummaryLabel,
                       EstimateSummary(entries, *GetAppState()->target) + "\n\n" + kEstimateNote}};
  GetControlLayer().ShowDialog(EstimateDialogTemplate(), values, [&entries](int, DialogValues&) {
    const std::string page = WriteEstimatePage(entries, *GetAppState()->target);
    if (page.empty()) {
      ShowMessage("見積もりのページを書き込めませんでした。");
    } else {
      OpenLocalPage(page.c_str());
    }
    return false;
  });
}

}  // namespace

void OnEstimate() {
  const int count = GetControlLayer().ListCount(kInputPanel, kInputList);
  if (count == 0) {
    ShowMessage("読み込まれてる画像はありません！");
    return;
  }
  std::optional<std::vector<EntryEstimate>> entries;
  {
    RunButtonHold hold;
    if (!hold.Held()) return;
    entries = EstimateList(count);
  }
  if (entries) ShowSummary(*entries);
}
