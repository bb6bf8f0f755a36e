// Starting the toolkit inside a test process; tests that need a display fail without one.
#pragma once

#include <string>

// True when a display is available; the toolkit is then started once for the process, with an
// assert handler that fails the test instead of opening a dialog.
bool StartToolkit();
// Holds the display for one test: tests that move the pointer and press keys run one at a
// time, even when the test runner starts several at once.
class DisplayLock {
 public:
  DisplayLock();
  ~DisplayLock();
  DisplayLock(const DisplayLock&) = delete;
  DisplayLock& operator=(const DisplayLock&) = delete;

 private:
  int descriptor_;
};

// Lets the toolkit handle what is pending (layout, painting, simulated input) for a while.
void ProcessEventsFor(int milliseconds);

// Where an X window is on the screen, inside any frame a window manager adds around it; -1 for
// what cannot be read. (xdotool's geometry counts the frame's offset twice.)
struct WindowPlace {
  int x = -1;
  int y = -1;
  int width = -1;
  int height = -1;
};
WindowPlace ScreenPlaceOf(const std::string& windowId);
