#include "resources/main_menu.h"

#include "resources/control_ids.h"

namespace {

constexpr MenuItemTemplate kMainMenu[] = {
    {"ファイル", "詳細設定...", kMoreSettingsCommand},
    {"ファイル", "設定を名前を付けて保存...", kSavePresetCommand},
    {"ファイル", "保存した設定...", kPresetsCommand},
    {"ファイル", "見積もり...", kEstimateCommand},
    {"ファイル", "アプリ終了", kExitCommand},
    {"ヘルプ", "説明書", kHelpCommand},
    {"ヘルプ", "ヴァージョン", kAboutCommand},
};

}  // namespace

std::span<const MenuItemTemplate> MainMenuItems() {
  return kMainMenu;
}

std::vector<MenuTemplate> MainMenus() {
  std::vector<MenuTemplate> menus;
  for (const MenuItemTemplate& item : kMainMenu) {
    if (menus.empty() || std::string_view(menus.back().title) != item.menu) {
      menus.push_back({item.menu, {}});
    }
    menus.back().items.push_back(&item);
  }
  return menus;
}
