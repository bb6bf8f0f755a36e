#include "app/setting_key_help.h"

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

#include "resources/panel_templates.h"
#include "state/choice_tables.h"
#include "state/setting_bindings.h"
#include "state/setting_ranges.h"

namespace {

using enum SettingControl;

struct KeyMeaning {
  std::string_view name;
  std::string_view meaning;
};

// What each key means, in the window's words and in English; the values and their labels are
// added from the controls.
constexpr KeyMeaning kMeanings[] = {
    {"SAVE", "出力フォルダ / output folder"},
    {"RESIZE_TYPE", "リサイズ / resize"},
    {"RESIZE_X", "サイズ指定の幅 (ピクセル, 1-2500) / width of サイズ指定, in pixels"},
    {"RESIZE_Y", "サイズ指定の高さ (ピクセル, 1-2500) / height of サイズ指定, in pixels"},
    {"DIB_TYPE", "出力形式 / output format"},
    {"BMP_TYPE", "BMP の色 / BMP colours"},
    {"JPG_TYPE", "JPEG の圧縮率 (高いほど小さく粗い) / JPEG compression, higher is smaller"},
    {"JPG_PRO", "JPEG の表示 / JPEG display"},
    {"PNG_PRO", "PNG の表示 / PNG display"},
    {"GIF_PRO", "GIF の表示 / GIF display"},
    {"GIF_ANIMA", "一覧全体で一つのGIF / one animated GIF of the whole list"},
    {"GIF_SPEED", "アニメーションの切替速度 / delay between frames"},
    {"GIF_BIT", "GIF のビットの深さ / GIF bit depth"},
    {"GIF_COLOR", "GIF の透過 / GIF transparency"},
    {"HTM_TYPE", "HTM の1マスの太さ / size of a table-art cell"},
    {"FILTER_TYPE", "フィルタ / filter"},
    {"ANGLE_VAL", "回転の角度 / rotation"},
    {"ANGLE_COLOR", "回転で空いた所の色 / colour of what a rotation uncovers"},
    {"CUT_TYPE", "切り抜き / crop"},
    {"CUT_X_1", "切り抜き1の始点X (ピクセル, 0-2500) / crop 1: left, in pixels"},
    {"CUT_Y_1", "切り抜き1の始点Y (ピクセル, 0-2500) / crop 1: top, in pixels"},
    {"CUT_X2_1", "切り抜き1のサイズX (ピクセル, 1-2500) / crop 1: width"},
    {"CUT_Y2_1", "切り抜き1のサイズY (ピクセル, 1-2500) / crop 1: height"},
    {"CUT_X_2", "切り抜き2の始点X (ピクセル, 0-2500) / crop 2: left, in pixels"},
    {"CUT_Y_2", "切り抜き2の始点Y (ピクセル, 0-2500) / crop 2: top, in pixels"},
    {"CUT_X2_2", "切り抜き2の終点X (ピクセル, 0-2500) / crop 2: right"},
    {"CUT_Y2_2", "切り抜き2の終点Y (ピクセル, 0-2500) / crop 2: bottom"},
    {"RENAME_TYPE", "名前の付け方 / naming rule"},
    {"RENAME_NUM", "最初の番号 (Numbar) / first number"},
    {"RENAME_VAL", "番号の増え方 (Val, 1 以上) / step between numbers, 1 or more"},
    {"RENAME_DIB", "拡張子 / file name extension"},
    {"RENAME_NAME", "名前の付け方 2, 3 の任意の名前 / the name of naming rules 2 and 3"},
    {"FOLDER_TYPE", "出力フォルダの中のサブフォルダ / sub-folder of the output folder"},
    {"FOLDER_NAME", "サブフォルダの名前 / sub-folder name"},
    {"PREVIEW_TYPE", "プレビューの仕方 / preview page"},
    {"RESIZE_FIT", "リサイズするときの縦横比 / shape of a resized picture"},
    {"NO_ENLARGE", "サイズに収まる画像 / pictures within the size"},
    {"JPG_MAX_KB",
     "JPEG のファイルサイズ上限 (KB = 1000 バイト, 0 = なし) / JPEG size cap in KB of "
     "1000 bytes, 0 for none"},
    {"WEBP_QUALITY", "WebP の品質 / WebP quality"},
    {"WEBP_LOSSLESS", "WebP の圧縮 / WebP compression"},
    {"AVIF_QUALITY", "AVIF の品質 / AVIF quality"},
    {"AVIF_SPEED", "AVIF の速度 (0 は遅く小さい) / AVIF speed, 0 the slowest and smallest"},
    {"JXL_QUALITY", "JPEG XL の品質 / JPEG XL quality"},
    {"JXL_EFFORT",
     "JPEG XL の圧縮の手間 (0 = 1 速い … 8 = 9 丁寧) / JPEG XL effort less one, 0 the fastest"},
    {"JXL_LOSSLESS", "JPEG XL の可逆圧縮 / JPEG XL lossless"},
    {"JXL_FROM_JPEG", "JPEG を劣化なしで JPEG XL に再圧縮 / JPEGs recompressed without loss"},
    {"EXISTING", "出力先に同じ名前のファイルがあるとき / an output file there already"},
    {"KEEP_DATE", "出力の更新日時 / outputs' modification time"},
    {"ON_ERROR", "変換できない画像があるとき / a picture that cannot be converted"},
    {"EXIF_KEEP", "写真の情報 (Exif) / what outputs keep of a photo's Exif"},
    {"SUBFOLDERS", "フォルダのサブフォルダの画像 / pictures of a folder's sub-folders"},
    {"KEEP_TREE",
     "出力フォルダの中に元のフォルダ構成を作る / the folders' tree kept in the output folder"},
    {"NAME_FROM_DATE", "出力ファイルの名前 / output names from the date taken"},
    {"KEEP_SMALLER",
     "変換後のほうが大きいとき (同じ形式で画素が同じ) / a source smaller than its output"},
    {"BUDGET_MB",
     "JPEG・WebP・AVIF の出力の合計の上限 (MB = 1000000 バイト, 0 = なし) / the JPEG, WebP or "
     "AVIF outputs' total in MB of 1000000 bytes, 0 for none"},
};

// A list longer than this shows its first two entries and its last.
constexpr std::size_t kListedEntries = 8;
constexpr std::size_t kValueColumn = 17;
// The last column stays free: some terminals wrap a line that fills it.
constexpr std::size_t kLineWidth = 79;

std::string_view MeaningOf(std::string_view name) {
  for (const KeyMeaning& key : kMeanings) {
    if (key.name == name) return key.meaning;
  }
  return {};
}

// Columns a text takes: two for each character beyond ASCII, as Japanese terminals show them.
std::size_t Columns(std::string_view text) {
  std::size_t columns = 0;
  for (const char byte : text) {
    const auto value = static_cast<unsigned char>(byte);
    if (value < 0x80) {
      ++columns;
    } else if ((value & 0xC0) != 0x80) {
      columns += 2;
    }
  }
  return columns;
}

// The text of a radio button or check box, from the panel's or the 詳細設定 dialog's template.
std::string_view LabelOf(const SettingBinding& setting, int controlId) {
  if (!setting.OnDialog()) {
    const ControlTemplate* control = FindControlTemplate(setting.barId, controlId);
    return control ? control->text : "";
  }
  for (const ControlTemplate& control : MoreSettingsDialogTemplate().controls) {
    if (control.id == controlId) return control.text;
  }
  return {};
}

std::string Value(std::size_t value, std::string_view label) {
  return std::to_string(value) + " = " + std::string(label);
}

// "0 = label", one piece per value the key takes; a long list as its first two and its last,
// or as its range when its entries are their numbers.
std::vector<std::string> ValuePieces(const SettingBinding& setting) {
  std::vector<std::string> pieces;
  switch (setting.kind) {
    case kList: {
      const std::vector<std::string>& entries = ChoiceTableOf(setting.controlIds[0]).entries;
      if (entries.size() <= kListedEntries) {
        for (std::size_t i = 0; i < entries.size(); ++i) pieces.push_back(Value(i, entries[i]));
      } else if (entries.back() == std::to_string(entries.size() - 1)) {
        // Entries that are their own numbers (a quality of 0 to 100).
        pieces.push_back("0-" + entries.back());
      } else {
        pieces = {Value(0, entries[0]), Value(1, entries[1]), "…",
                  Value(entries.size() - 1, entries.back())};
      }
      break;
    }
    case kRadioGroup:
      for (int position = 0; position < setting.ControlCount(); ++position) {
        pieces.push_back(Value(position, LabelOf(setting, setting.controlIds[position])));
      }
      break;
    case kCheckBox:
      pieces = {Value(0, "オフ"), Value(1, LabelOf(setting, setting.controlIds[0]))};
      break;
    case kNumberBox:
      if (setting.OnDialog()) pieces.push_back("0-" + std::to_string(HighestValue(setting)));
      break;
    default:
      break;
  }
  // Commas between the values, which labels with blanks in them need.
  for (std::size_t i = 0; i + 1 < pieces.size(); ++i) {
    if (pieces[i] != "…") pieces[i] += ',';
  }
  return pieces;
}

// The meaning's words, split at its blanks.
std::vector<std::string> Words(std::string_view text) {
  std::vector<std::string> words;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t blank = std::min(text.find(' ', start), text.size());
    words.emplace_back(text.substr(start, blank - start));
    start = blank + 1;
  }
  return words;
}

