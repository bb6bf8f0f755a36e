#include "app/batch_settings.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

#include "state/app_state.h"
#include "state/setting_bindings.h"
#include "state/setting_ranges.h"
#include "state/setting_rules.h"

namespace {

using enum SettingControl;

// A whole decimal number with an optional sign that fits 32 bits, as the settings file holds.
std::optional<std::int32_t> StrictNumber(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  std::int32_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string OutOfRange(const SettingBinding& setting) {
  const std::string name(setting.Name());
  const std::string last = std::to_string(HighestValue(setting));
  return name + " は 0〜" + last + " にしてください / " + name + " takes 0 to " + last;
}

// The dialog's settings have no control in the panels: they are stored directly, within the
// values the dialog offers.
std::string StoreDialogSetting(const SettingBinding& setting, std::int32_t value) {
  if (value < 0 || value > HighestValue(setting)) return OutOfRange(setting);
  *setting.NumberIn(*GetAppState()) = value;
  return {};
}

}  // namespace

std::string CheckSettingOverride(const SettingOverride& setting) {
  const SettingBinding* binding = FindSetting(setting.key);
  if (!binding) return "不明な設定キーです / unknown setting key: " + setting.key;
  if (binding->IsNumber() && !StrictNumber(setting.value)) {
    return setting.key + " の値は数値にしてください / " + setting.key + " needs a number, not \"" +
           setting.value + "\"";
  }
  return {};
}

std::string ApplySettingOverride(const SettingOverride& setting) {
  std::string error = CheckSettingOverride(setting);
  if (!error.empty()) return error;
  const SettingBinding& binding = *FindSetting(setting.key);
  if (binding.OnDialog()) return StoreDialogSetting(binding, *StrictNumber(setting.value));
  AppState& state = *GetAppState();
  switch (binding.kind) {
    case kFolderBox:
      ChooseOutputFolder(setting.value);
      return {};
    case kNameBox:
    case kNumberBox:
      // The whole value, past a box's typing limit: the box's correction judges the number as
      // given (a negative start number keeps all its digits).
      SetAsTyped(binding, state, setting.value);
      return {};
    default:
      break;
  }
  const std::int32_t value = *StrictNumber(setting.value);
  if (value < 0 || value >= ValueCount(binding)) return OutOfRange(binding);
  SetAsChosen(binding, state, value);
  return {};
}

void ChooseOutputFolder(const std::string& folder) {
  if (!FitsAsOutputFolder(folder)) return;
  AppState& state = *GetAppState();
  FindSetting("SAVE")->StoreText(state, folder);
  DeriveSettings(state);
}
