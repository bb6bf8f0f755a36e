#include "engine/imagelib/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace imagelib {

std::optional<RegularFile> RegularFile::Open(const char* path) {
  if (path == nullptr) return std::nullopt;
  // Without O_NONBLOCK, opening a named pipe would wait for a writer.
  const int descriptor = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (descriptor < 0) return std::nullopt;
  struct stat info {};
  if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(descriptor);
    return std::nullopt;
  }
  return RegularFile(descriptor, static_cast<std::uint64_t>(info.st_size));
}

RegularFile::RegularFile(RegularFile&& other) noexcept
    : descriptor_(other.descriptor_), size_(other.size_) {
  other.descriptor_ = -1;
}

RegularFile::~RegularFile() {
  if (descriptor_ >= 0) ::close(descriptor_);
}

bool RegularFile::ReadMore(Bytes& bytes, std::size_t count) {
  const std::size_t start = bytes.size();
  bytes.resize(start + count);
  std::size_t got = 0;
  while (got < count) {
    const ssize_t read = ::read(descriptor_, bytes.data() + start + got, count - got);
    if (read < 0 && errno == EINTR) continue;
    if (read < 0) return false;
    if (read == 0) break;
    got += static_cast<std::size_t>(read);
  }
  bytes.resize(start + got);
  return true;
}

}  // namespace imagelib
