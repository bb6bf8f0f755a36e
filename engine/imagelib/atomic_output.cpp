#include "engine/imagelib/atomic_output.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

#include "engine/imagelib/codec_support.h"

namespace imagelib {
namespace {

constexpr std::string_view kPrefix = ".trastel-";
constexpr std::string_view kSuffix = ".tmp";

// The temporary files being written, readable from a signal handler: a slot's path is complete
// before the slot is marked used.
// A slot is claimed (`claimed`) before its path is written, so that threads never share one.
struct PendingFile {
  std::atomic<bool> claimed{false};
  std::atomic<bool> used{false};
  char path[4096] = {};
};
// Enough for every file a run's workers write or hold staged at once.
std::array<PendingFile, 256> pendingFiles;

int RecordPending(const std::string& path) {
  if (path.size() >= sizeof(PendingFile::path)) return -1;
  for (std::size_t i = 0; i < pendingFiles.size(); ++i) {
    PendingFile& slot = pendingFiles[i];
    bool expected = false;
    if (!slot.claimed.compare_exchange_strong(expected, true, std::memory_order_acquire)) {
      continue;
    }
    std::memcpy(slot.path, path.c_str(), path.size() + 1);
    slot.used.store(true, std::memory_order_release);
    return static_cast<int>(i);
  }
  return -1;
}

void ForgetPending(int slot) {
  if (slot < 0) return;
  PendingFile& file = pendingFiles[static_cast<std::size_t>(slot)];
  file.used.store(false, std::memory_order_release);
  file.claimed.store(false, std::memory_order_release);
}

thread_local OutputStaging* currentStaging = nullptr;

}  // namespace

AtomicOutput::AtomicOutput(const std::string& target) : target_(target) {
  // A short name in the target's folder, so that it also works when the target's own name is as
  // long as the file system allows. The process id and a counter keep it unique per write.
  static std::atomic<unsigned> counter = 0;
  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  for (int attempt = 0; attempt < 100 && descriptor_ < 0; ++attempt) {
    path_ = folder + std::string(kPrefix) + std::to_string(getpid()) + "-" +
            std::to_string(counter++) + std::string(kSuffix);
    // Recorded before it exists, so that no moment is left in which an interruption would
    // leave it behind.
    ForgetPending(pendingSlot_);
    pendingSlot_ = RecordPending(path_);
    descriptor_ = open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor_ < 0 && errno != EEXIST) break;
  }
}

AtomicOutput::~AtomicOutput() {
  if (descriptor_ >= 0) close(descriptor_);
  if (!committed_ && descriptor_ != kNeverOpened) unlink(path_.c_str());
  ForgetPending(pendingSlot_);
}

bool AtomicOutput::Write(std::string_view bytes) {
  if (descriptor_ < 0) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = write(descriptor_, bytes.data() + done, bytes.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    done += static_cast<std::size_t>(written);
  }
  return true;
}

bool AtomicOutput::Commit() {
  if (descriptor_ < 0) return false;
  const int descriptor = descriptor_;
  descriptor_ = kClosed;
  if (fsync(descriptor) != 0 || close(descriptor) != 0) return false;
  if (OutputStaging* staging = OutputStaging::Current()) {
    staging->Add(StagedOutput(path_, target_, pendingSlot_));
    pendingSlot_ = -1;
  } else if (std::rename(path_.c_str(), target_.c_str()) != 0) {
    return false;
  }
  committed_ = true;
  return true;
}

StagedOutput::StagedOutput(std::string path, std::string target, int pendingSlot)
    : path_(std::move(path)), target_(std::move(target)), pendingSlot_(pendingSlot) {}

StagedOutput::StagedOutput(StagedOutput&& other) noexcept
    : path_(std::move(other.path_)),
      target_(std::move(other.target_)),
      pendingSlot_(other.pendingSlot_),
      done_(other.done_) {
  other.done_ = true;
  other.pendingSlot_ = -1;
}

StagedOutput::~StagedOutput() {
  if (!done_) unlink(path_.c_str());
  ForgetPending(pendingSlot_);
}

bool StagedOutput::Commit() {
  if (done_) return false;
  done_ = true;
  const bool renamed = std::rename(path_.c_str(), target_.c_str()) == 0;
  if (!renamed) unlink(path_.c_str());
  ForgetPending(pendingSlot_);
  pendingSlot_ = -1;
  return renamed;
}

OutputStaging::OutputStaging() : previous_(currentStaging) {
  currentStaging = this;
}

OutputStaging::~OutputStaging() {
  currentStaging = previous_;
}

OutputStaging* OutputStaging::Current() {
  return currentStaging;
}

bool IsLeftByEndedProcess(std::string_view name, std::string_view prefix) {
  if (!name.starts_with(prefix)) return false;
  pid_t pid = 0;
  std::size_t at = prefix.size();
  for (; at < name.size() && name[at] >= '0' && name[at] <= '9'; ++at) {
    if (pid > 100000000) return false;
    pid = pid * 10 + (name[at] - '0');
  }
  if (pid <= 0 || at >= name.size() || name[at] != '-') return false;
  return kill(pid, 0) != 0 && errno == ESRCH;
}

void RemoveStaleTemporaryFiles(const std::string& folder) {
  const std::string path = folder.empty() ? "." : folder;
  std::unique_ptr<DIR, int (*)(DIR*)> listing(opendir(path.c_str()), closedir);
  if (!listing) return;
  while (const dirent* entry = readdir(listing.get())) {
    const std::string_view name = entry->d_name;
    if (name.ends_with(kSuffix) && IsLeftByEndedProcess(name, kPrefix)) {
      unlinkat(dirfd(listing.get()), entry->d_name, 0);
    }
  }
}

void RemoveTemporaryFilesInProgress() {
  for (PendingFile& slot : pendingFiles) {
    if (slot.used.load(std::memory_order_acquire)) unlink(slot.path);
  }
}

bool WriteFileAtomically(const char* path, ByteSpan bytes) {
  if (path == nullptr || *path == '\0') return false;
  AtomicOutput file(path);
  return file.IsOpen() && file.Write({reinterpret_cast<const char*>(bytes.data()), bytes.size()}) &&
         file.Commit();
}

}  // namespace imagelib
