// Filling the option panels from the settings and reading them back. The controls are the
// master copy of the settings while the program runs: FillPanels copies the settings into them,
// ReadPanels copies every control back and saves the settings file.
#pragma once

#include <array>

#include "window/settings_pages.h"

// Holds the settings tree's items in tree order, once FillPanels has inserted them.
struct PanelHelper {
  PanelHelper() { treeItems.fill(-1); }
  std::array<int, kSettingsPageCount> treeItems;
};

// The process-wide PanelHelper, created on first use.
PanelHelper& GetPanelHelper();
void DestroyPanelHelper();

// Fills every list and sets every control from the settings, appending to the lists without
// emptying them; inserts the settings tree's items if the tree is empty and selects the first.
void FillPanels();

// Reads every control into the settings, derives the output size, the crop rectangle and the
// copies of the name texts from them, then saves the settings file.
void ReadPanels();
// The crop form of the checked crop radio button: 0 if "しない", else 1 if form 1, else 2.
int ReadCropType();
