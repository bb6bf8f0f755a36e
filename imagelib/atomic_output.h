// Output files are written under a temporary name beside their target and renamed over it only
// once every byte is on disk, so an interrupted or failed write never leaves a partial file under
// the target's name and never loses the file that was there. The temporary name carries the
// writer's process id, ".trastel-<pid>-<n>.tmp", so that leftovers of a killed process can be
// recognised and removed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
  // Flushes the file to disk and renames it to the target; false when that fails. On a thread
  // with an OutputStaging the finished file is handed to it instead of being renamed. Every
  // failure to make, write or rename the file records why (LastFailureReason).
  bool Commit();

 private:
  std::string target_;
  std::string path_;
  std::optional<platform::File> file_;
  bool created_ = false;
  int pendingSlot_ = -1;
  bool committed_ = false;
};

// A finished temporary file whose rename to its target is left to its owner, so that outputs
// written side by side can appear under their names in an order of the owner's choosing. It is
// removed unless committed, and an interruption removes it like a file being written.
class StagedOutput {
 public:
  StagedOutput(std::string path, std::string target, int pendingSlot);
  ~StagedOutput();
  StagedOutput(StagedOutput&& other) noexcept;
  StagedOutput& operator=(StagedOutput&&) = delete;
  StagedOutput(const StagedOutput&) = delete;
  StagedOutput& operator=(const StagedOutput&) = delete;

  enum class Result { kCommitted, kTargetExists, kFailed };
  // Renames the file to its target, replacing a file there when `replacing`; otherwise a file
  // there is kept and the result is kTargetExists, this file staying staged for another target.
  // Failing, the file is removed and the reason recorded (LastFailureReason).
  Result Commit(bool replacing);
  void Retarget(std::string target) { target_ = std::move(target); }
  // True once committed or failed.
  bool Done() const { return done_; }
  // Where the file is until it is committed.
  const std::string& TemporaryPath() const { return path_; }
  const std::string& Target() const { return target_; }

 private:
  std::string path_;
  std::string target_;
  int pendingSlot_;
  bool done_ = false;
};

// While one lives on a thread, the AtomicOutputs that thread commits are staged here.
class OutputStaging {
 public:
  enum class Use { kKept, kMeasuredOnly };
  // With kMeasuredOnly, the files are written to be measured and removed, never committed:
  // they are not flushed to the disk.
  explicit OutputStaging(Use use = Use::kKept);
  ~OutputStaging();
  OutputStaging(const OutputStaging&) = delete;
  OutputStaging& operator=(const OutputStaging&) = delete;

  void Add(StagedOutput file) { files_.push_back(std::move(file)); }
  // The file staged last for `target`, or null.
  const StagedOutput* Latest(const std::string& target) const;
  // Removes every file staged for `target` but the latest.
  void DropEarlier(const std::string& target);
  std::vector<StagedOutput> Take() { return std::move(files_); }
  // The staging of the calling thread, or null.
  static OutputStaging* Current();
  bool MeasuredOnly() const { return use_ == Use::kMeasuredOnly; }

 private:
  Use use_;
  std::vector<StagedOutput> files_;
  OutputStaging* previous_;
};

// The size of the output just written for `target`: the file staged for it on this thread, or
// the file at `target`; nothing when there is none.
std::optional<std::uint64_t> WrittenSize(const std::string& target);
// Writes `bytes` as the output for `target` in place of the one just written, whose staged file
// goes. False, the earlier output staying, when they could not be written.
bool RewriteOutput(const std::string& target, std::string_view bytes);

// True when `name` is `prefix` followed by a process id and "-", and that process has ended.
bool IsLeftByEndedProcess(std::string_view name, std::string_view prefix);

// Removes the temporary files in `folder` whose writing process is no longer running.
void RemoveStaleTemporaryFiles(const std::string& folder);

// Removes the temporary files this process is writing right now; from then on no new one is
// created. Async-signal-safe: meant for a handler of a signal that ends the process.
void RemoveTemporaryFilesInProgress();

}  // namespace imagelib
