// trastel-batch interrupted (Ctrl+C, a request to end, its terminal closing): its scratch folder
// and the output it is writing are removed before the process ends as the interruption would
// have ended it.
#pragma once

#include <string>

#include "platform/process.h"

class InterruptCleanup {
 public:
  // From now until destruction, an interruption also removes `scratchFolder` with its files.
  explicit InterruptCleanup(const std::string& scratchFolder);
  // Restores the previous handling; the folder is then the caller's to remove.
  ~InterruptCleanup();
  InterruptCleanup(const InterruptCleanup&) = delete;
  InterruptCleanup& operator=(const InterruptCleanup&) = delete;

 private:
  platform::InterruptHandling handling_;
};
