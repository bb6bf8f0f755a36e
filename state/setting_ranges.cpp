#include "state/setting_ranges.h"

#include <algorithm>

#include "state/choice_tables.h"

int ValueCount(const SettingBinding& setting) {
  switch (setting.kind) {
    case SettingControl::kList:
      return static_cast<int>(ChoiceTableOf(setting.controlIds[0]).entries.size());
    case SettingControl::kCheckBox:
      return 2;
    case SettingControl::kRadioGroup:
      return setting.ControlCount();
    default:
      return 0;
  }
}

std::int32_t HighestValue(const SettingBinding& setting) {
  return setting.kind == SettingControl::kNumberBox ? setting.highest : ValueCount(setting) - 1;
}

std::int32_t WithinRange(const SettingBinding& setting, std::int32_t value) {
  if (setting.kind == SettingControl::kNumberBox) return std::clamp(value, 0, setting.highest);
  return value >= 0 && value <= HighestValue(setting) ? value : setting.defaultNumber;
}
