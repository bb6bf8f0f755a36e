// The settings tree and the settings pages it switches between.
#pragma once

#include <span>

struct SettingsPage {
  const char* treeText;
  int barId;
};

inline constexpr int kSettingsPageCount = 10;

// The tree items in order; an item's position is its page index.
std::span<const SettingsPage> SettingsPages();

// The page index of the tree's selected item, found by its text; -1 for none or no match.
int SettingsPageOf();
// Hides every page, then shows page `page` (0 .. kSettingsPageCount - 1); any other index leaves
// all hidden.
void ShowSettingsPage(int page);
// The tree's selection notification.
void OnSettingsTreeChanged();
