#include "state/setting_rules.h"

#include <array>

#include "base/show_message.h"
#include "base/text_encoding.h"
#include "resources/control_ids.h"
#include "state/choice_tables.h"
#include "state/crop_rules.h"
#include "state/number_limits.h"
#include "state/text_rules.h"

namespace {

// The crop settings in the order of CropValues.
constexpr std::array<std::int32_t PictureRecord::*, 8> kCropFields = {
    &PictureRecord::CUT_X_1,  &PictureRecord::CUT_Y_1,  &PictureRecord::CUT_X2_1,
    &PictureRecord::CUT_Y2_1, &PictureRecord::CUT_X_2,  &PictureRecord::CUT_Y_2,
    &PictureRecord::CUT_X2_2, &PictureRecord::CUT_Y2_2,
};

std::string SizeOr(std::string_view text, const char* fallback) {
  const std::int32_t value = ParseInt(text);
  return value <= 0 || value > kLargestExtent ? fallback : std::to_string(value);
}

struct BoxRule {
  int controlId;
  std::string (*correct)(std::string_view text);
};

constexpr BoxRule kBoxRules[] = {
    {kResizeWidthBox, [](std::string_view text) { return SizeOr(text, "256"); }},
    {kResizeHeightBox, [](std::string_view text) { return SizeOr(text, "128"); }},
    {kRenameNumberBox, [](std::string_view text) { return std::to_string(ParseInt(text)); }},
    {kRenameStepBox,
     [](std::string_view text) {
       const std::int32_t value = ParseInt(text);
       return value <= 0 ? std::string("1") : std::to_string(value);
     }},
    {kRenameNameBox, [](std::string_view text) { return SanitiseName(text, '_'); }},
    {kFolderNameBox, [](std::string_view text) { return SanitiseName(text, '_'); }},
};

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

std::int32_t ValueAsShown(const SettingBinding& setting, std::int32_t value) {
  switch (setting.kind) {
    case SettingControl::kList: {
      const auto offered = ChoiceTableOf(setting.controlIds[0]).entries.size();
      return value >= 0 && static_cast<std::size_t>(value) < offered ? value : -1;
    }
    case SettingControl::kCheckBox:
      return value != 0 ? 1 : 0;
    case SettingControl::kRadioGroup: {
      const int last = setting.ControlCount() - 1;
      return value >= 0 && value < last ? value : last;
    }
    default:
      return value;
  }
}

std::string TextAsLeft(int controlId, std::string_view text) {
  for (const BoxRule& rule : kBoxRules) {
    if (rule.controlId == controlId) return rule.correct(text);
  }
  return std::string(text);
}

void SetAsTyped(const SettingBinding& setting, AppState& state, std::string_view text) {
  const std::string left = TextAsLeft(setting.controlIds[0], text);
  if (setting.IsNumber()) {
    *setting.NumberIn(state) = ParseInt(left);
  } else {
    setting.StoreText(state, left);
  }
  DeriveSettings(state);
}

void SetAsChosen(const SettingBinding& setting, AppState& state, std::int32_t value) {
  *setting.NumberIn(state) = ValueAsShown(setting, value);
  DeriveSettings(state);
}

bool FitsAsOutputFolder(const std::string& folder) {
  // An output file's path must fit the path limit with at least a one-character name after the
  // folder.
  constexpr std::size_t kLongestFolder = kMaxPathLength - 1;
  if (StoredLength(folder) <= kLongestFolder) return true;
  ShowMessage("[%s]\nはパスが長すぎるため出力先にできません！(%d バイトまでです)",
              PathForMessage(folder).c_str(), static_cast<int>(kLongestFolder));
  return false;
}

void HoldAsPanelsDo(AppState& state) {
  for (const SettingBinding& setting : SettingBindings()) {
    if (setting.OnDialog()) continue;
    if (setting.IsNumber()) {
      *setting.NumberIn(state) = ValueAsShown(setting, *setting.NumberIn(state));
    } else {
      setting.StoreText(state, std::string(setting.TextIn(state)));
    }
  }
  DeriveSettings(state);
}

void DeriveSettings(AppState& state) {
  DeriveOutputSize(state);
  DeriveCropRectangle(*state.target);
  // The naming rules take the arbitrary name and the sub-folder from their own copies.
  CopyText(state.paths->outputName, state.paths->RENAME_NAME);
  CopyText(state.paths->subFolder, state.paths->FOLDER_NAME);
}
