#include "window/more_settings.h"

#include <string>

#include "resources/panel_templates.h"
#include "state/setting_ranges.h"
#include "state/settings_file.h"
#include "state/text_rules.h"
#include "window/estimate_command.h"
#include "window/view_operations.h"

namespace {

std::string ValueOf(const DialogValues& values, int controlId) {
  auto found = values.find(controlId);
  return found == values.end() ? std::string() : found->second;
}

}  // namespace

DialogValues MoreSettingsValues(AppState& state) {
  DialogValues values;
  for (const SettingBinding& setting : SettingBindings()) {
    if (!setting.OnDialog()) continue;
    const std::int32_t value = *setting.NumberIn(state);
    switch (setting.kind) {
      case SettingControl::kRadioGroup:
        for (int position = 0; position < setting.ControlCount(); ++position) {
          values[setting.controlIds[position]] = position == value ? "1" : "0";
        }
        break;
      case SettingControl::kCheckBox:
        values[setting.controlIds[0]] = value != 0 ? "1" : "0";
        break;
      default:
        values[setting.controlIds[0]] = std::to_string(value);
        break;
    }
  }
  return values;
}

void StoreMoreSetting(const SettingBinding& setting, const DialogValues& values, AppState& state) {
  std::int32_t& value = *setting.NumberIn(state);
  switch (setting.kind) {
    case SettingControl::kRadioGroup:
      // No button checked keeps the value; the first checked one decides.
      for (int position = 0; position < setting.ControlCount(); ++position) {
        if (ValueOf(values, setting.controlIds[position]) == "1") {
          value = position;
          break;
        }
      }
      break;
    case SettingControl::kCheckBox:
      value = ValueOf(values, setting.controlIds[0]) == "1" ? 1 : 0;
      break;
    default:
      value = WithinRange(setting, ParseInt(ValueOf(values, setting.controlIds[0])));
      break;
  }
}

void OnMoreSettings() {
  AppState& state = *GetAppState();
  DialogValues values = MoreSettingsValues(state);
  // 見積もり... keeps the settings as OK does, then estimates the run with them.
  bool estimate = false;
  auto act = [&estimate](int button, DialogValues&) {
    estimate = button == kEstimateButton;
    return estimate;
  };
  if (!GetControlLayer().ShowDialog(MoreSettingsDialogTemplate(), values, act)) return;
  for (const SettingBinding& setting : SettingBindings()) {
    if (setting.OnDialog()) StoreMoreSetting(setting, values, state);
  }
  SaveSettings();
  // The facts are measured again, as after any change of a control.
  CurrentViewOperations().refreshSelection();
  if (estimate) OnEstimate();
}
