// The values a stored number may take, from the control that shows it: a list's entries, a
// radio group's buttons, a check box's two states, and the 詳細設定 dialog's number box up to its
// `highest`. The reader of Trastel.inf and trastel-batch's --set both hold values to them.
#pragma once

#include <cstdint>

#include "state/setting_bindings.h"

// How many values the control offers: list entries, radio buttons, or two for a check box; 0 for
// a text or number box.
int ValueCount(const SettingBinding& setting);

// The largest value of a choice (list, check box, radio group) or of the dialog's number box;
// the smallest is 0.
std::int32_t HighestValue(const SettingBinding& setting);

// A value read from Trastel.inf, held to its range. A number beyond its box's range is clamped,
// as the dialog's box holds what is typed; a choice outside the offered ones names none of them
// and takes the default, as a missing line does, rather than a guess (EXISTING=99 does not
// become "number the files", nor KEEP_DATE=7 "keep the date").
std::int32_t WithinRange(const SettingBinding& setting, std::int32_t value);