// `head` and the pieces after it, a blank between two, wrapped between whole pieces; the
// lines after the first start at kValueColumn.
std::string Wrapped(std::string head, const std::vector<std::string>& pieces) {
  std::string text = std::move(head);
  std::size_t column = Columns(text);
  bool lineStart = true;
  for (const std::string& piece : pieces) {
    if (!lineStart && column + 1 + Columns(piece) > kLineWidth) {
      text += '\n' + std::string(kValueColumn, ' ');
      column = kValueColumn;
      lineStart = true;
    }
    if (!lineStart) {
      text += ' ';
      ++column;
    }
    text += piece;
    column += Columns(piece);
    lineStart = false;
  }
  return text + '\n';
}

// The key, its meaning, a colon and its values.
std::string KeyEntry(const SettingBinding& setting) {
  std::vector<std::string> pieces = Words(MeaningOf(setting.Name()));
  const std::vector<std::string> values = ValuePieces(setting);
  if (!pieces.empty() && !values.empty()) pieces.back() += ':';
  pieces.insert(pieces.end(), values.begin(), values.end());
  std::string head = "  " + std::string(setting.Name());
  head += std::string(head.size() < kValueColumn ? kValueColumn - head.size() : 1, ' ');
  return Wrapped(std::move(head), pieces);
}

}  // namespace

std::string DescribeSettingKeys() {
  std::string text;
  for (const SettingBinding& setting : SettingBindings()) text += KeyEntry(setting);
  return text;
}
