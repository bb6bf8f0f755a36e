#include "state/settings_keys.h"

#include <cstring>
#include <string>
#include <string_view>

#include "base/text_encoding.h"

namespace {

const SettingKey kSettingKeys[] = {
    {"#SAVE=", &PathBlock::SAVE, true},           {"#RESIZE_TYPE=", &PictureRecord::RESIZE_TYPE},
    {"#RESIZE_X=", &PictureRecord::RESIZE_X},     {"#RESIZE_Y=", &PictureRecord::RESIZE_Y},
    {"#DIB_TYPE=", &PictureRecord::DIB_TYPE},     {"#BMP_TYPE=", &PictureRecord::BMP_TYPE},
    {"#JPG_TYPE=", &PictureRecord::JPG_TYPE},     {"#JPG_PRO=", &PictureRecord::JPG_PRO},
    {"#PNG_PRO=", &PictureRecord::PNG_PRO},       {"#GIF_PRO=", &PictureRecord::GIF_PRO},
    {"#GIF_ANIMA=", &PictureRecord::GIF_ANIMA},   {"#GIF_SPEED=", &PictureRecord::GIF_SPEED},
    {"#GIF_BIT=", &PictureRecord::GIF_BIT},       {"#GIF_COLOR=", &PictureRecord::GIF_COLOR},
    {"#HTM_TYPE=", &PictureRecord::HTM_TYPE},     {"#FILTER_TYPE=", &PictureRecord::FILTER_TYPE},
    {"#ANGLE_VAL=", &PictureRecord::ANGLE_VAL},   {"#ANGLE_COLOR=", &PictureRecord::ANGLE_COLOR},
    {"#CUT_TYPE=", &PictureRecord::CUT_TYPE},     {"#CUT_X_1=", &PictureRecord::CUT_X_1},
    {"#CUT_Y_1=", &PictureRecord::CUT_Y_1},       {"#CUT_X2_1=", &PictureRecord::CUT_X2_1},
    {"#CUT_Y2_1=", &PictureRecord::CUT_Y2_1},     {"#CUT_X_2=", &PictureRecord::CUT_X_2},
    {"#CUT_Y_2=", &PictureRecord::CUT_Y_2},       {"#CUT_X2_2=", &PictureRecord::CUT_X2_2},
    {"#CUT_Y2_2=", &PictureRecord::CUT_Y2_2},     {"#RENAME_TYPE=", &PathBlock::RENAME_TYPE},
    {"#RENAME_NUM=", &PathBlock::RENAME_NUM},     {"#RENAME_VAL=", &PathBlock::RENAME_VAL},
    {"#RENAME_DIB=", &PathBlock::RENAME_DIB},     {"#RENAME_NAME=", &PathBlock::RENAME_NAME},
    {"#FOLDER_TYPE=", &PathBlock::FOLDER_TYPE},   {"#FOLDER_NAME=", &PathBlock::FOLDER_NAME},
    {"#PREVIEW_TYPE=", &PathBlock::PREVIEW_TYPE},
};

}  // namespace

std::string_view SettingKey::Name() const {
  std::string_view text(key);
  return text.substr(1, text.size() - 2);
}

std::int32_t* SettingKey::NumberIn(AppState& state) const {
  if (auto* member = std::get_if<TargetNumber>(&field)) return &((*state.target).*(*member));
  if (auto* member = std::get_if<PathsNumber>(&field)) return &((*state.paths).*(*member));
  return nullptr;
}

char* SettingKey::TextIn(AppState& state) const {
  if (auto* member = std::get_if<PathsText>(&field)) return (*state.paths).*(*member);
  return nullptr;
}

std::size_t SettingKey::TextCapacity() const {
  // The reader takes 255 bytes before the line break at once; a key line spends some of them
  // on its key and the tab.
  constexpr std::size_t kLineBytes = 255;
  return valueOnOwnLine ? kLineBytes : kLineBytes - std::strlen(key) - 1;
}

std::string_view SettingKey::FitText(std::string_view text) const {
  return CutAtCharacterBoundary(text, TextCapacity());
}

void SettingKey::StoreText(AppState& state, std::string_view text) const {
  CopyTextInto(TextIn(state), TextCapacity() + 1, std::string(FitText(text)).c_str());
}

std::span<const SettingKey> SettingKeys() {
  return kSettingKeys;
}

const SettingKey* FindSettingKey(std::string_view name) {
  for (const SettingKey& setting : kSettingKeys) {
    if (setting.Name() == name) return &setting;
  }
  return nullptr;
}
