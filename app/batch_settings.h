// "--set KEY=VALUE": every setting of the settings files, found by its key, is set through the
// control that carries it, the way a user sets it, so that the panels' correction rules apply;
// a setting that no control shows yet is set directly, within its range.
#pragma once

#include <string>

#include "app/batch_options.h"

class HeadlessControlLayer;

// Checks the key and the form of the value before anything is loaded. Empty when both are
// good; otherwise the error, naming the key.
std::string CheckSettingOverride(const SettingOverride& setting);

// Sets the setting's control: types into its box and moves the focus away, chooses its list
// entry, clicks its check box or radio button, or chooses its folder with the folder button.
// Empty on success; otherwise the error (a value that the control does not offer).
std::string ApplySettingOverride(HeadlessControlLayer& layer, const SettingOverride& setting);

// The output folder, chosen with the folder button as a user chooses it.
void ChooseOutputFolder(HeadlessControlLayer& layer, const std::string& folder);

// One line per settings key with the values it takes, for the help.
std::string DescribeSettingKeys();
