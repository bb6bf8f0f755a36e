#include "engine/picture_entries.h"

#include <cstring>
#include <system_error>
#include <vector>

#include "base/path_names.h"
#include "base/program_folder.h"
#include "base/show_message.h"
#include "base/text_encoding.h"
#include "imagelib/imagelib.h"
#include "platform/files.h"
#include "state/app_state.h"

namespace {

// Says which path is too long to be an entry.
void ShowPathTooLong(const std::string& path) {
  ShowMessage("[%s]\nはパスが長すぎるため追加できません！(%d バイトまでです)",
              PathForMessage(path).c_str(), static_cast<int>(kMaxPathLength));
}

enum class Adding { kAdded, kNotAdded, kNotAPicture };

Adding TryToAdd(const std::string& path, EntryList& list) {
  if (FileNamePart(path, true) == GetAppState()->paths->tempName) return Adding::kNotAdded;
  // Length first: a path beyond the system's limit cannot even be opened for the picture test.
  std::optional<std::string> entry = EntryTextOf(path);
  if (!entry) {
    ShowPathTooLong(path);
    return Adding::kNotAdded;
  }
  if (!IsConvertiblePicture(path)) return Adding::kNotAPicture;
  list.Add(*entry);
  return Adding::kAdded;
}

}  // namespace

std::optional<std::string> EntryTextOf(const std::string& path) {
  // Each folder level of the program folder adds at most one "../" step, so the relative form
  // always fits this buffer whole.
  std::string buffer(path.size() + 3 * std::strlen(programFolder) + 2, '\0');
  path.copy(buffer.data(), path.size());
  MakeRelativePath(buffer.data(), buffer.size(), programFolder);
  std::string relative = buffer.c_str();
  if (StoredLength(relative) <= kMaxPathLength) return relative;
  if (StoredLength(path) <= kMaxPathLength) return path;
  return std::nullopt;
}

bool IsConvertiblePicture(const std::string& path) {
  return IdentifyPictureFile(path.c_str(), 0) != kIdentifiedNone;
}

bool WarnIfListFull(const EntryList& list) {
  if (list.Count() < kMaxInputEntries) return false;
  ShowMessage("[%d]以上は読み込めません。(%d件までです)", kMaxInputEntries + 1, kMaxInputEntries);
  return true;
}

bool AddPicture(const std::string& path, EntryList& list) {
  return TryToAdd(path, list) == Adding::kAdded;
}

bool AddChosenFile(const std::string& path, EntryList& list) {
  if (AddPicture(path, list)) return true;
  if (EntryTextOf(path)) ShowMessage("[%s]\nは変換できないファイルです！", path.c_str());
  return false;
}

bool AddChosenFolder(const std::string& folder, EntryList& list) {
  // The folder ends with a separator and the pattern adds another, so every entry found here
  // carries the doubled separator, as entries added from a folder always have; the added one is
  // of the folder's own kind.
  const std::string directory = folder + SeparatorOf(folder);
  std::error_code error;
  const std::vector<std::string> names = platform::ListFolder(directory.c_str(), error);
  if (error == std::errc::filename_too_long) ShowPathTooLong(folder);
  for (const std::string& name : names) {
    list.Turn();
    if (list.Count() >= kMaxInputEntries) {
      list.EndTurns();
      WarnIfListFull(list);
      return false;
    }
    if (name == "." || name == "..") continue;
    const std::string path = directory + name;
    if (TryToAdd(path, list) == Adding::kNotAPicture &&
        platform::KindOf(path.c_str()) == platform::PathKind::kRegularFile) {
      list.LeftOut(folder + name);
    }
  }
  list.EndTurns();
  return true;
}

bool AddGivenPath(std::string path, EntryList& list) {
  if (WarnIfListFull(list)) return false;
  if (platform::KindOf(path.c_str()) != platform::PathKind::kFolder) {
    AddChosenFile(path, list);
    return true;
  }
  const char separator = SeparatorOf(path);
  while (!path.empty() && (path.back() == '/' || path.back() == '\\')) path.pop_back();
  return AddChosenFolder(path + separator, list);
}
