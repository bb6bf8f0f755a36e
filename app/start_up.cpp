#include "app/start_up.h"

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "base/path_names.h"
#include "base/program_folder.h"
#include "base/settings_place.h"
#include "base/show_message.h"
#include "base/text_encoding.h"
#include "platform/files.h"
#include "platform/process.h"
#include "state/app_state.h"
#include "state/settings_file.h"
#include "window/fill_and_read_panels.h"
#include "window/picture_facts.h"

namespace {

constexpr const char* kDataFolders[] = {"Data", "Data/Preview", "Data/Help", "Data/__Temp"};

}  // namespace

std::vector<std::string> FilesGivenAtStart(const std::vector<std::string>& arguments) {
  std::vector<std::string> files;
  for (const std::string& argument : arguments) {
    const std::filesystem::path path = platform::PathOf(argument);
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    files.push_back(platform::Utf8Of(error ? path : absolute));
  }
  return files;
}

bool InitProgramFolder() {
  std::optional<std::string> folder = platform::ExecutableFolder();
  if (!folder) {
    ShowMessage("実行ファイルのフォルダが見つかりません！");
    return false;
  }
  if (!SetProgramFolder(folder->c_str())) {
    ShowMessage(
        "[%s]\nはプログラムのフォルダとしてはパスが長すぎるため起動できません！(%d バイトまでです)",
        PathForMessage(*folder).c_str(), static_cast<int>(kMaxProgramFolderLength));
    return false;
  }
  if (!platform::SetWorkingFolder(programFolder)) {
    ShowMessage("[%s]\nに移動できません！", programFolder);
    return false;
  }
  return true;
}

void MakeDataFolder(const char* name) {
  std::string folder(CutToStoredLength(std::string(programFolder) + name, kMaxPathLength));
  platform::MakeFolder(folder.c_str(), programFolder);
}

void PrepareSettingsPlace() {
  // An installed copy's folder is the system's: it holds only what the package put there.
  if (!platform::IsInstalledProgramFolder(programFolder)) {
    for (const char* folder : kDataFolders) MakeDataFolder(folder);
  }
  ChooseSettingsPlace();
}

bool LoadOrCreateSettings() {
  PrepareSettingsPlace();
  AppState* state = GetAppState();
  if (LoadSettings() != SettingsStatus::kDone) {
    if (SaveSettings() != SettingsStatus::kDone) {
      ShowMessage(
          "設定ファイルが保存できませんでした！(深刻なエラー)"
          "\n原因：Dataフォルダがない、ＣＤから起動など\n[%s]",
          state->paths->configPath);
      return false;
    }
    ShowMessage("下記の場所に設定ファイルを作成しました。\n[%s]", state->paths->configPath);
  }
  return true;
}

bool StartUp() {
  if (!LoadOrCreateSettings()) return false;
  FillPanels();
  ReadPanels();
  return true;
}

void ShutDown() {
  StopMeasuring();
  DeleteTempFiles();
  DestroyAppState();
  DestroyPanelHelper();
}
