// A batch run's entries as the window shows them: the texts of the input list and the settings
// in the controls, read when the run asks. Commands that the run's message pump dispatches may
// change both at any time; the run asks again whenever one did and as it reaches each entry.
#pragma once

#include "engine/run_plan.h"
#include "state/app_state.h"

class WindowPlan : public RunPlan {
 public:
  WindowPlan();

  // Reads the controls into the settings and saves the settings file (ReadPanels), as a run
  // does for each entry, and keeps the settings for the entries given next.
  void ReadSettings() override;
  // Entry `index`: the list's text now and the settings last read.
  PlannedEntry Entry(int index) const override;
  // How many entries the run goes through: paths.itemCount, which the list's commands keep.
  int Count() const override;
  // True when the list holds no entry any more.
  bool Emptied() const override;
  // True when a command was dispatched since the last call (or since the plan was made).
  bool TakeEdited() override;

 private:
  PictureRecord target_{};
  PathBlock paths_{};
  unsigned notifications_;
};
