// One entry of a batch run, converted on a worker thread with copies of its records. What the
// conversion leaves — its messages, its output files under temporary names, its outcome — waits
// here until the run takes the entries up in list order.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "imagelib/atomic_output.h"
#include "imagelib/gif_animation.h"
#include "state/app_state.h"

// The reason a conversion failed that its own messages do not give: a source that is gone.
std::string ConversionFailure(const char* sourcePath);

class EntryJob {
 public:
  enum class Kind { kPicture, kFrame, kLastFrame };
  // `frames`, the coded frames of the run's animated GIF, is used by the frame kinds only: each
  // codes its own, at `index`, and the last writes them all.
  EntryJob(const PictureRecord& source, const PictureRecord& target, Kind kind,
           std::span<imagelib::CodedGifFrame> frames, int index);

  // On a worker: converts the entry unless it was cancelled first.
  void Run();
  void Cancel() { cancelled_.store(true); }
  // True once Run has ended, waiting at most `wait` for it.
  bool WaitDone(std::chrono::milliseconds wait);

  // Once done:
  bool Succeeded() const { return succeeded_; }
  // True when another job converted at some moment of this one's conversion, so that a failure
  // may come from the memory or disk space they shared.
  bool HadCompany() const { return hadCompany_; }
  // True when the output is a JPEG larger than its size cap even at the lowest quality.
  bool OverSizeCap() const;
  // True when the source's own bytes stand for the output, being fewer (KEEP_SMALLER).
  bool KeptSmallerSource() const;
  // Why the conversion or the commit failed, where its own messages do not say.
  const std::string& Failure() const { return failure_; }
  // True when that was a file that could not be written (no space, no permission): every later
  // output would meet the same.
  bool WritingFailed() const { return writingFailed_; }
  std::vector<std::string> TakeMessages() { return std::move(messages_); }
  // Puts the output files under their names, replacing files there when `replacing`. Not
  // replacing, kTargetExists tells that a file is in the way: the outputs not moved yet wait for
  // RetargetOutputs or DiscardOutputs. On kFailed, the outputs are gone and Failure says why.
  using CommitResult = imagelib::StagedOutput::Result;
  CommitResult CommitOutputs(bool replacing);
  // Gives the outputs still waiting a new name.
  void RetargetOutputs(const std::string& path);
  // Removes the output files.
  void DiscardOutputs() { outputs_.clear(); }

 private:
  int Convert(std::string* failure);

  PictureRecord source_;
  PictureRecord target_;
  Kind kind_;
  std::span<imagelib::CodedGifFrame> frames_;
  int index_;
  PictureHandle slot_ = 0;
  std::atomic<bool> cancelled_ = false;

  std::mutex mutex_;
  std::condition_variable finished_;
  bool done_ = false;
  bool succeeded_ = false;
  bool hadCompany_ = false;
  // What the conversion returned: kSavedOverCap, kSavedSourceKept or another success.
  int saved_ = 0;
  bool writingFailed_ = false;
  std::string failure_;
  std::vector<std::string> messages_;
  std::vector<imagelib::StagedOutput> outputs_;
};
