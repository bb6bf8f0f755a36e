#include <array>
#include <cstdint>

#include "panels/crop_rules.h"
#include "panels/fill_and_read_panels.h"
#include "panels/text_rules.h"
#include "resources/control_ids.h"
#include "state/app_state.h"
#include "state/setting_bindings.h"
#include "state/settings_file.h"
#include "ui/control_layer.h"

namespace {

// The crop settings in the order of CropValues.
constexpr std::array<std::int32_t PictureRecord::*, 8> kCropFields = {
    &PictureRecord::CUT_X_1,  &PictureRecord::CUT_Y_1,  &PictureRecord::CUT_X2_1,
    &PictureRecord::CUT_Y2_1, &PictureRecord::CUT_X_2,  &PictureRecord::CUT_Y_2,
    &PictureRecord::CUT_X2_2, &PictureRecord::CUT_Y2_2,
};

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

// The size the output is resized to, by the resize choice.
void DeriveOutputSize(AppState& state) {
  PictureRecord& target = *state.target;
  switch (target.RESIZE_TYPE) {
    case 0:
      target.width = state.source->width;
      target.height = state.source->height;
      break;
    case 1:
      target.width = 640;
      target.height = 480;
      break;
    case 2:
      target.width = 320;
      target.height = 240;
      break;
    default:
      target.width = target.RESIZE_X;
      target.height = target.RESIZE_Y;
      break;
  }
}

// Corrects the crop settings, then takes the rectangle of the chosen crop form; without
// cropping the rectangle stays as it was.
void DeriveCropRectangle(PictureRecord& target) {
  CropValues values{};
  for (std::size_t i = 0; i < kCropFields.size(); ++i) values[i] = target.*kCropFields[i];
  // A rectangle outside the group's range never reaches the conversion.
  values = CheckCropAxes(values);
  for (std::size_t i = 0; i < kCropFields.size(); ++i) target.*kCropFields[i] = values[i];
  if (target.CUT_TYPE == 1) {
    target.cropX = target.CUT_X_1;
    target.cropY = target.CUT_Y_1;
    target.cropWidth = target.CUT_X2_1;
    target.cropHeight = target.CUT_Y2_1;
  } else if (target.CUT_TYPE == 2) {
    target.cropX = target.CUT_X_2;
    target.cropY = target.CUT_Y_2;
    target.cropWidth = target.CUT_X2_2 - target.CUT_X_2;
    target.cropHeight = target.CUT_Y2_2 - target.CUT_Y_2;
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
  DeriveOutputSize(state);
  DeriveCropRectangle(*state.target);
  // The naming rules take the arbitrary name and the sub-folder from their own copies.
  CopyText(paths.outputName, paths.RENAME_NAME);
  CopyText(paths.subFolder, paths.FOLDER_NAME);
  SaveSettings();
}
