// Output files are written under a temporary name beside their target and renamed over it only
// once every byte is on disk, so an interrupted or failed write never leaves a partial file under
// the target's name and never loses the file that was there. The temporary name carries the
// writer's process id, ".trastel-<pid>-<n>.tmp", so that leftovers of a killed process can be
// recognised and removed.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace imagelib {

class AtomicOutput {
 public:
  // Creates the temporary file beside `target`; see IsOpen.
  explicit AtomicOutput(const std::string& target);
  // Removes the temporary file unless it was committed.
  ~AtomicOutput();
  AtomicOutput(const AtomicOutput&) = delete;
  AtomicOutput& operator=(const AtomicOutput&) = delete;

  bool IsOpen() const { return file_.has_value(); }
  // Appends `bytes`; false when they could not all be written.
  bool Write(std::string_view bytes);
  // Flushes the file to disk and renames it to the target; false when that fails.
  bool Commit();

 private:
  std::string target_;
  std::string path_;
  std::optional<platform::File> file_;
  bool created_ = false;
  int pendingSlot_ = -1;
  bool committed_ = false;
};

// True when `name` is `prefix` followed by a process id and "-", and that process has ended.
bool IsLeftByEndedProcess(std::string_view name, std::string_view prefix);

// Removes the temporary files in `folder` whose writing process is no longer running.
void RemoveStaleTemporaryFiles(const std::string& folder);

// Removes the temporary files this process is writing right now. Async-signal-safe: meant for
// a handler of a signal that ends the process.
void RemoveTemporaryFilesInProgress();

}  // namespace imagelib
