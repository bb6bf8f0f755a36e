// trastel-batch --help's list of the settings keys: what each means, and the values it takes
// with the labels the window shows for them, taken from the controls' own declarations.
#pragma once

#include <string>

// One entry per settings key, wrapped to an 80-column terminal.
std::string DescribeSettingKeys();
