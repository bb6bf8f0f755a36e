// The keyed lines of the settings file, in the order they are written: one table read by the
// writer, the reader and anything that sets a setting by its key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <variant>

#include "state/app_state.h"

using TargetNumber = std::int32_t PictureRecord::*;
using PathsNumber = std::int32_t PathBlock::*;
using PathsText = char (PathBlock::*)[256];

struct SettingKey {
  // The key text as it begins its line, e.g. "#RESIZE_TYPE=".
  const char* key;
  std::variant<TargetNumber, PathsNumber, PathsText> field;
  // The output folder's value stands alone on the line after its key.
  bool valueOnOwnLine = false;

  bool IsNumber() const { return !std::holds_alternative<PathsText>(field); }
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
};

std::span<const SettingKey> SettingKeys();

// The key of that name ("JPG_TYPE"), or null.
const SettingKey* FindSettingKey(std::string_view name);
