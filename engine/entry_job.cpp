#include "engine/entry_job.h"

#include <algorithm>
#include <atomic>
#include <filesystem>

#include "base/show_message.h"
#include "engine/encoders.h"
#include "engine/picture_slots.h"
#include "engine/pipeline.h"
#include "engine/smaller_output.h"
#include "platform/files.h"

namespace {

// The outputs get the modification time of their source (KEEP_DATE) while they are still under
// their temporary names, so that no output ever shows under its name with the wrong date. A time
// that cannot be read or set leaves the output's own.
void KeepSourceDate(const char* sourcePath, const std::vector<imagelib::StagedOutput>& outputs) {
  std::error_code error;
  const auto time = std::filesystem::last_write_time(platform::PathOf(sourcePath), error);
  if (error) return;
  for (const imagelib::StagedOutput& output : outputs) {
    std::filesystem::last_write_time(platform::PathOf(output.TemporaryPath()), time, error);
  }
}

// Conversions running now and started so far, in every run of the process.
std::atomic<int> conversionsRunning = 0;
std::atomic<unsigned> conversionsStarted = 0;

}  // namespace

std::string ConversionFailure(const char* sourcePath) {
  if (platform::KindOf(sourcePath) == platform::PathKind::kMissing) {
    return std::string("入力ファイルが見つかりません:\n[") + sourcePath + "]";
  }
  return {};
}

EntryJob::EntryJob(const PictureRecord& source, const PictureRecord& target, Kind kind,
                   std::span<imagelib::CodedGifFrame> frames, int index)
    : source_(source), target_(target), kind_(kind), frames_(frames), index_(index) {}

int EntryJob::Convert(std::string* failure) {
  if (kind_ == Kind::kPicture) return ConvertSingleWith(source_, target_, slot_, failure);
  if (!CodeFrameWith(source_, target_, slot_, frames_, index_, failure)) return 0;
  if (kind_ == Kind::kFrame) return 1;
  // The animation holds the frames up to and including this last one.
  const auto frames = frames_.first(static_cast<std::size_t>(index_) + 1);
  return SaveCodedAnimationWith(source_, target_, frames, failure) != 0 ? 1 : 0;
}

void EntryJob::Run() {
  bool succeeded = false;
  std::string failure;
  std::vector<std::string> messages;
  std::vector<imagelib::StagedOutput> outputs;
  bool hadCompany = false;
  int saved = 0;
  bool writingFailed = false;
  if (!cancelled_.load()) {
    MessageCapture capture;
    imagelib::OutputStaging staging;
    const bool othersRunning = conversionsRunning.fetch_add(1) > 0;
    const unsigned started = conversionsStarted.fetch_add(1) + 1;
    std::string stepFailure;
    const int converted = Convert(&stepFailure);
    succeeded = converted != 0;
    saved = converted;
    hadCompany = othersRunning || conversionsStarted.load() != started;
    conversionsRunning.fetch_sub(1);
    if (!succeeded) {
      failure = ConversionFailure(source_.path);
      if (failure.empty()) failure = std::move(stepFailure);
      writingFailed = LastFailureIsWriting() != 0;
    }
    messages = capture.Take();
    outputs = staging.Take();
    if (succeeded && target_.KEEP_DATE != 0) KeepSourceDate(source_.path, outputs);
  }
  {
    const std::lock_guard lock(mutex_);
    succeeded_ = succeeded;
    hadCompany_ = hadCompany;
    saved_ = saved;
    writingFailed_ = writingFailed;
    failure_ = std::move(failure);
    messages_ = std::move(messages);
    outputs_ = std::move(outputs);
    done_ = true;
  }
  finished_.notify_all();
}

bool EntryJob::OverSizeCap() const {
  return saved_ == kSavedOverCap;
}

bool EntryJob::KeptSmallerSource() const {
  return saved_ == kSavedSourceKept;
}

bool EntryJob::WaitDone(std::chrono::milliseconds wait) {
  std::unique_lock lock(mutex_);
  return finished_.wait_for(lock, wait, [this] { return done_; });
}

EntryJob::CommitResult EntryJob::CommitOutputs(bool replacing) {
  ClearFailureReason();
  for (imagelib::StagedOutput& output : outputs_) {
    if (output.Done()) continue;
    const CommitResult result = output.Commit(replacing);
    if (result == CommitResult::kTargetExists) return result;
    if (result == CommitResult::kFailed) {
      failure_ = LastFailureReason();
      writingFailed_ = true;
      outputs_.clear();
      return result;
    }
  }
  outputs_.clear();
  return CommitResult::kCommitted;
}

void EntryJob::RetargetOutputs(const std::string& path) {
  for (imagelib::StagedOutput& output : outputs_) output.Retarget(path);
}
