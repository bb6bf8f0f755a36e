#include "base/settings_place.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "base/path_names.h"
#include "base/program_folder.h"
#include "base/text_encoding.h"
#include "platform/files.h"
#include "platform/process.h"

namespace {

// Empty while the settings are kept beside the program.
std::string userFolder;

// The longest name kept in the settings folder, "__Temp/" with a temporary file's name.
constexpr std::size_t kLongestNameInFolder = sizeof "__Temp/__Temp__file__vimbo_trastel2__.tpf";

// Creates and removes the file `path`; false when it cannot be made.
bool CreateAndRemove(const std::string& path, bool& alreadyExists) {
  if (!platform::File::CreateNew(path.c_str(), alreadyExists)) return false;
  platform::RemoveFile(path.c_str());
  return true;
}

// Creating a file is the only true answer: permission bits say nothing of a read-only medium,
// an administrator's rights or a folder's access list.
bool CanCreateFileIn(const std::string& folder) {
  const std::string probe =
      folder + ".trastel-write-check-" + std::to_string(platform::CurrentProcessId());
  bool alreadyExists = false;
  if (CreateAndRemove(probe, alreadyExists)) return true;
  if (!alreadyExists) return false;
  // Left by a process of this id that was killed while checking.
  platform::RemoveFile(probe.c_str());
  return CreateAndRemove(probe, alreadyExists);
}

bool MakeUserFolder(const std::string& folder) {
  if (StoredLength(folder) + kLongestNameInFolder > kMaxPathLength) return false;
  std::error_code error;
  std::filesystem::create_directories(platform::PathOf(folder + "__Temp"), error);
  return !error && CanCreateFileIn(folder);
}

}  // namespace

SettingsPlace ChooseSettingsPlace() {
  userFolder.clear();
  if (!platform::IsInstalledProgramFolder(programFolder) &&
      CanCreateFileIn(std::string(programFolder) + "Data/")) {
    return SettingsPlace::kBesideProgram;
  }
  const std::optional<std::string> folder = platform::UserSettingsFolder();
  if (!folder || !MakeUserFolder(*folder)) return SettingsPlace::kNowhere;
  userFolder = *folder;
  return SettingsPlace::kUserFolder;
}

std::string SettingsFolder() {
  return userFolder.empty() ? std::string(programFolder) + "Data/" : userFolder;
}

bool SettingsInUserFolder() {
  return !userFolder.empty();
}

std::string DefaultOutputFolder() {
  if (userFolder.empty()) return programFolder;
  const std::optional<std::string> pictures = platform::UserPicturesFolder();
  if (!pictures || StoredLength(*pictures) > kMaxPathLength) return programFolder;
  return *pictures;
}

std::string TempFilePath(const std::string& name) {
  return (userFolder.empty() ? std::string("Data/") : userFolder) + "__Temp/" + name;
}
