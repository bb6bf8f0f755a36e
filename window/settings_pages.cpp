#include "window/settings_pages.h"

#include "controls/control_layer.h"
#include "resources/control_ids.h"
#include "resources/panel_templates.h"

namespace {

constexpr SettingsPage kPages[] = {
    {"BMP(*.bmp)", kBmpPage},    {"JPG(*.jpg)", kJpgPage}, {"PNG(*.png)", kPngPage},
    {"GIF(*.gif)", kGifPage},    {"HTM(*.htm)", kHtmPage}, {"WEBP(*.webp)", kWebpPage},
    {"AVIF(*.avif)", kAvifPage}, {"編集", kFilterPage},    {"リネーム", kRenamePage},
    {"その他", kOtherPage},
};
static_assert(std::size(kPages) == kSettingsPageCount);

}  // namespace

std::span<const SettingsPage> SettingsPages() {
  return kPages;
}

int SettingsPageOf() {
  auto selected = GetControlLayer().TreeSelectedText(kSettingsTreePanel, kSettingsTree);
  if (!selected) return -1;
  for (int page = 0; page < static_cast<int>(std::size(kPages)); ++page) {
    if (*selected == kPages[page].treeText) return page;
  }
  return -1;
}

void ShowSettingsPage(int page) {
  ControlLayer& layer = GetControlLayer();
  for (int barId : SettingsPageBars()) layer.SetPanelVisible(barId, false);
  if (page >= 0 && page < static_cast<int>(std::size(kPages))) {
    layer.SetPanelVisible(kPages[page].barId, true);
  }
}

// Every change shows its item's page, the click that takes the focus from a size or crop box
// included, so the tree never shows an item other than the page shown.
void OnSettingsTreeChanged() {
  int page = SettingsPageOf();
  if (page != -1) ShowSettingsPage(page);
  GetControlLayer().RepaintView();
}
