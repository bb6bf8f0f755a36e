#include "state/setting_bindings.h"

#include <cstring>
#include <string>
#include <string_view>

#include "base/text_encoding.h"
#include "resources/control_ids.h"

namespace {

using enum SettingControl;

const SettingBinding kSettings[] = {
    {"#SAVE=", &PathBlock::SAVE, kFolderBox, kInputPanel, {kOutputFolderBox}},
    {"#RESIZE_TYPE=",
     &PictureRecord::RESIZE_TYPE,
     kRadioGroup,
     kFormatPanel,
     {kResizeKeepRadio, kResize640Radio, kResize320Radio, kResizeUserRadio}},
    {"#RESIZE_X=", &PictureRecord::RESIZE_X, kNumberBox, kFormatPanel, {kResizeWidthBox}, 240},
    {"#RESIZE_Y=", &PictureRecord::RESIZE_Y, kNumberBox, kFormatPanel, {kResizeHeightBox}, 120},
    {"#DIB_TYPE=", &PictureRecord::DIB_TYPE, kList, kFormatPanel, {kFormatList}},
    {"#BMP_TYPE=", &PictureRecord::BMP_TYPE, kList, kBmpPage, {kBmpColourList}},
    {"#JPG_TYPE=", &PictureRecord::JPG_TYPE, kList, kJpgPage, {kJpgQualityList}, 20},
    {"#JPG_PRO=", &PictureRecord::JPG_PRO, kCheckBox, kJpgPage, {kJpgProgressiveCheck}},
    {"#PNG_PRO=", &PictureRecord::PNG_PRO, kCheckBox, kPngPage, {kPngInterlaceCheck}},
    {"#GIF_PRO=", &PictureRecord::GIF_PRO, kCheckBox, kGifPage, {kGifInterlaceCheck}},
    {"#GIF_ANIMA=", &PictureRecord::GIF_ANIMA, kCheckBox, kGifPage, {kGifAnimationCheck}},
    {"#GIF_SPEED=", &PictureRecord::GIF_SPEED, kList, kGifPage, {kGifDelayList}, 2},
    {"#GIF_BIT=", &PictureRecord::GIF_BIT, kList, kGifPage, {kGifBitDepthList}},
    {"#GIF_COLOR=", &PictureRecord::GIF_COLOR, kList, kGifPage, {kGifTransparencyList}},
    {"#HTM_TYPE=", &PictureRecord::HTM_TYPE, kList, kHtmPage, {kHtmPixelList}},
    {"#FILTER_TYPE=", &PictureRecord::FILTER_TYPE, kList, kFilterPage, {kFilterList}},
    {"#ANGLE_VAL=", &PictureRecord::ANGLE_VAL, kList, kFilterPage, {kAngleList}},
    {"#ANGLE_COLOR=", &PictureRecord::ANGLE_COLOR, kList, kFilterPage, {kBlankColourList}},
    {"#CUT_TYPE=",
     &PictureRecord::CUT_TYPE,
     kRadioGroup,
     kFilterPage,
     {kCropNoneRadio, kCropSizeRadio, kCropEndRadio}},
    {"#CUT_X_1=", &PictureRecord::CUT_X_1, kNumberBox, kFilterPage, {kCropStartX1Box}},
    {"#CUT_Y_1=", &PictureRecord::CUT_Y_1, kNumberBox, kFilterPage, {kCropStartY1Box}},
    {"#CUT_X2_1=", &PictureRecord::CUT_X2_1, kNumberBox, kFilterPage, {kCropSizeXBox}, 240},
    {"#CUT_Y2_1=", &PictureRecord::CUT_Y2_1, kNumberBox, kFilterPage, {kCropSizeYBox}, 120},
    {"#CUT_X_2=", &PictureRecord::CUT_X_2, kNumberBox, kFilterPage, {kCropStartX2Box}},
    {"#CUT_Y_2=", &PictureRecord::CUT_Y_2, kNumberBox, kFilterPage, {kCropStartY2Box}},
    {"#CUT_X2_2=", &PictureRecord::CUT_X2_2, kNumberBox, kFilterPage, {kCropEndXBox}, 240},
    {"#CUT_Y2_2=", &PictureRecord::CUT_Y2_2, kNumberBox, kFilterPage, {kCropEndYBox}, 120},
    {"#RENAME_TYPE=", &PathBlock::RENAME_TYPE, kList, kRenamePage, {kRenameRuleList}},
    {"#RENAME_NUM=", &PathBlock::RENAME_NUM, kNumberBox, kRenamePage, {kRenameNumberBox}},
    {"#RENAME_VAL=", &PathBlock::RENAME_VAL, kNumberBox, kRenamePage, {kRenameStepBox}, 1},
    {"#RENAME_DIB=", &PathBlock::RENAME_DIB, kList, kRenamePage, {kExtensionList}},
    {"#RENAME_NAME=",
     &PathBlock::RENAME_NAME,
     kNameBox,
     kRenamePage,
     {kRenameNameBox},
     0,
     "TrastelSan"},
    {"#FOLDER_TYPE=", &PathBlock::FOLDER_TYPE, kList, kOtherPage, {kSubFolderList}},
    {"#FOLDER_NAME=",
     &PathBlock::FOLDER_NAME,
     kNameBox,
     kOtherPage,
     {kFolderNameBox},
     0,
     "トラステル"},
    {"#PREVIEW_TYPE=", &PathBlock::PREVIEW_TYPE, kList, kOtherPage, {kPreviewMethodList}},
    {"#RESIZE_FIT=",
     &PictureRecord::RESIZE_FIT,
     kRadioGroup,
     kMoreSettingsDialog,
     {kShapeStretchRadio, kShapeFitInsideRadio, kShapeLongSideRadio},
     0,
     nullptr,
     SettingsFile::kExtras},
    {"#NO_ENLARGE=",
     &PictureRecord::NO_ENLARGE,
     kCheckBox,
     kMoreSettingsDialog,
     {kNoEnlargeCheck},
     0,
     nullptr,
     SettingsFile::kExtras},
    {"#JPG_MAX_KB=",
     &PictureRecord::JPG_MAX_KB,
     kNumberBox,
     kMoreSettingsDialog,
     {kJpegMaxKbBox},
     0,
     nullptr,
     SettingsFile::kExtras,
     1 << 20},
    {"#WEBP_QUALITY=",
     &PictureRecord::WEBP_QUALITY,
     kList,
     kWebpPage,
     {kWebpQualityList},
     80,
     nullptr,
     SettingsFile::kExtras},
    {"#WEBP_LOSSLESS=",
     &PictureRecord::WEBP_LOSSLESS,
     kCheckBox,
     kWebpPage,
     {kWebpLosslessCheck},
     0,
     nullptr,
     SettingsFile::kExtras},
    {"#AVIF_QUALITY=",
     &PictureRecord::AVIF_QUALITY,
     kList,
     kAvifPage,
     {kAvifQualityList},
     60,
     nullptr,
     SettingsFile::kExtras},
    {"#AVIF_SPEED=",
     &PictureRecord::AVIF_SPEED,
     kList,
     kAvifPage,
     {kAvifSpeedList},
     6,
     nullptr,
     SettingsFile::kExtras},
    {"#JXL_QUALITY=",
     &PictureRecord::JXL_QUALITY,
     kList,
     kJxlPage,
     {kJxlQualityList},
     90,
     nullptr,
     SettingsFile::kExtras},
    {"#JXL_EFFORT=",
     &PictureRecord::JXL_EFFORT,
     kList,
     kJxlPage,
     {kJxlEffortList},
     6,
     nullptr,
     SettingsFile::kExtras},
    {"#JXL_LOSSLESS=",
     &PictureRecord::JXL_LOSSLESS,
     kCheckBox,
     kJxlPage,
     {kJxlLosslessCheck},
     0,
     nullptr,
     SettingsFile::kExtras},
    {"#JXL_FROM_JPEG=",
     &PictureRecord::JXL_FROM_JPEG,
     kCheckBox,
     kJxlPage,
     {kJxlFromJpegCheck},
     1,
     nullptr,
     SettingsFile::kExtras},
    {"#EXISTING=",
     &PictureRecord::EXISTING,
     kRadioGroup,
     kMoreSettingsDialog,
     {kExistingReplaceRadio, kExistingSkipRadio, kExistingNumberRadio},
     0,
     nullptr,
     SettingsFile::kExtras},
    {"#KEEP_DATE=",
     &PictureRecord::KEEP_DATE,
     kCheckBox,
     kMoreSettingsDialog,
     {kKeepDateCheck},
     0,
     nullptr,
     SettingsFile::kExtras},
    {"#ON_ERROR=",
     &PictureRecord::ON_ERROR,
     kRadioGroup,
     kMoreSettingsDialog,
     {kOnErrorStopRadio, kOnErrorContinueRadio},
     0,
     nullptr,
     SettingsFile::kExtras},
    {"#EXIF_KEEP=",
     &PictureRecord::EXIF_KEEP,
     kRadioGroup,
     kMoreSettingsDialog,
     {kExifNoneRadio, kExifDateAndCameraRadio, kExifAllRadio},
     0,
     nullptr,
     SettingsFile::kExtras},
    {"#SUBFOLDERS=",
     &PictureRecord::SUBFOLDERS,
     kCheckBox,
     kMoreSettingsDialog,
     {kSubfoldersCheck},
     0,
     nullptr,
     SettingsFile::kExtras},
    {"#KEEP_TREE=",
     &PictureRecord::KEEP_TREE,
     kCheckBox,
     kMoreSettingsDialog,
     {kKeepTreeCheck},
     0,
     nullptr,
     SettingsFile::kExtras},
    {"#NAME_FROM_DATE=",
     &PictureRecord::NAME_FROM_DATE,
     kRadioGroup,
     kMoreSettingsDialog,
     {kNameAsSourceRadio, kNameFromDateRadio, kNameFromDateAndSourceRadio},
     0,
     nullptr,
     SettingsFile::kExtras},
    {"#KEEP_SMALLER=",
     &PictureRecord::KEEP_SMALLER,
     kRadioGroup,
     kMoreSettingsDialog,
     {kKeepSmallerOffRadio, kKeepSmallerOnRadio},
     0,
     nullptr,
     SettingsFile::kExtras},
    {"#BUDGET_MB=",
     &PictureRecord::BUDGET_MB,
     kNumberBox,
     kMoreSettingsDialog,
     {kBudgetMbBox},
     0,
     nullptr,
     SettingsFile::kExtras,
     1 << 20},
};

}  // namespace

