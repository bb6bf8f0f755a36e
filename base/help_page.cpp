#include "base/help_page.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "base/program_folder.h"
#include "base/show_message.h"
#include "controls/control_layer.h"
#include "platform/files.h"

void OpenLocalPage(const char* page) {
  std::error_code ignored;
  if (!std::filesystem::exists(platform::PathOf(page), ignored)) {
    ShowMessage("[%s]\nが見つかりませんでした！", page);
  } else {
    GetControlLayer().LaunchDocument(page, [name = std::string(page)] {
      ShowMessage("[%s]\nをブラウザで開けませんでした！", name.c_str());
    });
  }
}

void OpenHelpPage() {
  // Named whole, so that a message about it says where it was looked for.
  OpenLocalPage((std::string(programFolder) + kHelpPage).c_str());
}
