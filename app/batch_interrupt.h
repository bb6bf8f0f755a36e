// trastel-batch interrupted by SIGINT, SIGTERM or SIGHUP: its scratch folder and the output it
// is writing are removed before the process ends as the signal would have ended it.
#pragma once

#include <signal.h>

#include <string>

class InterruptCleanup {
 public:
  // From now until destruction, an interruption also removes `scratchFolder` with its files.
  explicit InterruptCleanup(const std::string& scratchFolder);
  // Restores the previous handling; the folder is then the caller's to remove.
  ~InterruptCleanup();
  InterruptCleanup(const InterruptCleanup&) = delete;
  InterruptCleanup& operator=(const InterruptCleanup&) = delete;

 private:
  // The handling of SIGINT, SIGTERM and SIGHUP before, restored at destruction.
  struct sigaction previous_[3] = {};
};
