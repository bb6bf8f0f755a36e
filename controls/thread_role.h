// Which thread may touch what. The window's thread runs the handlers, the batch run's loop and
// its message pump; it alone uses the control layer, the application state and the message box.
// The threads of a worker pool convert pictures from records of their own; what they say goes
// into the MessageCapture of their job, never into a message box.
#pragma once

#include <cassert>

// Marks the calling thread as a worker for the object's lifetime.
class WorkerThreadRole {
 public:
  WorkerThreadRole();
  ~WorkerThreadRole();
  WorkerThreadRole(const WorkerThreadRole&) = delete;
  WorkerThreadRole& operator=(const WorkerThreadRole&) = delete;
};

// True on a worker thread: work done there must leave the window alone.
bool OnWorkerThread();

// Debug builds stop where a worker reaches what only the window's thread may touch; the race
// such a call starts would otherwise show only now and then.
inline void AssertWindowThread() {
  assert(!OnWorkerThread() && "only the window's thread may use this");
}
