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
