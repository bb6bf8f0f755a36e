#include "app/help_page.h"

#include "ui/control_layer.h"

void OpenHelpPage() {
  GetControlLayer().LaunchDocument(kHelpPage);
}
