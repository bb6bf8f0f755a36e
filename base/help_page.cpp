#include "base/help_page.h"

#include "base/show_message.h"
#include "ui/control_layer.h"

void OpenHelpPage() {
  if (!GetControlLayer().LaunchDocument(kHelpPage)) {
    ShowMessage("[%s]\nが見つかりませんでした！", kHelpPage);
  }
}
