#include "imagelib/atomic_output.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
#include <utility>

#include "imagelib/codec_support.h"
#include "imagelib/failure_reason.h"
#include "platform/files.h"
#include "platform/process.h"

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

// An interruption first closes the gate, then waits for the temporary files being created to be
// recorded, so that none can appear after it has removed the recorded ones (on Windows the other
// threads go on running while the process ends).
std::atomic<bool> creationClosed{false};
std::atomic<int> creationsInFlight{0};

class CreationPass {
 public:
  CreationPass() { creationsInFlight.fetch_add(1); }
  ~CreationPass() { creationsInFlight.fetch_sub(1); }
  CreationPass(const CreationPass&) = delete;
  CreationPass& operator=(const CreationPass&) = delete;
  bool Open() const { return !creationClosed.load(); }
};

void CloseCreationAndWait() {
  creationClosed.store(true);
  // Bounded: a signal may have stopped the very thread that is creating a file.
  for (int wait = 0; wait < 200 && creationsInFlight.load() != 0; ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

thread_local OutputStaging* currentStaging = nullptr;

std::string FolderOf(const std::string& target) {
  const std::size_t slash = target.find_last_of(platform::kPathSeparators);
  return slash == std::string::npos ? "" : target.substr(0, slash + 1);
}

// Records why `target` could not be written, from what the last file call met; always false.
bool RefuseWritingOf(const std::string& target) {
  const std::string folder = FolderOf(target).empty() ? target : FolderOf(target);
  switch (platform::LastFileProblem()) {
    case platform::FileProblem::kNoSpace:
      return RefuseWriting("ディスクの空きが足りないため保存できません:\n[" + folder + "]");
    case platform::FileProblem::kNoPermission:
      return RefuseWriting("出力先のフォルダに書き込む権限がないため保存できません:\n[" + folder +
                           "]");
    case platform::FileProblem::kMissing:
      return RefuseWriting("出力先のフォルダがないため保存できません:\n[" + folder + "]");
    case platform::FileProblem::kNameTooLong:
      return RefuseWriting("出力先のパスが長すぎるため保存できません:\n[" + target + "]");
    case platform::FileProblem::kOther:
      break;
  }
  return RefuseWriting("ファイルが保存できませんでした:\n[" + target + "]");
}

}  // namespace

AtomicOutput::AtomicOutput(const std::string& target) : target_(target) {
  // A short name in the target's folder, so that it also works when the target's own name is as
  // long as the file system allows. The process id and a counter keep it unique per write.
  static std::atomic<unsigned> counter = 0;
  const std::string folder = FolderOf(target);
  const CreationPass pass;
  for (int attempt = 0; attempt < 100 && !file_ && pass.Open(); ++attempt) {
    path_ = folder + std::string(kPrefix) + std::to_string(platform::CurrentProcessId()) + "-" +
            std::to_string(counter++) + std::string(kSuffix);
    // Recorded before it exists, so that no moment is left in which an interruption would
    // leave it behind.
    ForgetPending(pendingSlot_);
    pendingSlot_ = RecordPending(path_);
    bool alreadyExists = false;
    auto created = platform::File::CreateNew(path_.c_str(), alreadyExists);
    if (created) file_.emplace(std::move(*created));
    if (!created && !alreadyExists) {
      RefuseWritingOf(target_);
      break;
    }
  }
  created_ = file_.has_value();
}

AtomicOutput::~AtomicOutput() {
  file_.reset();
  if (created_ && !committed_) platform::RemoveFile(path_.c_str());
  ForgetPending(pendingSlot_);
}

bool AtomicOutput::Write(std::string_view bytes) {
  if (!file_) return false;
  return file_->WriteAll(bytes.data(), bytes.size()) || RefuseWritingOf(target_);
}

bool AtomicOutput::Commit() {
  if (!file_) return false;
  OutputStaging* staging = OutputStaging::Current();
  // Files only measured need not outlast a crash.
  const bool flushed = file_->Close(staging == nullptr || !staging->MeasuredOnly());
  file_.reset();
  if (!flushed) return RefuseWritingOf(target_);
  if (staging != nullptr) {
    staging->Add(StagedOutput(path_, target_, pendingSlot_));
    pendingSlot_ = -1;
  } else if (!platform::MoveReplacing(path_.c_str(), target_.c_str())) {
    return RefuseWritingOf(target_);
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
  if (!done_) platform::RemoveFile(path_.c_str());
  ForgetPending(pendingSlot_);
}

StagedOutput::Result StagedOutput::Commit(bool replacing) {
  if (done_) return Result::kFailed;
  Result result = Result::kCommitted;
  if (replacing) {
    if (!platform::MoveReplacing(path_.c_str(), target_.c_str())) result = Result::kFailed;
  } else {
    const platform::MoveResult moved = platform::MoveUnlessExists(path_.c_str(), target_.c_str());
    if (moved == platform::MoveResult::kExists) return Result::kTargetExists;
    if (moved == platform::MoveResult::kFailed) result = Result::kFailed;
  }
  if (result == Result::kFailed) {
    RefuseWritingOf(target_);
    platform::RemoveFile(path_.c_str());
  }
  done_ = true;
  ForgetPending(pendingSlot_);
  pendingSlot_ = -1;
  return result;
}

OutputStaging::OutputStaging(Use use) : use_(use), previous_(currentStaging) {
  currentStaging = this;
}

OutputStaging::~OutputStaging() {
  currentStaging = previous_;
}

OutputStaging* OutputStaging::Current() {
  return currentStaging;
}

const StagedOutput* OutputStaging::Latest(const std::string& target) const {
  for (auto file = files_.rbegin(); file != files_.rend(); ++file) {
    if (file->Target() == target) return &*file;
  }
  return nullptr;
}

void OutputStaging::DropEarlier(const std::string& target) {
  const StagedOutput* latest = Latest(target);
  std::vector<StagedOutput> kept;
  for (StagedOutput& file : files_) {
    if (file.Target() != target || &file == latest) kept.push_back(std::move(file));
  }
  // The dropped ones remove their files as they go.
  files_.clear();
  for (StagedOutput& file : kept) files_.push_back(std::move(file));
}

std::optional<std::uint64_t> WrittenSize(const std::string& target) {
  if (const OutputStaging* staging = OutputStaging::Current()) {
    const StagedOutput* file = staging->Latest(target);
    return file ? platform::FileSize(file->TemporaryPath().c_str()) : std::nullopt;
  }
  return platform::FileSize(target.c_str());
}

bool RewriteOutput(const std::string& target, std::string_view bytes) {
  AtomicOutput output(target);
  if (!output.IsOpen() || !output.Write(bytes) || !output.Commit()) return false;
  if (OutputStaging* staging = OutputStaging::Current()) staging->DropEarlier(target);
  return true;
}

bool IsLeftByEndedProcess(std::string_view name, std::string_view prefix) {
  if (!name.starts_with(prefix)) return false;
  unsigned long pid = 0;
  std::size_t at = prefix.size();
  for (; at < name.size() && name[at] >= '0' && name[at] <= '9'; ++at) {
    if (pid > 100000000) return false;
    pid = pid * 10 + static_cast<unsigned long>(name[at] - '0');
  }
  if (pid == 0 || at >= name.size() || name[at] != '-') return false;
  return platform::HasProcessEnded(pid);
}

void RemoveStaleTemporaryFiles(const std::string& folder) {
  const std::string path = folder.empty() ? "." : folder;
  for (const std::string& name : platform::ListFolder(path.c_str())) {
    if (std::string_view(name).ends_with(kSuffix) && IsLeftByEndedProcess(name, kPrefix)) {
      platform::RemoveFile((path + "/" + name).c_str());
    }
  }
}

void RemoveTemporaryFilesInProgress() {
  CloseCreationAndWait();
  for (PendingFile& slot : pendingFiles) {
    if (slot.used.load(std::memory_order_acquire)) platform::RemoveFile(slot.path);
  }
}

bool WriteFileAtomically(const char* path, ByteSpan bytes) {
  if (path == nullptr || *path == '\0') return false;
  AtomicOutput file(path);
  return file.IsOpen() && file.Write({reinterpret_cast<const char*>(bytes.data()), bytes.size()}) &&
         file.Commit();
}

}  // namespace imagelib
