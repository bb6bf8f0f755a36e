// The settings tree and the settings pages it switches between.
#pragma once

#include <span>
#include <string>

#include "state/output_formats.h"

struct SettingsPage {
  std::string treeText;
  int barId;
};

// A page for each written format, then 編集, リネーム and その他.
inline constexpr int kSettingsPageCount = static_cast<int>(WrittenFormatCount()) + 3;

// The tree items in order; an item's position is its page index.
std::span<const SettingsPage> SettingsPages();

// The page index of the tree's selected item, found by its text; -1 for none or no match.
int SettingsPageOf();
// Hides every page, then shows page `page` (0 .. kSettingsPageCount - 1); any other index leaves
// all hidden.
void ShowSettingsPage(int page);
// The tree's selection notification.
void OnSettingsTreeChanged();
