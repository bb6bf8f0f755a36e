#include <cstdint>

#include "controls/control_layer.h"
#include "resources/control_ids.h"
#include "state/app_state.h"
#include "state/setting_bindings.h"
#include "state/setting_rules.h"
#include "state/settings_file.h"
#include "state/text_rules.h"
#include "window/fill_and_read_panels.h"

namespace {

// The position of the first checked button; the last button is not asked, so no checked button
// at all also gives the last position.
int CheckedPosition(const SettingBinding& group) {
  ControlLayer& layer = GetControlLayer();
  const int last = group.ControlCount() - 1;
  for (int position = 0; position < last; ++position) {
    if (layer.GetCheck(group.barId, group.controlIds[position])) return position;
  }
  return last;
}

// Copies the setting's control into its field; a text is cut to what its settings line holds,
// so that every saved file reads back whole.
void ReadSetting(const SettingBinding& setting, AppState& state) {
  if (setting.OnDialog()) return;
  ControlLayer& layer = GetControlLayer();
  const int control = setting.controlIds[0];
  if (!setting.IsNumber()) {
    setting.StoreText(state, layer.GetText(setting.barId, control));
    return;
  }
  std::int32_t& value = *setting.NumberIn(state);
  switch (setting.kind) {
    case SettingControl::kList:
      value = layer.ComboSelection(setting.barId, control);
      break;
    case SettingControl::kCheckBox:
      value = layer.GetCheck(setting.barId, control);
      break;
    case SettingControl::kRadioGroup:
      value = CheckedPosition(setting);
      break;
    default:
      value = ParseInt(layer.GetText(setting.barId, control));
      break;
  }
}

}  // namespace

int ReadCropType() {
  return CheckedPosition(*FindSetting("CUT_TYPE"));
}

void ReadPanels() {
  AppState& state = *GetAppState();
  PathBlock& paths = *state.paths;
  paths.selectedIndex = GetControlLayer().ListSelection(kInputPanel, kInputList);
  for (const SettingBinding& setting : SettingBindings()) ReadSetting(setting, state);
  DeriveSettings(state);
  SaveSettings();
}
