// Files are written under a temporary name beside the target and renamed over it only once
// every byte is on disk, so a failed save never leaves a partial picture behind.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "engine/imagelib/codec_support.h"

namespace imagelib {
namespace {

class TemporaryFile {
 public:
  // A short name in the target's folder, so that it also works when the target's own name is
  // as long as the file system allows.
  explicit TemporaryFile(const std::string& target) {
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    for (int attempt = 0; attempt < 100 && descriptor_ < 0; ++attempt) {
      path_ = folder + ".trastel-" + std::to_string(getpid()) + "-" + std::to_string(counter_++) +
              ".tmp";
      descriptor_ = open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (descriptor_ < 0 && errno != EEXIST) break;
    }
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    if (descriptor_ >= 0) close(descriptor_);
    if (!committed_ && descriptor_ != kNeverOpened) unlink(path_.c_str());
  }

  bool IsOpen() const { return descriptor_ >= 0; }

  bool WriteAll(ByteSpan bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t written = write(descriptor_, bytes.data() + done, bytes.size() - done);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return false;
      done += static_cast<std::size_t>(written);
    }
    return true;
  }

  bool CommitAs(const std::string& target) {
    const int descriptor = descriptor_;
    descriptor_ = kClosed;
    if (fsync(descriptor) != 0 || close(descriptor) != 0) return false;
    if (std::rename(path_.c_str(), target.c_str()) != 0) return false;
    committed_ = true;
    return true;
  }

 private:
  static constexpr int kNeverOpened = -1;
  static constexpr int kClosed = -2;
  static inline unsigned counter_ = 0;
  std::string path_;
  int descriptor_ = kNeverOpened;
  bool committed_ = false;
};

}  // namespace

bool WriteFileAtomically(const char* path, ByteSpan bytes) {
  if (path == nullptr || *path == '\0') return false;
  const std::string target(path);
  TemporaryFile file(target);
  return file.IsOpen() && file.WriteAll(bytes) && file.CommitAs(target);
}

}  // namespace imagelib
