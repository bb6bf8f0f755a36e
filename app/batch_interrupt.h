// trastel-batch interrupted (Ctrl+C, a request to end, its terminal closing): the output it is
// writing is removed before the process ends as the interruption would have ended it.
#pragma once

#include "platform/process.h"

class InterruptCleanup {
 public:
  // From now until destruction.
  InterruptCleanup();
  InterruptCleanup(const InterruptCleanup&) = delete;
  InterruptCleanup& operator=(const InterruptCleanup&) = delete;

 private:
  platform::InterruptHandling handling_;
};
