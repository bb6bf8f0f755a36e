#include "state/choice_tables.h"

#include <cstdlib>

#include "controls/control_layer.h"
#include "resources/control_ids.h"
#include "state/output_formats.h"

namespace {

// Entries counted in a loop: for i below `count`, the decimal form of `step * i` and `unit`.
std::vector<std::string> Counted(int count, int step, const char* unit) {
  std::vector<std::string> entries;
  entries.reserve(count);
  for (int i = 0; i < count; ++i) entries.push_back(std::to_string(i * step) + unit);
  return entries;
}

// The written output formats, by their type names.
std::vector<std::string> FormatEntries() {
  std::vector<std::string> entries;
  for (std::size_t i = 0; i < WrittenFormatCount(); ++i) {
    entries.push_back(std::string(kOutputFormats[i].typeName) + "形式");
  }
  return entries;
}

std::vector<ChoiceTable> BuildTables() {
  return {
      {kFormatPanel, kFormatList, FormatEntries()},
      {kBmpPage,
       kBmpColourList,
       {"２４ビットに変換", "１６ビットに変換", "８ビットに変換", "８ビット＋ＲＬＥに変換"}},
      {kJpgPage, kJpgQualityList, Counted(101, 1, "%")},
      {kWebpPage, kWebpQualityList, Counted(101, 1, "")},
      {kAvifPage, kAvifQualityList, Counted(101, 1, "")},
      {kAvifPage, kAvifSpeedList, Counted(10, 1, "")},
      {kJxlPage, kJxlQualityList, Counted(101, 1, "")},
      // Efforts 1 to 9, held as their place in the list as every list's setting is.
      {kJxlPage, kJxlEffortList, {"1", "2", "3", "4", "5", "6", "7", "8", "9"}},
      {kHtmPage,
       kHtmPixelList,
       {"１ピクセル", "２ピクセル", "３ピクセル", "４ピクセル", "５ピクセル"}},
      {kGifPage, kGifBitDepthList, {"色の数に合わせる"}},
      {kGifPage, kGifTransparencyList, {"透過させない", "白色を透過させる", "黒色を透過させる"}},
      {kGifPage, kGifDelayList, Counted(200, 10, "ms")},
      {kFilterPage, kAngleList, Counted(361, 1, "度")},
      {kFilterPage,
       kFilterList,
       {"なし", "グレイスケール", "ネガポジ反転", "セピア調", "くっきり", "ぼんやり",
        "(0,0)の色は白、以外を黒でマスク", "(0,0)の色は黒、以外を白でマスク"}},
      {kFilterPage, kBlankColourList, {"白色", "黒色", "桃色", "赤色", "緑色", "青色"}},
      {kRenamePage,
       kRenameRuleList,
       {"変えない(同名の名前(拡張子を含む)は上書き)", "NumbarからValを足してゆく値",
        "NumbarからValを足してゆく値 + 任意の名前", "任意の名前 + NumbarからValを足してゆく値"}},
      {kRenamePage, kExtensionList, {"小文字でつける", "大文字でつける", "つけない"}},
      {kOtherPage, kSubFolderList, {"作らない", "作る"}},
      {kOtherPage,
       kPreviewMethodList,
       {"ブラウザでプレビュー(ノーマル)", "ブラウザでプレビュー(要:AcitiveX有効)"}},
  };
}

const std::vector<ChoiceTable>& Tables() {
  static const std::vector<ChoiceTable> tables = BuildTables();
  return tables;
}

}  // namespace

std::span<const ChoiceTable> ChoiceTables() {
  return Tables();
}

const ChoiceTable& ChoiceTableOf(int controlId) {
  for (const ChoiceTable& table : Tables()) {
    if (table.controlId == controlId) return table;
  }
  // Only the lists declared above are ever asked for; anything else is a programming error.
  std::abort();
}

void AppendChoices(int controlId) {
  const ChoiceTable& table = ChoiceTableOf(controlId);
  for (const std::string& entry : table.entries) {
    GetControlLayer().ComboAppend(table.barId, table.controlId, entry);
  }
}
