// The main window's menu: each item with its menu, text and command id.
#pragma once

#include <span>
#include <string_view>
#include <vector>

struct MenuItemTemplate {
  const char* menu;
  const char* item;
  int commandId;
};

// The items in menu order; items of one menu are adjacent.
std::span<const MenuItemTemplate> MainMenuItems();

// One menu of the menu bar: its title and its items.
struct MenuTemplate {
  const char* title;
  std::vector<const MenuItemTemplate*> items;
};
// The menus in menu-bar order, each with its items.
std::vector<MenuTemplate> MainMenus();
