// The run button's run: the input list and the controls are its plan (window/window_plan.h),
// the progress bar and the button's caption its view.
#pragma once

#include "engine/batch.h"

// The run button's run of the input list with the settings in the controls: `workers` threads
// convert, every core when 0.
BatchResult RunBatch(int workers);
// The run button's run, on every core. Pressed again during a run, it asks that run to stop.
void RunBatch();
// True while the run button's run goes on.
bool RunInProgress();

// Other long work (the estimate) holds the run button as a run does: while it is held the button
// reads "中止", pressing it asks the work to stop, and no run starts. Not held when a run or other
// work holds it already.
class RunButtonHold {
 public:
  RunButtonHold();
  ~RunButtonHold();
  RunButtonHold(const RunButtonHold&) = delete;
  RunButtonHold& operator=(const RunButtonHold&) = delete;
  bool Held() const { return held_; }
  static bool StopAsked();

 private:
  bool held_;
};
