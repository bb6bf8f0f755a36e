// One declaration per stored setting: its key in the settings file, its field in the state, the
// control that shows it and its default. The settings file's writer and reader, the filling and
// reading of the panels, and setting a value by its key all go through this one table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <variant>

#include "state/app_state.h"

using TargetNumber = std::int32_t PictureRecord::*;
using PathsNumber = std::int32_t PathBlock::*;
using PathsText = char (PathBlock::*)[kPathBufferBytes];

// How a control shows a setting's value.
enum class SettingControl {
  kFolderBox,   // a text box that the folder button beside it fills
  kNameBox,     // a text box holding the text
  kNumberBox,   // a text box holding the number in decimal
  kList,        // a drop-down list; the value is the position of the chosen entry
  kCheckBox,    // 1 when checked
  kRadioGroup,  // the buttons in the order of their values; the value is the checked one's
};

// The file a setting is stored in: Confing.inf, or Trastel.inf beside it for the settings that
// the program has beyond Confing.inf's, so that Confing.inf keeps its lines whatever they hold.
enum class SettingsFile { kMain, kExtras };

struct SettingBinding {
  // The key text as it begins its line, e.g. "#RESIZE_TYPE=".
  const char* key;
  std::variant<TargetNumber, PathsNumber, PathsText> field;
  SettingControl kind;
  int barId = 0;
  // The control; for a radio group its buttons by value, the unused places 0.
  std::array<int, 4> controlIds{};
  std::int32_t defaultNumber = 0;
  // Null for the output folder, whose default is DefaultOutputFolder (base/settings_place.h).
  const char* defaultText = nullptr;
  SettingsFile file = SettingsFile::kMain;
  // For a number of the 詳細設定 dialog: its largest value (the smallest is 0).
  std::int32_t highest = 0;

  bool IsNumber() const { return !std::holds_alternative<PathsText>(field); }
  // True for a setting of the 詳細設定 dialog, false for one of the panels.
  bool OnDialog() const;
  // The output folder's value stands alone on the line after its key.
  bool ValueOnOwnLine() const { return kind == SettingControl::kFolderBox; }
  // The radio group's number of buttons; 1 for the other kinds.
  int ControlCount() const;
  // The setting's name without "#" and "=", e.g. "RESIZE_TYPE".
  std::string_view Name() const;
  std::int32_t* NumberIn(AppState& state) const;
  char* TextIn(AppState& state) const;
  // Bytes of a text value that the file's line holds, so that the reader takes the line whole.
  std::size_t TextCapacity() const;
  // The leading part of `text` that the line holds, cut at a character boundary.
  std::string_view FitText(std::string_view text) const;
  // Stores FitText(text) in the text field.
  void StoreText(AppState& state, std::string_view text) const;
  // Stores the default; the output folder's, which has none here, is left as it is.
  void StoreDefault(AppState& state) const;
};

// Every setting in the order of the settings files' lines, Confing.inf's first.
std::span<const SettingBinding> SettingBindings();

// The setting of that name ("JPG_TYPE"), or null.
const SettingBinding* FindSetting(std::string_view name);

// True when every setting has one value in both pairs of records.
bool SameSettings(const PictureRecord& target, const PathBlock& paths,
                  const PictureRecord& otherTarget, const PathBlock& otherPaths);
