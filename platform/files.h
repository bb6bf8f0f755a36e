// Files and folders through the operating system, with UTF-8 paths. Every open is binary and
// not inherited by child processes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace platform {

// The characters that end a folder's name in a path.
#ifdef _WIN32
inline constexpr const char* kPathSeparators = "/\\";
#else
inline constexpr const char* kPathSeparators = "/";
#endif

// A path as the user reads it: with the system's own separator (the program joins with '/', which
// Windows takes too, but shows its paths with '\\').
inline std::string ShownPath(std::string path) {
#ifdef _WIN32
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
#endif
  return path;
}

// The std::filesystem path of UTF-8 text, and the UTF-8 text of a path. (Plain strings would be
// read in the system's code page on Windows.)
inline std::filesystem::path PathOf(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string Utf8Of(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// An open file, closed at destruction.
class File {
 public:
  // The file at `path` opened for reading when it is a regular file; nothing otherwise. A named
  // pipe or device is refused without waiting for a writer.
  static std::optional<File> OpenRegularForReading(const char* path);
  // A new file at `path` opened for writing; nothing when it cannot be made, with
  // `alreadyExists` telling whether a file of that name was in the way.
  static std::optional<File> CreateNew(const char* path, bool& alreadyExists);

  File(File&& other) noexcept;
  File& operator=(File&&) = delete;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  // The size of the file when it was opened.
  std::uint64_t Size() const { return size_; }
  // Reads up to `count` bytes; the number read (0 at the end), or nothing on an error.
  std::optional<std::size_t> Read(void* buffer, std::size_t count);
  // Writes all `count` bytes; false when that fails.
  bool WriteAll(const void* bytes, std::size_t count);
  // Closes the file, flushing its bytes to the disk first when `flushing`; false when either
  // fails.
  bool Close(bool flushing);

 private:
  File(std::intptr_t handle, std::uint64_t size) : handle_(handle), size_(size) {}
  static constexpr std::intptr_t kNone = -1;

  std::intptr_t handle_;
  std::uint64_t size_;
};

// Moves `from` over `to`, replacing a file there in one step, so `to` is never missing.
bool MoveReplacing(const char* from, const char* to);

enum class MoveResult { kMoved, kExists, kFailed };
// Moves `from` to `to` unless something is there already (kExists, both left as they were), in
// one step, so that a file made by another program at that moment is never replaced.
MoveResult MoveUnlessExists(const char* from, const char* to);

// What kept the last file call of this thread from succeeding, as far as a user can act on it.
enum class FileProblem { kNoSpace, kNoPermission, kMissing, kNameTooLong, kOther };
FileProblem LastFileProblem();

// A file as the file system knows it, whatever the path it is reached by (letter case on
// Windows, links, "." in paths).
struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t number = 0;
  auto operator<=>(const FileIdentity&) const = default;
};
// Nothing when there is no file at `path` or it cannot be reached.
std::optional<FileIdentity> IdentityOf(const char* path);

// Removes a file. Async-signal-safe on POSIX.
bool RemoveFile(const char* path);

// Makes the folder `path` with the permissions of the folder `permissionsOf` where the system
// has such permissions. False when it was not made (also when it exists).
bool MakeFolder(const char* path, const char* permissionsOf);

// The names in a folder, "." and ".." included, in the order the Windows file system lists
// them; empty, with the reason in `error`, when it cannot be read.
std::vector<std::string> ListFolder(const char* path, std::error_code& error);
std::vector<std::string> ListFolder(const char* path);

enum class PathKind { kMissing, kRegularFile, kFolder, kOther, kUnreadable };
PathKind KindOf(const char* path);

// The size of the file at `path`; nothing when it cannot be found.
std::optional<std::uint64_t> FileSize(const char* path);

// A moment as the clock on the wall shows it in the system's time zone.
struct LocalTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};
// When the file at `path` was last written, in local time; nothing when it cannot be read.
std::optional<LocalTime> LocalModificationTime(const char* path);

// The folder for temporary files, without a trailing separator.
std::string TemporaryFolder();

// Makes a new folder whose name is `pathPrefix` and six characters that make it unique; its
// path, or nothing.
std::optional<std::string> MakeUniqueFolder(const std::string& pathPrefix);

// Removes the files of a folder without subfolders, then the folder. Async-signal-safe on POSIX.
void RemoveFlatFolder(const char* folder);

bool SetWorkingFolder(const char* path);

struct StreamCloser {
  void operator()(std::FILE* stream) const { std::fclose(stream); }
};
using Stream = std::unique_ptr<std::FILE, StreamCloser>;

// A stream reading `bytes`, which must outlive it; null when it cannot be made.
Stream OpenMemoryStream(const std::string& bytes);

}  // namespace platform
