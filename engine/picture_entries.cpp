#include "engine/picture_entries.h"

#include <algorithm>
#include <cstring>
#include <set>
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

namespace {

// A walk through a folder and, under SUBFOLDERS, its sub-folders.
struct FolderWalk {
  bool intoSubfolders = false;
  // Folders entered so far: a link back to one of them is not followed again.
  std::set<platform::FileIdentity> entered;
  // The output folders, whose files are the run's own.
  std::vector<platform::FileIdentity> outputs;
  int skippedFolders = 0;
  // Pictures found once the list was full.
  int leftOut = 0;
};

// Whether the sub-folder at `path` is walked; false counts it as skipped.
bool Enters(const std::string& path, FolderWalk& walk) {
  const std::optional<platform::FileIdentity> identity = platform::IdentityOf(path.c_str());
  if (!identity || !walk.entered.insert(*identity).second ||
      std::find(walk.outputs.begin(), walk.outputs.end(), *identity) != walk.outputs.end()) {
    ++walk.skippedFolders;
    return false;
  }
  return true;
}

// Adds the pictures of `directory` (ending with a separator; `shown` is the folder as messages
// name it) in its order, each sub-folder's where it stands when walking into them. False when
// the list filled before the end; a walk into sub-folders then goes on counting the pictures it
// leaves out.
bool WalkFolder(const std::string& directory, const std::string& shown, bool isSubfolder,
                EntryList& list, FolderWalk& walk) {
  std::error_code error;
  const std::vector<std::string> names = platform::ListFolder(directory.c_str(), error);
  if (error && isSubfolder) {
    ++walk.skippedFolders;
    return true;
  }
  if (error == std::errc::filename_too_long) ShowPathTooLong(shown);
  bool whole = true;
  for (const std::string& name : names) {
    list.Turn();
    const bool full = list.Count() >= kMaxInputEntries;
    if (full && !walk.intoSubfolders) return false;
    if (name == "." || name == "..") continue;
    const std::string path = directory + name;
    if (walk.intoSubfolders && platform::KindOf(path.c_str()) == platform::PathKind::kFolder) {
      const char separator = SeparatorOf(directory);
      if (Enters(path, walk)) {
        whole = WalkFolder(path + separator, shown + name + separator, true, list, walk) && whole;
      }
      continue;
    }
    if (full) {
      if (IsConvertiblePicture(path)) ++walk.leftOut;
      whole = false;
      continue;
    }
    if (TryToAdd(path, list) == Adding::kNotAPicture &&
        platform::KindOf(path.c_str()) == platform::PathKind::kRegularFile) {
      list.LeftOut(shown + name);
    }
  }
  return whole;
}

}  // namespace

bool AddChosenFolder(const std::string& folder, EntryList& list) {
  // The folder ends with a separator and the pattern adds another, so every entry found here
  // carries the doubled separator, as entries added from a folder always have; the added one is
  // of the folder's own kind.
  const std::string directory = folder + SeparatorOf(folder);
  FolderWalk walk;
  walk.intoSubfolders = GetAppState()->target->SUBFOLDERS != 0;
  if (walk.intoSubfolders) {
    if (auto root = platform::IdentityOf(folder.c_str())) walk.entered.insert(*root);
    const PathBlock& paths = *GetAppState()->paths;
    const std::string output = paths.SAVE;
    for (const std::string& place : {output, output + paths.subFolder}) {
      if (auto identity = platform::IdentityOf(place.c_str())) walk.outputs.push_back(*identity);
    }
  }
  const bool whole = WalkFolder(directory, folder, false, list, walk);
  list.EndTurns();
  if (!whole && (!walk.intoSubfolders || walk.leftOut > 0)) {
    WarnIfListFull(list);
    if (walk.leftOut > 0) ShowMessage("ほかの %d 個の画像は追加していません。", walk.leftOut);
  }
  if (walk.skippedFolders > 0) {
    ShowMessage(
        "[%s]\nの中の %d 個のフォルダは、読めないか、出力先か、すでに追加したフォルダの"
        "ため飛ばしました。",
        PathForMessage(folder).c_str(), walk.skippedFolders);
  }
  return whole;
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
