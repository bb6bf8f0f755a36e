// What the window tests of both windows show and answer in their dialogs.
#pragma once

#include <string>
#include <vector>

#include "controls/control_layer.h"
#include "resources/control_ids.h"

// The longest summary an estimate gives: every outcome, a budget, and the note.
inline constexpr char kLongestEstimateSummary[] =
    "変換する画像 1000 件\n失敗する画像 1000 件\n失敗で変換が終わるため変換されない画像 1000 件\n"
    "出力先にすでにあるため飛ばす画像 1000 件\n同じ名前があるため番号を付ける画像 1000 件\n"
    "最低の画質でもファイルサイズ上限を超える画像 1000 件\n変換前より大きくなる画像 1000 件\n"
    "変換前の合計 999999.9 MB\n変換後の合計 約 999999.9 MB\n"
    "合計の上限 999999.9 MB のとき: 変換後の合計 約 999999.9 MB、平均の画質 約 100\n\n"
    "「約」の付いたバイト数は画像の一部を変換して予測したものです。\n"
    "大きさ(ピクセル)と名前は実行と同じです。";

// The presets' list as a dialog value, the first entry chosen.
inline std::string ShippedPresetList() {
  return ListBoxValue({{"Web用", "メール添付", "印刷用"}, 0});
}

// The presets' dialog's action as the tests press its buttons: each press is noted by the
// chosen entry; 読み込む closes the dialog, any other button removes the entry.
inline DialogAction NotingListAction(std::vector<std::string>& pressedOn) {
  return [&pressedOn](int button, DialogValues& shown) {
    ListBoxContents list = ListBoxContentsOf(shown[kPresetList]);
    pressedOn.push_back(list.entries[static_cast<std::size_t>(list.selected)]);
    if (button == kLoadPresetButton) return true;
    list.entries.erase(list.entries.begin() + list.selected);
    shown[kPresetList] = ListBoxValue(list);
    return false;
  };
}
