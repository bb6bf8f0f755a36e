#include "resources/main_menu.h"

#include "resources/control_ids.h"

namespace {

constexpr MenuItemTemplate kMainMenu[] = {
    {"ファイル", "詳細設定...", kMoreSettingsCommand},
    {"ファイル", "アプリ終了", kExitCommand},
    {"ヘルプ", "説明書", kHelpCommand},
    {"ヘルプ", "ヴァージョン", kAboutCommand},
};

}  // namespace

std::span<const MenuItemTemplate> MainMenuItems() {
  return kMainMenu;
}
