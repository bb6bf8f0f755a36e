// The main window's menu: each item with its menu, text and command id.
#pragma once

#include <span>

struct MenuItemTemplate {
  const char* menu;
  const char* item;
  int commandId;
};

// The items in menu order; items of one menu are adjacent.
std::span<const MenuItemTemplate> MainMenuItems();