bool SettingBinding::OnDialog() const {
  return barId == kMoreSettingsDialog;
}

int SettingBinding::ControlCount() const {
  int count = 0;
  while (count < static_cast<int>(controlIds.size()) && controlIds[count] != 0) ++count;
  return count;
}

std::string_view SettingBinding::Name() const {
  std::string_view text(key);
  return text.substr(1, text.size() - 2);
}

std::int32_t* SettingBinding::NumberIn(AppState& state) const {
  if (auto* member = std::get_if<TargetNumber>(&field)) return &((*state.target).*(*member));
  if (auto* member = std::get_if<PathsNumber>(&field)) return &((*state.paths).*(*member));
  return nullptr;
}

char* SettingBinding::TextIn(AppState& state) const {
  if (auto* member = std::get_if<PathsText>(&field)) return (*state.paths).*(*member);
  return nullptr;
}

std::size_t SettingBinding::TextCapacity() const {
  // A line of the file holds 255 bytes before its line break, as Japanese Windows stores them;
  // a key line spends some of them on its key and the tab.
  constexpr std::size_t kLineLength = 255;
  return ValueOnOwnLine() ? kLineLength : kLineLength - std::strlen(key) - 1;
}

std::string_view SettingBinding::FitText(std::string_view text) const {
  return CutToStoredLength(text, TextCapacity());
}

