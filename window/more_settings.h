// The 詳細設定 dialog (ファイル > 詳細設定...): the settings of the binding table that live on it,
// shown in its controls, stored on OK and left as they were on キャンセル.
#pragma once

#include <cstdint>

#include "controls/control_layer.h"
#include "state/app_state.h"
#include "state/setting_bindings.h"

// The controls' values for the settings as `state` holds them.
DialogValues MoreSettingsValues(AppState& state);
// Stores the setting's value as the dialog's controls left it, a number held to 0..highest.
void StoreMoreSetting(const SettingBinding& setting, const DialogValues& values, AppState& state);
// Opens the dialog; on OK stores its settings, saves them and refreshes the facts.
void OnMoreSettings();
