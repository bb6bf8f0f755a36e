#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/files.h"

namespace platform {

std::optional<File> File::OpenRegularForReading(const char* path) {
  if (path == nullptr) return std::nullopt;
  // Without O_NONBLOCK, opening a named pipe would wait for a writer.
  const int descriptor = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (descriptor < 0) return std::nullopt;
  struct stat info {};
  if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(descriptor);
    return std::nullopt;
  }
  return File(descriptor, static_cast<std::uint64_t>(info.st_size));
}

std::optional<File> File::CreateNew(const char* path, bool& alreadyExists) {
  const int descriptor = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  alreadyExists = descriptor < 0 && errno == EEXIST;
  if (descriptor < 0) return std::nullopt;
  return File(descriptor, 0);
}

File::File(File&& other) noexcept : handle_(other.handle_), size_(other.size_) {
  other.handle_ = kNone;
}

File::~File() {
  if (handle_ != kNone) ::close(static_cast<int>(handle_));
}

std::optional<std::size_t> File::Read(void* buffer, std::size_t count) {
  for (;;) {
    const ssize_t got = ::read(static_cast<int>(handle_), buffer, count);
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno != EINTR) return std::nullopt;
  }
}

bool File::WriteAll(const void* bytes, std::size_t count) {
  const auto* cursor = static_cast<const char*>(bytes);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t written = ::write(static_cast<int>(handle_), cursor + done, count - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    done += static_cast<std::size_t>(written);
  }
  return true;
}

bool File::Close(bool flushing) {
  const int descriptor = static_cast<int>(handle_);
  handle_ = kNone;
  const bool flushed = !flushing || ::fsync(descriptor) == 0;
  return ::close(descriptor) == 0 && flushed;
}

bool MoveReplacing(const char* from, const char* to) {
  return std::rename(from, to) == 0;
}

MoveResult MoveUnlessExists(const char* from, const char* to) {
  if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return MoveResult::kMoved;
  if (errno == EEXIST) return MoveResult::kExists;
  // File systems without the no-replace rename (some network and FUSE ones): a hard link is
  // made only where no name is, and then the temporary name goes.
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return MoveResult::kFailed;
  if (::link(from, to) != 0) return errno == EEXIST ? MoveResult::kExists : MoveResult::kFailed;
  ::unlink(from);
  return MoveResult::kMoved;
}

FileProblem LastFileProblem() {
  switch (errno) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return FileProblem::kNoSpace;
    case EACCES:
    case EPERM:
    case EROFS:
      return FileProblem::kNoPermission;
    case ENOENT:
    case ENOTDIR:
      return FileProblem::kMissing;
    case ENAMETOOLONG:
      return FileProblem::kNameTooLong;
    default:
      return FileProblem::kOther;
  }
}

std::optional<FileIdentity> IdentityOf(const char* path) {
  struct stat info {};
  if (::stat(path, &info) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                      static_cast<std::uint64_t>(info.st_ino)};
}

bool RemoveFile(const char* path) {
  return ::unlink(path) == 0;
}

bool MakeFolder(const char* path, const char* permissionsOf) {
  struct stat info {};
  const mode_t mode = ::stat(permissionsOf, &info) == 0 ? (info.st_mode & 07777) : 0777;
  return ::mkdir(path, mode) == 0;
}

std::vector<std::string> ListFolder(const char* path, std::error_code& error) {
  std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(path), ::closedir);
  error = listing ? std::error_code() : std::error_code(errno, std::generic_category());
  if (!listing) return {};
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(listing.get())) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  // The order of a Windows file system: names without regard to letter case.
  auto lowered = [](std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  };
  std::sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
    const std::string la = lowered(a), lb = lowered(b);
    return la != lb ? la < lb : a < b;
  });
  names.insert(names.begin(), {".", ".."});
  return names;
}

std::vector<std::string> ListFolder(const char* path) {
  std::error_code ignored;
  return ListFolder(path, ignored);
}

PathKind KindOf(const char* path) {
  struct stat info {};
  if (::stat(path, &info) != 0) return errno == ENOENT ? PathKind::kMissing : PathKind::kUnreadable;
  if (S_ISREG(info.st_mode)) return PathKind::kRegularFile;
  if (S_ISDIR(info.st_mode)) return PathKind::kFolder;
  return PathKind::kOther;
}

std::optional<std::uint64_t> FileSize(const char* path) {
  struct stat info {};
  if (::stat(path, &info) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(info.st_size);
}

std::optional<LocalTime> LocalModificationTime(const char* path) {
  struct stat info {};
  if (::stat(path, &info) != 0) return std::nullopt;
  struct tm local {};
  if (::localtime_r(&info.st_mtime, &local) == nullptr) return std::nullopt;
  return LocalTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                   local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::string TemporaryFolder() {
  std::error_code error;
  std::string folder = std::filesystem::temp_directory_path(error).string();
  if (error || folder.empty()) return "/tmp";
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::optional<std::string> MakeUniqueFolder(const std::string& pathPrefix) {
  std::string pattern = pathPrefix + "XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) return std::nullopt;
  return pattern;
}

void RemoveFlatFolder(const char* folder) {
  const int descriptor = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor >= 0) {
    alignas(dirent64) char entries[4096];
    ssize_t bytes;
    while ((bytes = ::getdents64(descriptor, entries, sizeof entries)) > 0) {
      for (ssize_t at = 0; at < bytes;) {
        const auto* entry = reinterpret_cast<const dirent64*>(entries + at);
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
          ::unlinkat(descriptor, entry->d_name, 0);
        }
        at += entry->d_reclen;
      }
    }
    ::close(descriptor);
  }
  ::rmdir(folder);
}

bool SetWorkingFolder(const char* path) {
  return ::chdir(path) == 0;
}

Stream OpenMemoryStream(const std::string& bytes) {
  // A memory stream of no bytes is not portable; an empty device stream reads the same.
  if (bytes.empty()) return Stream(std::fopen("/dev/null", "rb"));
  return Stream(::fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "rb"));
}

}  // namespace platform