void SettingBinding::StoreText(AppState& state, std::string_view text) const {
  CopyTextInto(TextIn(state), kPathBufferBytes, std::string(FitText(text)).c_str());
}

void SettingBinding::StoreDefault(AppState& state) const {
  if (IsNumber()) {
    *NumberIn(state) = defaultNumber;
  } else if (defaultText != nullptr) {
    StoreText(state, defaultText);
  }
}

std::span<const SettingBinding> SettingBindings() {
  return kSettings;
}

const SettingBinding* FindSetting(std::string_view name) {
  for (const SettingBinding& setting : kSettings) {
    if (setting.Name() == name) return &setting;
  }
  return nullptr;
}

bool SameSettings(const PictureRecord& target, const PathBlock& paths,
                  const PictureRecord& otherTarget, const PathBlock& otherPaths) {
  for (const SettingBinding& setting : kSettings) {
    if (auto* member = std::get_if<TargetNumber>(&setting.field)) {
      if (target.*(*member) != otherTarget.*(*member)) return false;
    } else if (auto* member = std::get_if<PathsNumber>(&setting.field)) {
      if (paths.*(*member) != otherPaths.*(*member)) return false;
    } else if (auto* member = std::get_if<PathsText>(&setting.field)) {
      if (std::strcmp(paths.*(*member), otherPaths.*(*member)) != 0) return false;
    }
  }
  return true;
}
