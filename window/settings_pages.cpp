#include "window/settings_pages.h"

#include <vector>

#include "controls/control_layer.h"
#include "engine/output_naming.h"
#include "resources/control_ids.h"
#include "resources/panel_templates.h"

namespace {

struct OtherPage {
  const char* treeText;
  int barId;
};

constexpr OtherPage kOtherPages[] = {
    {"編集", kFilterPage},
    {"リネーム", kRenamePage},
    {"その他", kOtherPage},
};
static_assert(WrittenFormatCount() + std::size(kOtherPages) == kSettingsPageCount);

// The written formats' pages come first, named by their type and extension: "JPG(*.jpg)".
std::vector<SettingsPage> BuildPages() {
  std::vector<SettingsPage> pages;
  for (std::size_t i = 0; i < WrittenFormatCount(); ++i) {
    const OutputFormatRow& format = kOutputFormats[i];
    pages.push_back({std::string(format.typeName) + "(*" +
                         OutputExtension(format.format, kLowerCaseExtension) + ")",
                     format.settingsPage});
  }
  for (const OtherPage& page : kOtherPages) pages.push_back({page.treeText, page.barId});
  return pages;
}

const std::vector<SettingsPage>& Pages() {
  static const std::vector<SettingsPage> pages = BuildPages();
  return pages;
}

}  // namespace

std::span<const SettingsPage> SettingsPages() {
  return Pages();
}

int SettingsPageOf() {
  auto selected = GetControlLayer().TreeSelectedText(kSettingsTreePanel, kSettingsTree);
  if (!selected) return -1;
  for (int page = 0; page < kSettingsPageCount; ++page) {
    if (*selected == Pages()[page].treeText) return page;
  }
  return -1;
}

void ShowSettingsPage(int page) {
  ControlLayer& layer = GetControlLayer();
  for (int barId : SettingsPageBars()) layer.SetPanelVisible(barId, false);
  if (page >= 0 && page < kSettingsPageCount) {
    layer.SetPanelVisible(Pages()[page].barId, true);
  }
}

// Every change shows its item's page, the click that takes the focus from a size or crop box
// included, so the tree never shows an item other than the page shown.
void OnSettingsTreeChanged() {
  int page = SettingsPageOf();
  if (page != -1) ShowSettingsPage(page);
  GetControlLayer().RepaintView();
}
