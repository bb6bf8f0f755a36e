// "--set KEY=VALUE": every setting of the settings files, found by its key, is set the way a user
// sets it in the window, so that the panels' correction rules apply (state/setting_rules.h); a
// setting of the 詳細設定 dialog is stored within the values the dialog offers.
#pragma once

#include <string>

#include "app/batch_options.h"

// Checks the key and the form of the value before anything is loaded. Empty when both are
// good; otherwise the error, naming the key.
std::string CheckSettingOverride(const SettingOverride& setting);

// Sets the setting as typing it into its box and leaving the box, choosing its list entry,
// checking its check box or radio button, or choosing its folder with the folder button do.
// Empty on success; otherwise the error (a value that the control does not offer).
std::string ApplySettingOverride(const SettingOverride& setting);

// The output folder, as the folder button takes it.
void ChooseOutputFolder(const std::string& folder);
