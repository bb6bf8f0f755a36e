#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/wide_text_windows.h"

namespace platform {
namespace {

HANDLE AsHandle(std::intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

// The program writes '/' between folders; the system's own paths use '\'.
std::string WithForwardSlashes(std::wstring_view path) {
  std::string text = Narrow(path);
  std::replace(text.begin(), text.end(), '\\', '/');
  return text;
}

}  // namespace

std::optional<File> File::OpenRegularForReading(const char* path) {
  if (path == nullptr) return std::nullopt;
  const HANDLE handle = CreateFileW(Widen(path).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  // Devices (NUL, CON, COM1…) and pipes are no picture files.
  LARGE_INTEGER size{};
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileSizeEx(handle, &size)) {
    CloseHandle(handle);
    return std::nullopt;
  }
  return File(reinterpret_cast<std::intptr_t>(handle), static_cast<std::uint64_t>(size.QuadPart));
}

std::optional<File> File::CreateNew(const char* path, bool& alreadyExists) {
  // Others may delete it while it is written: an interrupted run removes the file it is still
  // writing, which Windows then deletes when the handle closes at the process's end.
  const HANDLE handle =
      CreateFileW(Widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  alreadyExists = handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS;
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  return File(reinterpret_cast<std::intptr_t>(handle), 0);
}

File::File(File&& other) noexcept : handle_(other.handle_), size_(other.size_) {
  other.handle_ = kNone;
}

File::~File() {
  if (handle_ != kNone) CloseHandle(AsHandle(handle_));
}

std::optional<std::size_t> File::Read(void* buffer, std::size_t count) {
  const DWORD asked = static_cast<DWORD>(std::min<std::size_t>(count, 1u << 30));
  DWORD got = 0;
  if (!ReadFile(AsHandle(handle_), buffer, asked, &got, nullptr)) return std::nullopt;
  return got;
}

bool File::WriteAll(const void* bytes, std::size_t count) {
  const auto* cursor = static_cast<const char*>(bytes);
  std::size_t done = 0;
  while (done < count) {
    const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(AsHandle(handle_), cursor + done, piece, &written, nullptr) || written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}

bool File::Close(bool flushing) {
  const HANDLE handle = AsHandle(handle_);
  handle_ = kNone;
  const bool flushed = !flushing || FlushFileBuffers(handle) != 0;
  return CloseHandle(handle) != 0 && flushed;
}

bool MoveReplacing(const char* from, const char* to) {
  return MoveFileExW(Widen(from).c_str(), Widen(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

MoveResult MoveUnlessExists(const char* from, const char* to) {
  if (MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), MOVEFILE_WRITE_THROUGH)) {
    return MoveResult::kMoved;
  }
  const DWORD error = GetLastError();
  return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? MoveResult::kExists
                                                                     : MoveResult::kFailed;
}

FileProblem LastFileProblem() {
  switch (GetLastError()) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return FileProblem::kNoSpace;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      return FileProblem::kNoPermission;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return FileProblem::kMissing;
    case ERROR_FILENAME_EXCED_RANGE:
      return FileProblem::kNameTooLong;
    default:
      return FileProblem::kOther;
  }
}

std::optional<FileIdentity> IdentityOf(const char* path) {
  // Opened for no access at all, which works on files others hold open; a folder needs the
  // backup flag.
  const HANDLE handle =
      CreateFileW(Widen(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION information{};
  const bool known = GetFileInformationByHandle(handle, &information) != 0;
  CloseHandle(handle);
  if (!known) return std::nullopt;
  return FileIdentity{
      information.dwVolumeSerialNumber,
      (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
}

bool RemoveFile(const char* path) {
  return DeleteFileW(Widen(path).c_str()) != 0;
}

bool MakeFolder(const char* path, const char*) {
  // A new folder inherits its parent's access rights on Windows.
  return CreateDirectoryW(Widen(path).c_str(), nullptr) != 0;
}

std::vector<std::string> ListFolder(const char* path, std::error_code& error) {
  error = std::make_error_code(std::errc::no_such_file_or_directory);
  std::wstring pattern = Widen(path);
  if (pattern.empty()) return {};
  if (pattern.back() != L'/' && pattern.back() != L'\\') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW found{};
  const HANDLE search =
      FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    // Beyond MAX_PATH a path cannot be used without long-path support, which the program does
    // not claim; Windows and Wine report such a path as too long or as not found.
    const bool tooLong =
        pattern.size() > MAX_PATH && (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND);
    if (code == ERROR_FILENAME_EXCED_RANGE || tooLong) {
      error = std::make_error_code(std::errc::filename_too_long);
    } else if (code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND) {
      error = std::error_code(static_cast<int>(code), std::system_category());
    }
    return {};
  }
  error.clear();
  std::vector<std::string> names;
  do {
    names.push_back(Narrow(found.cFileName));
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

std::vector<std::string> ListFolder(const char* path) {
  std::error_code ignored;
  return ListFolder(path, ignored);
}

PathKind KindOf(const char* path) {
  const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? PathKind::kMissing
                                                                          : PathKind::kUnreadable;
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return PathKind::kFolder;
  if (attributes & FILE_ATTRIBUTE_DEVICE) return PathKind::kOther;
  return PathKind::kRegularFile;
}

std::optional<std::uint64_t> FileSize(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data)) {
    return std::nullopt;
  }
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::optional<LocalTime> LocalModificationTime(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  SYSTEMTIME universal{};
  SYSTEMTIME local{};
  // The zone's rule for that day, as Explorer shows the time.
  if (!GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data) ||
      !FileTimeToSystemTime(&data.ftLastWriteTime, &universal) ||
      !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local)) {
    return std::nullopt;
  }
  return LocalTime{local.wYear, local.wMonth,  local.wDay,
                   local.wHour, local.wMinute, local.wSecond};
}

std::string TemporaryFolder() {
  wchar_t folder[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  if (length == 0 || length > MAX_PATH) return ".";
  std::string text = WithForwardSlashes({folder, length});
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

std::optional<std::string> MakeUniqueFolder(const std::string& pathPrefix) {
  static unsigned counter = 0;
  const unsigned long long seed = GetTickCount64() ^ (CurrentProcessId() << 16);
  for (int attempt = 0; attempt < 100; ++attempt) {
    // Six characters, as the POSIX side's unique part has.
    const std::string digits = std::to_string(1000000 + (seed + counter++) % 1000000).substr(1);
    const std::string path = pathPrefix + digits;
    if (CreateDirectoryW(Widen(path).c_str(), nullptr)) return path;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return std::nullopt;
  }
  return std::nullopt;
}

void RemoveFlatFolder(const char* folder) {
  const std::string prefix = std::string(folder) + "/";
  for (const std::string& name : ListFolder(folder)) {
    if (name != "." && name != "..") RemoveFile((prefix + name).c_str());
  }
  RemoveDirectoryW(Widen(folder).c_str());
}

bool SetWorkingFolder(const char* path) {
  return SetCurrentDirectoryW(Widen(path).c_str()) != 0;
}

Stream OpenMemoryStream(const std::string& bytes) {
  // The C runtime has no memory stream: the bytes go to a temporary file that the system
  // deletes when the stream closes.
  wchar_t folder[MAX_PATH + 1] = {};
  wchar_t name[MAX_PATH + 1] = {};
  if (GetTempPathW(MAX_PATH + 1, folder) == 0 || GetTempFileNameW(folder, L"trs", 0, name) == 0) {
    return nullptr;
  }
  const HANDLE handle =
      CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, TRUNCATE_EXISTING,
                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    DeleteFileW(name);
    return nullptr;
  }
  DWORD written = 0;
  const bool filled =
      bytes.empty() ||
      (WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
       written == bytes.size());
  if (!filled || SetFilePointer(handle, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
    CloseHandle(handle);
    return nullptr;
  }
  const int descriptor =
      _open_osfhandle(reinterpret_cast<std::intptr_t>(handle), _O_RDONLY | _O_BINARY);
  if (descriptor < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  Stream stream(_fdopen(descriptor, "rb"));
  if (!stream) _close(descriptor);
  return stream;
}

}  // namespace platform
