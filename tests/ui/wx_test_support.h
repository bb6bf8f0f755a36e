// Starting the toolkit inside a test process; tests that need a display skip without one.
#pragma once

// True when a display is available; the toolkit is then started once for the process, with an
// assert handler that fails the test instead of opening a dialog.
bool StartToolkit();
// Lets the toolkit handle what is pending (layout, painting, simulated input) for a while.
void ProcessEventsFor(int milliseconds);
