#include "base/help_page.h"

#include <filesystem>
#include <system_error>

#include "base/show_message.h"
#include "platform/files.h"
#include "ui/control_layer.h"

void OpenLocalPage(const char* page) {
  std::error_code ignored;
  if (!std::filesystem::exists(platform::PathOf(page), ignored)) {
    ShowMessage("[%s]\nが見つかりませんでした！", page);
  } else if (!GetControlLayer().LaunchDocument(page)) {
    ShowMessage("[%s]\nをブラウザで開けませんでした！", page);
  }
}

void OpenHelpPage() {
  OpenLocalPage(kHelpPage);
}
