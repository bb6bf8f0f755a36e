// The rules the option panels apply to the settings, in one place for the panels' handlers and
// for trastel-batch, which sets the same settings without any controls: what a stored value
// becomes once its control has shown it, what a box's text becomes when the user leaves the box,
// and what is derived from the settings for the conversion.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "state/app_state.h"
#include "state/setting_bindings.h"

// A stored number as its control reads it back once it has shown it: a list entry the list does
// not offer selects none (-1), a check box is 0 or 1, a radio group without that button reads
// as its last button; a number box keeps it.
std::int32_t ValueAsShown(const SettingBinding& setting, std::int32_t value);

// The text that box `controlId` of the option panels holds once the user leaves it with `text`
// typed in: the width box's 0 or less or above 2500 becomes 256 (the height box's 128), the
// number box shows its value in plain decimal, the step box's 0 or less becomes 1, the name and
// folder name boxes make their text safe with SanitiseName. Other boxes keep what was typed.
std::string TextAsLeft(int controlId, std::string_view text);

// Sets a setting of the panels as the user does: a box's text as TextAsLeft leaves it, a list
// entry, a check box or a radio button as ValueAsShown reads it back. Then derives.
void SetAsTyped(const SettingBinding& setting, AppState& state, std::string_view text);
void SetAsChosen(const SettingBinding& setting, AppState& state, std::int32_t value);

// True when `folder` can be the output folder; false, after the folder button's message, when no
// file could be saved below it within the path limit.
bool FitsAsOutputFolder(const std::string& folder);

// Every setting of the panels as its control holds it once the panels are filled from the
// settings, then derived: what reading the panels back gives right after filling them.
void HoldAsPanelsDo(AppState& state);

// Derives the output size, the crop rectangle (correcting the crop settings first) and the
// copies of the name texts from the settings.
void DeriveSettings(AppState& state);
