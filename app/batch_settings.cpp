#include "app/batch_settings.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

#include "panels/choice_tables.h"
#include "resources/control_ids.h"
#include "state/settings_keys.h"
#include "ui/headless/headless_control_layer.h"

namespace {

// How a user sets the value of a control.
enum class SettingInput {
  kNumberBox,   // types the number and leaves the box
  kNameBox,     // types the text and leaves the box
  kList,        // chooses the entry at the value's position
  kCheckBox,    // clicks the box when it is not as wanted
  kRadioGroup,  // clicks the button at the value's position
  kFolder,      // chooses the folder with the folder button
};

struct SettingControl {
  std::string_view key;
  SettingInput input;
  int barId;
  // The control; for a radio group its buttons in the order of their values.
  std::array<int, 4> controlIds;
};

using enum SettingInput;

constexpr SettingControl kSettingControls[] = {
    {"SAVE", kFolder, kInputPanel, {kBrowseFolderButton}},
    {"RESIZE_TYPE",
     kRadioGroup,
     kFormatPanel,
     {kResizeKeepRadio, kResize640Radio, kResize320Radio, kResizeUserRadio}},
    {"RESIZE_X", kNumberBox, kFormatPanel, {kResizeWidthBox}},
    {"RESIZE_Y", kNumberBox, kFormatPanel, {kResizeHeightBox}},
    {"DIB_TYPE", kList, kFormatPanel, {kFormatList}},
    {"BMP_TYPE", kList, kBmpPage, {kBmpColourList}},
    {"JPG_TYPE", kList, kJpgPage, {kJpgQualityList}},
    {"JPG_PRO", kCheckBox, kJpgPage, {kJpgProgressiveCheck}},
    {"PNG_PRO", kCheckBox, kPngPage, {kPngInterlaceCheck}},
    {"GIF_PRO", kCheckBox, kGifPage, {kGifInterlaceCheck}},
    {"GIF_ANIMA", kCheckBox, kGifPage, {kGifAnimationCheck}},
    {"GIF_SPEED", kList, kGifPage, {kGifDelayList}},
    {"GIF_BIT", kList, kGifPage, {kGifBitDepthList}},
    {"GIF_COLOR", kList, kGifPage, {kGifTransparencyList}},
    {"HTM_TYPE", kList, kHtmPage, {kHtmPixelList}},
    {"FILTER_TYPE", kList, kFilterPage, {kFilterList}},
    {"ANGLE_VAL", kList, kFilterPage, {kAngleList}},
    {"ANGLE_COLOR", kList, kFilterPage, {kBlankColourList}},
    {"CUT_TYPE", kRadioGroup, kFilterPage, {kCropNoneRadio, kCropSizeRadio, kCropEndRadio}},
    {"CUT_X_1", kNumberBox, kFilterPage, {kCropStartX1Box}},
    {"CUT_Y_1", kNumberBox, kFilterPage, {kCropStartY1Box}},
    {"CUT_X2_1", kNumberBox, kFilterPage, {kCropSizeXBox}},
    {"CUT_Y2_1", kNumberBox, kFilterPage, {kCropSizeYBox}},
    {"CUT_X_2", kNumberBox, kFilterPage, {kCropStartX2Box}},
    {"CUT_Y_2", kNumberBox, kFilterPage, {kCropStartY2Box}},
    {"CUT_X2_2", kNumberBox, kFilterPage, {kCropEndXBox}},
    {"CUT_Y2_2", kNumberBox, kFilterPage, {kCropEndYBox}},
    {"RENAME_TYPE", kList, kRenamePage, {kRenameRuleList}},
    {"RENAME_NUM", kNumberBox, kRenamePage, {kRenameNumberBox}},
    {"RENAME_VAL", kNumberBox, kRenamePage, {kRenameStepBox}},
    {"RENAME_DIB", kList, kRenamePage, {kExtensionList}},
    {"RENAME_NAME", kNameBox, kRenamePage, {kRenameNameBox}},
    {"FOLDER_TYPE", kList, kOtherPage, {kSubFolderList}},
    {"FOLDER_NAME", kNameBox, kOtherPage, {kFolderNameBox}},
    {"PREVIEW_TYPE", kList, kOtherPage, {kPreviewMethodList}},
};

const SettingControl* FindSettingControl(std::string_view key) {
  for (const SettingControl& control : kSettingControls) {
    if (control.key == key) return &control;
  }
  return nullptr;
}

bool TakesNumber(const SettingControl& control) {
  return control.input != kNameBox && control.input != kFolder;
}

// A whole decimal number with an optional sign that fits 32 bits, as the settings file holds.
std::optional<std::int32_t> StrictNumber(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  std::int32_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// How many values the control offers: list entries, radio buttons, or two for a check box.
int ValueCount(const SettingControl& control) {
  switch (control.input) {
    case kList:
      return static_cast<int>(ChoiceTableOf(control.controlIds[0]).entries.size());
    case kCheckBox:
      return 2;
    case kRadioGroup: {
      int count = 0;
      for (int id : control.controlIds) count += id != 0 ? 1 : 0;
      return count;
    }
    default:
      return 0;
  }
}

std::string OutOfRange(const SettingControl& control) {
  std::string last = std::to_string(ValueCount(control) - 1);
  return std::string(control.key) + " は 0〜" + last + " にしてください / " +
         std::string(control.key) + " takes 0 to " + last;
}

// Where the focus goes when the user leaves a box: a button without a focus handler.
void LeaveBox(HeadlessControlLayer& layer) {
  layer.Focus(kActionPanel, kRunButton);
}

}  // namespace

std::string CheckSettingOverride(const SettingOverride& setting) {
  const SettingControl* control = FindSettingControl(setting.key);
  if (!control || !FindSettingKey(setting.key)) {
    return "不明な設定キーです / unknown setting key: " + setting.key;
  }
  if (TakesNumber(*control) && !StrictNumber(setting.value)) {
    return setting.key + " の値は数値にしてください / " + setting.key + " needs a number, not \"" +
           setting.value + "\"";
  }
  return {};
}

std::string ApplySettingOverride(HeadlessControlLayer& layer, const SettingOverride& setting) {
  std::string error = CheckSettingOverride(setting);
  if (!error.empty()) return error;
  const SettingControl& control = *FindSettingControl(setting.key);
  const int controlId = control.controlIds[0];
  if (!TakesNumber(control)) {
    if (control.input == kFolder) {
      ChooseOutputFolder(layer, setting.value);
    } else {
      layer.Type(control.barId, controlId, setting.value);
      LeaveBox(layer);
    }
    return {};
  }
  const std::int32_t value = *StrictNumber(setting.value);
  if (control.input == kNumberBox) {
    layer.Type(control.barId, controlId, setting.value);
    LeaveBox(layer);
    return {};
  }
  if (value < 0 || value >= ValueCount(control)) return OutOfRange(control);
  switch (control.input) {
    case kList:
      layer.Choose(control.barId, controlId, value);
      break;
    case kCheckBox:
      if (layer.GetCheck(control.barId, controlId) != value) layer.Click(control.barId, controlId);
      break;
    default:
      layer.Click(control.barId, control.controlIds[value]);
      break;
  }
  return {};
}

void ChooseOutputFolder(HeadlessControlLayer& layer, const std::string& folder) {
  layer.folderChoices.push_back(folder);
  layer.Click(kInputPanel, kBrowseFolderButton);
}

std::string DescribeSettingKeys() {
  constexpr std::size_t kListedEntries = 8;
  std::string text;
  for (const SettingKey& key : SettingKeys()) {
    const SettingControl* control = FindSettingControl(key.Name());
    if (!control) continue;
    constexpr std::size_t kNameColumn = 14;
    const std::string name(key.Name());
    text +=
        "  " + name + std::string(name.size() < kNameColumn ? kNameColumn - name.size() : 1, ' ');
    switch (control->input) {
      case kNumberBox:
        text += "数値 / number";
        break;
      case kNameBox:
        text += "名前 / name";
        break;
      case kFolder:
        text += "フォルダ / folder";
        break;
      default: {
        text += "0-" + std::to_string(ValueCount(*control) - 1);
        if (control->input == kList) {
          const auto& entries = ChoiceTableOf(control->controlIds[0]).entries;
          if (entries.size() <= kListedEntries) {
            for (std::size_t i = 0; i < entries.size(); ++i) {
              text += (i == 0 ? ": " : ", ") + std::to_string(i) + " " + entries[i];
            }
          }
        }
        break;
      }
    }
    text += '\n';
  }
  return text;
}
