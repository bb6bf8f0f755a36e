#include "resources/panel_templates.h"

#include <string_view>

namespace {

using enum ControlKind;
constexpr int kStatic = kNoControlId;
constexpr unsigned kInfoBox = kReadOnly | kRightAligned | kAutoScroll;

constexpr ControlTemplate kInputControls[] = {
    {kStatic, kGroupBox, "１．入力(.bmp, .jpg, .png, .gif) (※1000件まで)", 5, 1, 207, 83, kNoStyle},
    {kInputList, kListBox, "", 8, 11, 189, 56, kNoStyle},
    {kAddOneButton, kPushButton, "一つ追加", 9, 69, 43, 12, kNoStyle},
    {kDeleteOneButton, kPushButton, "一つ削除", 55, 69, 43, 12, kNoStyle},
    {kDeleteAllButton, kPushButton, "全て削除", 101, 69, 43, 12, kNoStyle},
    {kAddFolderButton, kPushButton, "フォルダから追加", 148, 69, 61, 12, kNoStyle},
    {kStatic, kGroupBox, "入力の総サイズ", 215, 1, 195, 25, kNoStyle},
    {kEntryCountBox, kEdit, "", 227, 11, 20, 12, kInfoBox},
    {kStatic, kLabel, "件", 251, 15, 9, 8, kNoStyle},
    {kTotalBytesBox, kEdit, "", 267, 11, 74, 12, kInfoBox},
    {kStatic, kGroupBox, "画像情報(※HTMに変換の場合は表示されません)", 215, 28, 195, 82, kNoStyle},
    {kBeforeBytesBox, kEdit, "", 224, 56, 52, 12, kInfoBox},
    {kAfterBytesBox, kEdit, "", 224, 91, 52, 12, kInfoBox},
    {kStatic, kLabel, "バイト", 278, 61, 19, 8, kNoStyle},
    {kStatic, kLabel, "バイト", 278, 95, 19, 8, kNoStyle},
    {kBeforeWidthBox, kEdit, "", 301, 56, 20, 12, kInfoBox},
    {kStatic, kLabel, "×", 324, 58, 8, 8, kNoStyle},
    {kStatic, kLabel, "拡張子", 360, 59, 25, 8, kNoStyle},
    {kBeforeTypeBox, kEdit, "", 385, 56, 19, 13, kInfoBox},
    {kAfterWidthBox, kEdit, "", 301, 92, 20, 12, kInfoBox},
    {kAfterHeightBox, kEdit, "", 334, 92, 20, 12, kInfoBox},
    {kStatic, kLabel, "×", 324, 94, 8, 8, kNoStyle},
    {kStatic, kLabel, "拡張子", 360, 94, 25, 8, kNoStyle},
    {kStatic, kGroupBox, "２．出力フォルダ", 5, 85, 207, 25, kNoStyle},
    {kOutputFolderBox, kEdit, "", 11, 94, 169, 12, kReadOnly | kAutoScroll},
    {kBrowseFolderButton, kPushButton, "参照", 182, 91, 27, 17, kNoStyle},
    {kCalcTotalButton, kPushButton, "計算", 371, 8, 33, 16, kNoStyle},
    {kBeforeHeightBox, kEdit, "", 334, 56, 20, 12, kInfoBox},
    {kAfterTypeBox, kEdit, "", 385, 92, 19, 13, kInfoBox},
    {kMoveUpButton, kPushButton, "↑", 198, 11, 12, 23, kNoStyle},
    {kMoveDownButton, kPushButton, "↓", 198, 42, 12, 23, kNoStyle},
    {kStatic, kLabel, "バイト", 345, 15, 19, 8, kNoStyle},
    {kBeforeNameBox, kEdit, "", 252, 41, 148, 12, kInfoBox},
    {kAfterNameBox, kEdit, "", 252, 77, 148, 12, kInfoBox},
    {kStatic, kLabel, "変換前", 225, 42, 25, 8, kNoStyle},
    {kStatic, kLabel, "変換後", 225, 79, 25, 8, kNoStyle},
};

constexpr ControlTemplate kFormatControls[] = {
    {kStatic, kGroupBox, "３．拡張子", 5, 3, 90, 35, kNoStyle},
    {kStatic, kGroupBox, "４．リサイズ", 5, 42, 90, 77, kNoStyle},
    {kResizeKeepRadio, kRadioButton, "そのまま", 11, 54, 41, 10, kGroupStart},
    {kResize640Radio, kRadioButton, "640×480", 11, 65, 45, 11, kNoStyle},
    {kResize320Radio, kRadioButton, "320×240", 11, 77, 45, 11, kNoStyle},
    {kResizeUserRadio, kRadioButton, "サイズ指定(1~2500)", 11, 89, 79, 11, kNoStyle},
    {kResizeWidthBox, kEdit, "", 14, 102, 23, 13, kDigitsOnly},
    {kResizeHeightBox, kEdit, "", 49, 102, 23, 13, kDigitsOnly},
    {kStatic, kLabel, "×", 40, 104, 8, 8, kNoStyle},
    {kFormatList, kDropDownList, "", 12, 17, 51, 107, kNoStyle},
    {kStatic, kLabel, "に変換", 68, 21, 23, 8, kNoStyle},
};

constexpr ControlTemplate kTreeControls[] = {
    {kSettingsTree, kTree, "", 3, 12, 66, 132, kNoStyle},
    {kStatic, kGroupBox, "５～．各種設定", 1, 3, 70, 142, kNoStyle},
};

constexpr ControlTemplate kActionControls[] = {
    {kInitialiseButton, kPushButton, "初期化", 0, 5, 43, 35, kNoStyle},
    {kPreviewButton, kPushButton, "プレビュー", 0, 44, 43, 35, kNoStyle},
    {kRunButton, kPushButton, "実行", 0, 83, 43, 35, kNoStyle},
};

constexpr ControlTemplate kBmpControls[] = {
    {kStatic, kGroupBox, "５．BMP(*.bmp, *.BMP) 形式の主な設定", 0, 3, 197, 116, kNoStyle},
    {kStatic, kGroupBox, "カラー設定", 12, 22, 106, 34, kNoStyle},
    {kBmpColourList, kDropDownList, "", 20, 35, 91, 124, kNoStyle},
    {kStatic, kLabel, "RLEとは、Run Length Encordingの略で", 13, 67, 122, 8, kNoStyle},
    {kStatic, kLabel, "圧縮方式の1つです。同一の値が連続", 9, 79, 122, 8, kNoStyle},
    {kStatic, kLabel, "するようなデータの圧縮に効果を発揮します。", 8, 91, 140, 8, kNoStyle},
};

constexpr ControlTemplate kJpgControls[] = {
    {kStatic, kGroupBox, "５．JPG(*.jpg, *.JPG, *.jpeg, *.JPEG) 形式の主な設定", 0, 3, 197, 116,
     kNoStyle},
    {kStatic, kGroupBox, "圧縮率", 7, 18, 51, 31, kNoStyle},
    {kJpgQualityList, kDropDownList, "", 15, 30, 35, 180, kNoStyle},
    {kStatic, kLabel, "０～１００％の間で入力してください。", 67, 19, 115, 8, kNoStyle},
    {kStatic, kLabel, "圧縮率が高いほど画像は劣化しますが", 66, 30, 123, 8, kNoStyle},
    {kStatic, kLabel, "ファイルサイズは小さくなります。", 66, 41, 97, 8, kNoStyle},
    {kStatic, kGroupBox, "表示", 7, 64, 87, 31, kNoStyle},
    {kJpgProgressiveCheck, kCheckBox, "プログレッシブJPEG", 15, 77, 73, 10, kNoStyle},
    {kStatic, kLabel, "最初は粗い画像を表示し", 102, 66, 82, 8, kNoStyle},
    {kStatic, kLabel, "その後、だんだんと細かく表示", 102, 77, 92, 8, kNoStyle},
    {kStatic, kLabel, "させてく方法(Web向け)", 102, 88, 74, 8, kNoStyle},
};

constexpr ControlTemplate kPngControls[] = {
    {kStatic, kGroupBox, "５．PNG(*.png, *.PNG) 形式の主な設定", 0, 3, 197, 116, kNoStyle},
    {kStatic, kGroupBox, "表示", 7, 64, 87, 31, kNoStyle},
    {kPngInterlaceCheck, kCheckBox, "インタレースPNG", 15, 77, 65, 10, kNoStyle},
    {kStatic, kLabel, "最初は粗い画像を表示し", 102, 66, 82, 8, kNoStyle},
    {kStatic, kLabel, "その後、だんだんと細かく表示", 102, 77, 92, 8, kNoStyle},
    {kStatic, kLabel, "させてく方法(Web向け)", 102, 88, 74, 8, kNoStyle},
    {kStatic, kLabel, "※透過ＰＮＧなどはブラウザ(IE)が完全に対応していないため", 5, 23, 187, 8,
     kNoStyle},
    {kStatic, kLabel, "実装をしばらく見合わせます。(IE7.0で対応予定？)", 14, 34, 174, 8, kNoStyle},
};

constexpr ControlTemplate kGifControls[] = {
    {kStatic, kGroupBox, "５．GIF(*.gif, *GIF) 形式の主な設定", 0, 3, 197, 116, kNoStyle},
    {kStatic, kGroupBox, "表示", 7, 14, 87, 35, kNoStyle},
    {kGifInterlaceCheck, kCheckBox, "インタレースGIF", 15, 29, 63, 10, kNoStyle},
    {kStatic, kLabel, "最初は粗い画像を表示し", 107, 19, 82, 8, kNoStyle},
    {kStatic, kLabel, "その後、だんだんと細かく表示", 101, 28, 92, 8, kNoStyle},
    {kStatic, kLabel, "させてく方法(Web向け)", 101, 38, 74, 8, kNoStyle},
    {kGifAnimationCheck, kCheckBox, "アニメーションGIF", 15, 73, 68, 10, kNoStyle},
    {kStatic, kGroupBox, "アニメーション", 7, 57, 97, 56, kNoStyle},
    {kStatic, kLabel, "切替速度", 12, 93, 33, 8, kNoStyle},
    {kGifDelayList, kDropDownList, "", 48, 91, 52, 85, kNoStyle},
    {kStatic, kGroupBox, "透過情報", 108, 83, 85, 30, kNoStyle},
    {kGifTransparencyList, kDropDownList, "", 113, 95, 77, 125, kNoStyle},
    {kStatic, kGroupBox, "ビットの深さ", 108, 51, 85, 30, kNoStyle},
    {kGifBitDepthList, kDropDownList, "", 113, 63, 77, 125, kNoStyle},
};

constexpr ControlTemplate kHtmControls[] = {
    {kStatic, kGroupBox, "５．HTM(*.htm, *.HTM, *.html, *.HTML) 形式の主な設定", 0, 3, 197, 116,
     kNoStyle},
    {kStatic, kGroupBox, "ピクセルの太さ", 6, 18, 72, 35, kNoStyle},
    {kHtmPixelList, kDropDownList, "", 14, 32, 55, 79, kNoStyle},
    {kStatic, kLabel, "画像の色を１ピクセルづつ調べてから、HTMLのテーブルに", 15, 61, 177, 8,
     kNoStyle},
    {kStatic, kLabel, "書き込んでいるので、サイズがでかいと容量がでかく、処理", 9, 74, 181, 8,
     kNoStyle},
    {kStatic, kLabel, "時間が長いので用心が必要です。", 9, 87, 181, 8, kNoStyle},
    {kStatic, kLabel, "<td bgcolor=\"色コード\">←これで1Pixelです。", 24, 102, 145, 8, kNoStyle},
    {kStatic, kLabel, "ピクセルが大きいとサイズも大きくなります。", 85, 20, 102, 18, kNoStyle},
    {kStatic, kLabel, "（3Pixelで60x60のテーブルを作ると180x180のサイズになる。)", 85, 38, 101, 23,
     kNoStyle},
};

constexpr ControlTemplate kWebpControls[] = {
    {kStatic, kGroupBox, "５．WEBP(*.webp, *.WEBP) 形式の主な設定", 0, 3, 197, 116, kNoStyle},
    {kStatic, kGroupBox, "品質", 7, 18, 51, 31, kNoStyle},
    {kWebpQualityList, kDropDownList, "", 15, 30, 35, 180, kNoStyle},
    {kStatic, kLabel, "０～１００の間で選んでください。", 67, 19, 115, 8, kNoStyle},
    {kStatic, kLabel, "品質が高いほど画像はきれいですが", 66, 30, 123, 8, kNoStyle},
    {kStatic, kLabel, "ファイルサイズは大きくなります。", 66, 41, 97, 8, kNoStyle},
    {kStatic, kGroupBox, "圧縮", 7, 64, 87, 31, kNoStyle},
    {kWebpLosslessCheck, kCheckBox, "可逆圧縮", 15, 77, 73, 10, kNoStyle},
    {kStatic, kLabel, "元の画像の色を少しも", 102, 66, 82, 8, kNoStyle},
    {kStatic, kLabel, "変えずに圧縮します。", 102, 77, 92, 8, kNoStyle},
    {kStatic, kLabel, "(品質の設定は使いません)", 102, 88, 90, 8, kNoStyle},
};

constexpr ControlTemplate kAvifControls[] = {
    {kStatic, kGroupBox, "５．AVIF(*.avif, *.AVIF) 形式の主な設定", 0, 3, 197, 116, kNoStyle},
    {kStatic, kGroupBox, "品質", 7, 18, 51, 31, kNoStyle},
    {kAvifQualityList, kDropDownList, "", 15, 30, 35, 180, kNoStyle},
    {kStatic, kLabel, "０～１００の間で選んでください。", 67, 19, 115, 8, kNoStyle},
    {kStatic, kLabel, "品質が高いほど画像はきれいですが", 66, 30, 123, 8, kNoStyle},
    {kStatic, kLabel, "ファイルサイズは大きくなります。", 66, 41, 97, 8, kNoStyle},
    {kStatic, kGroupBox, "速度", 7, 64, 51, 31, kNoStyle},
    {kAvifSpeedList, kDropDownList, "", 15, 76, 35, 120, kNoStyle},
    {kStatic, kLabel, "０(遅い)～９(速い)の間で選んでください。", 67, 65, 128, 8, kNoStyle},
    {kStatic, kLabel, "遅いほどファイルは小さくなりますが", 66, 76, 123, 8, kNoStyle},
    {kStatic, kLabel, "変換に時間がかかります。", 66, 87, 97, 8, kNoStyle},
};

constexpr ControlTemplate kJxlControls[] = {
    {kStatic, kGroupBox, "５．JXL(*.jxl, *.JXL) 形式の主な設定", 0, 3, 197, 116, kNoStyle},
    {kStatic, kGroupBox, "品質", 7, 15, 51, 28, kNoStyle},
    {kJxlQualityList, kDropDownList, "", 15, 26, 35, 180, kNoStyle},
    {kStatic, kLabel, "０～１００の間で選んでください。", 67, 16, 115, 8, kNoStyle},
    {kStatic, kLabel, "品質が高いほど画像はきれいですが", 66, 26, 123, 8, kNoStyle},
    {kStatic, kLabel, "ファイルサイズは大きくなります。", 66, 36, 97, 8, kNoStyle},
    {kStatic, kGroupBox, "圧縮の手間", 7, 46, 51, 28, kNoStyle},
    {kJxlEffortList, kDropDownList, "", 15, 57, 35, 120, kNoStyle},
    {kStatic, kLabel, "１(速い)～９(丁寧)の間で選んでください。", 67, 47, 128, 8, kNoStyle},
    {kStatic, kLabel, "丁寧なほどファイルは小さくなりますが", 66, 57, 128, 8, kNoStyle},
    {kStatic, kLabel, "変換に時間がかかります。", 66, 67, 97, 8, kNoStyle},
    {kJxlLosslessCheck, kCheckBox, "可逆圧縮 (品質の設定は使いません)", 10, 80, 180, 10, kNoStyle},
    {kJxlFromJpegCheck, kCheckBox, "JPEGは劣化なしで再圧縮", 10, 93, 180, 10, kNoStyle},
    {kStatic, kLabel, "(サイズなどを変えないとき、元のJPEGに戻せます)", 20, 104, 174, 8, kNoStyle},
};

constexpr ControlTemplate kAviControls[] = {
    {kStatic, kGroupBox, "５．AVI(*.avi, *AVI) 形式の主な設定", 0, 3, 197, 116, kNoStyle},
};

constexpr ControlTemplate kRenameControls[] = {
    {kStatic, kGroupBox, "７．名前の変更", 0, 3, 197, 116, kNoStyle},
    {kStatic, kGroupBox, "名前の付け方", 6, 13, 185, 35, kNoStyle},
    {kRenameRuleList, kDropDownList, "", 10, 26, 177, 124, kNoStyle},
    {kStatic, kGroupBox, "任意の名前", 6, 82, 88, 30, kNoStyle},
    {kRenameNameBox, kEdit, "", 9, 94, 80, 13, kNoStyle},
    {kStatic, kLabel, "　※空白とか出力できない制御文字は_に置き換えます。", 106, 85, 70, 25,
     kNoStyle},
    {kStatic, kGroupBox, "NumbarとVal", 6, 50, 59, 28, kNoStyle},
    {kRenameNumberBox, kEdit, "", 11, 61, 21, 13, kDigitsOnly},
    {kRenameStepBox, kEdit, "", 39, 61, 21, 13, kDigitsOnly},
    {kStatic, kGroupBox, "拡張子", 71, 50, 102, 28, kNoStyle},
    {kExtensionList, kDropDownList, "", 79, 60, 87, 134, kNoStyle},
};

constexpr ControlTemplate kRegistryControls[] = {
    {kStatic, kGroupBox, "８．レジストリの操作", 0, 3, 197, 116, kNoStyle},
};

constexpr ControlTemplate kFilterControls[] = {
    {kStatic, kGroupBox, "６．フィルタなどの編集", 0, 3, 197, 116, kNoStyle},
    {kStatic, kGroupBox, "フィルタ", 6, 11, 133, 28, kNoStyle},
    {kFilterList, kDropDownList, "", 11, 22, 124, 149, kNoStyle},
    {kStatic, kGroupBox, "角度", 143, 11, 49, 61, kNoStyle},
    {kAngleList, kDropDownList, "", 149, 23, 38, 175, kNoStyle},
    {kStatic, kGroupBox, "切り抜き(※0~2500まで)", 6, 42, 133, 73, kNoStyle},
    {kCropNoneRadio, kRadioButton, "しない", 11, 53, 115, 10, kGroupStart},
    {kCropSizeRadio, kRadioButton, "始点X　始点Y　サイズX　サイズY", 11, 63, 119, 10, kNoStyle},
    {kCropEndRadio, kRadioButton, "始点X　始点Y　終点X　終点Y", 11, 88, 121, 8, kNoStyle},
    {kCropStartX1Box, kEdit, "", 21, 73, 23, 13, kDigitsOnly},
    {kCropStartY1Box, kEdit, "", 48, 73, 23, 13, kDigitsOnly},
    {kCropSizeXBox, kEdit, "", 78, 73, 23, 13, kDigitsOnly},
    {kCropSizeYBox, kEdit, "", 111, 73, 23, 13, kDigitsOnly},
    {kCropStartX2Box, kEdit, "", 21, 98, 23, 13, kDigitsOnly},
    {kCropStartY2Box, kEdit, "", 48, 98, 23, 13, kDigitsOnly},
    {kCropEndXBox, kEdit, "", 78, 98, 23, 13, kDigitsOnly},
    {kCropEndYBox, kEdit, "", 111, 98, 23, 13, kDigitsOnly},
    {kStatic, kLabel, "×", 103, 75, 8, 8, kNoStyle},
    {kStatic, kGroupBox, "空白の色", 143, 40, 49, 32, kNoStyle},
    {kBlankColourList, kDropDownList, "", 149, 52, 38, 175, kNoStyle},
    {kStatic, kLabel, "※空白とは回転時に開いた色のことです。", 143, 78, 51, 26, kNoStyle},
};

constexpr ControlTemplate kOtherControls[] = {
    {kStatic, kGroupBox, "８．その他の設定", 0, 3, 197, 116, kNoStyle},
    {kStatic, kGroupBox, "フォルダ作成 ", 10, 20, 171, 37, kNoStyle},
    {kSubFolderList, kDropDownList, "", 18, 35, 60, 75, kNoStyle},
    {kFolderNameBox, kEdit, "", 85, 35, 89, 13, kAutoScroll},
    {kStatic, kGroupBox, "プレビューの仕方", 10, 64, 171, 37, kNoStyle},
    {kPreviewMethodList, kDropDownList, "", 18, 78, 155, 98, kNoStyle},
};

constexpr ControlTemplate kProgressControls[] = {
    {kStatic, kGroupBox, "", 5, 0, 407, 23, kNoStyle},
    {kBatchProgressBar, kProgressBar, "", 10, 8, 398, 11, kNoStyle},
};

constexpr PanelTemplate kPanels[] = {
    {130, kInputPanel, "InputPanel", 416, 113, DockEdge::kTop, true, true, kInputControls},
    {145, kProgressPanel, "ProgressPanel", 416, 27, DockEdge::kBottom, true, false,
     kProgressControls},
    {131, kFormatPanel, "FormatPanel", 96, 190, DockEdge::kLeft, true, false, kFormatControls},
    {132, kSettingsTreePanel, "SettingsTreePanel", 72, 167, DockEdge::kLeft, true, false,
     kTreeControls},
    {133, kActionPanel, "ActionPanel", 46, 120, DockEdge::kRight, true, false, kActionControls},
    {135, kBmpPage, "BmpPage", 206, 201, DockEdge::kLeft, true, false, kBmpControls},
    {136, kJpgPage, "JpgPage", 206, 201, DockEdge::kLeft, true, false, kJpgControls},
    {137, kPngPage, "PngPage", 206, 201, DockEdge::kLeft, true, false, kPngControls},
    {138, kGifPage, "GifPage", 206, 201, DockEdge::kLeft, true, false, kGifControls},
    {139, kHtmPage, "HtmPage", 206, 201, DockEdge::kLeft, true, false, kHtmControls},
    {146, kWebpPage, "WebpPage", 206, 201, DockEdge::kLeft, true, false, kWebpControls},
    {147, kAvifPage, "AvifPage", 206, 201, DockEdge::kLeft, true, false, kAvifControls},
    {148, kJxlPage, "JxlPage", 206, 201, DockEdge::kLeft, true, false, kJxlControls},
    {141, kRenamePage, "RenamePage", 206, 201, DockEdge::kLeft, true, false, kRenameControls},
    {143, kFilterPage, "FilterPage", 206, 201, DockEdge::kLeft, true, false, kFilterControls},
    {144, kOtherPage, "OtherPage", 206, 201, DockEdge::kLeft, true, false, kOtherControls},
    {140, kAviPage, "AviPage", 206, 201, DockEdge::kLeft, false, false, kAviControls},
    {142, kRegistryPage, "RegistryPage", 206, 201, DockEdge::kLeft, false, false,
     kRegistryControls},
};

// Hidden in this order whenever a settings page is shown.
constexpr int kSettingsPages[] = {kBmpPage,    kJpgPage,    kPngPage,  kGifPage,
                                  kHtmPage,    kWebpPage,   kAvifPage, kJxlPage,
                                  kRenamePage, kFilterPage, kOtherPage};

constexpr ControlTemplate kAboutControls[] = {
    {kStatic, kIcon, "", 8, 8, 21, 20, kNoStyle},
    {kStatic, kLabel, "ヴィンボトラステル２ Version2.00", 38, 10, 108, 8, kNoStyle},
    {kStatic, kLabel, "Copyright (C) 2006 Trastel Project", 38, 22, 108, 8, kNoStyle},
    {kStatic, kGroupBox, "サポート (↓のアドレスクリックでジャンプ)", 6, 35, 139, 48, kNoStyle},
    {kStatic, kLabel, "ホムペ", 12, 45, 40, 8, kNoStyle},
    {kHomePageLink, kLinkText, "→ https://trastel.example.org/", 18, 54, 124, 8, kNoStyle},
    {kStatic, kLabel, "メール", 12, 63, 40, 8, kNoStyle},
    {kMailLink, kLinkText, "→ support@trastel.example.org", 18, 72, 124, 8, kNoStyle},
    {kOkButton, kPushButton, "ok", 50, 87, 50, 14, kDefaultButton},
};

constexpr DialogTemplate kAboutDialog = {100, "バージョン情報 ", 151, 105, kAboutControls, 9};

// The settings beyond the panels', in two columns: how resized pictures keep their shape, the
// JPEG size cap, what a run does with existing outputs and failed pictures, and what outputs
// keep of photos' Exif; then what adding a folder takes, names from the date taken, whether a
// source smaller than its output is kept and the outputs' total; and the estimate of a run
// with these settings.
constexpr ControlTemplate kMoreSettingsControls[] = {
    {kStatic, kGroupBox, "縦横比 (リサイズするとき)", 7, 5, 186, 60, kNoStyle},
    {kShapeStretchRadio, kRadioButton, "伸縮する", 15, 18, 60, 10, kGroupStart},
    {kShapeFitInsideRadio, kRadioButton, "枠に収める", 15, 30, 60, 10, kNoStyle},
    {kShapeLongSideRadio, kRadioButton, "長辺に合わせる", 15, 42, 70, 10, kNoStyle},
    {kNoEnlargeCheck, kCheckBox, "拡大しない", 105, 18, 80, 10, kNoStyle},
    {kStatic, kGroupBox, "JPEG", 7, 70, 186, 38, kNoStyle},
    {kStatic, kLabel, "JPEGのファイルサイズ上限 (KB)", 15, 85, 112, 8, kNoStyle},
    {kJpegMaxKbBox, kEdit, "", 130, 83, 36, 13, kDigitsOnly},
    {kStatic, kLabel, "0 = なし", 15, 94, 60, 8, kNoStyle},
    {kStatic, kGroupBox, "出力ファイル", 7, 113, 186, 58, kNoStyle},
    {kStatic, kLabel, "同じ名前のファイルが出力先にすでにあるとき", 15, 125, 172, 8, kNoStyle},
    {kExistingReplaceRadio, kRadioButton, "置き換える", 20, 137, 55, 10, kGroupStart},
    {kExistingSkipRadio, kRadioButton, "飛ばす", 80, 137, 45, 10, kNoStyle},
    {kExistingNumberRadio, kRadioButton, "番号を付ける", 128, 137, 62, 10, kNoStyle},
    {kKeepDateCheck, kCheckBox, "元の更新日時を付ける", 15, 154, 120, 10, kNoStyle},
    {kStatic, kGroupBox, "変換できない画像があるとき", 7, 176, 186, 28, kNoStyle},
    {kOnErrorStopRadio, kRadioButton, "止める", 15, 188, 45, 10, kGroupStart},
    {kOnErrorContinueRadio, kRadioButton, "続ける (最後に一覧を表示)", 65, 188, 120, 10, kNoStyle},
    {kStatic, kGroupBox, "写真の情報 (Exif: JPEG・PNG・WebP・AVIF・JXL)", 7, 209, 186, 60,
     kNoStyle},
    {kExifNoneRadio, kRadioButton, "残さない", 15, 221, 170, 10, kGroupStart},
    {kExifDateAndCameraRadio, kRadioButton, "日時とカメラだけ残す (位置情報は消す)", 15, 233, 170,
     10, kNoStyle},
    {kExifAllRadio, kRadioButton, "すべて残す (位置情報も残る)", 15, 245, 170, 10, kNoStyle},
    {kStatic, kLabel, "残すときも向きは直し、縮小画像は消します", 15, 257, 170, 8, kNoStyle},
    {kStatic, kGroupBox, "フォルダから追加", 200, 5, 186, 40, kNoStyle},
    {kSubfoldersCheck, kCheckBox, "サブフォルダの画像も追加する", 208, 17, 170, 10, kNoStyle},
    {kKeepTreeCheck, kCheckBox, "出力フォルダの中に元のフォルダ構成を作る", 208, 29, 170, 10,
     kNoStyle},
    {kStatic, kGroupBox, "出力ファイルの名前 (名前を変えないとき)", 200, 50, 186, 52, kNoStyle},
    {kNameAsSourceRadio, kRadioButton, "元の名前", 208, 62, 170, 10, kGroupStart},
    {kNameFromDateRadio, kRadioButton, "撮影日時 (例: 2026-12-09_15-30-00)", 208, 74, 170, 10,
     kNoStyle},
    {kNameFromDateAndSourceRadio, kRadioButton, "撮影日時＋元の名前", 208, 86, 170, 10, kNoStyle},
    {kStatic, kGroupBox, "変換後のほうが大きいとき", 200, 107, 186, 52, kNoStyle},
    {kKeepSmallerOffRadio, kRadioButton, "そのまま保存する", 208, 119, 170, 10, kGroupStart},
    {kKeepSmallerOnRadio, kRadioButton, "元のファイルを使う", 208, 131, 170, 10, kNoStyle},
    {kStatic, kLabel, "同じ形式で、サイズも画素も変えないとき", 208, 145, 170, 8, kNoStyle},
    {kStatic, kGroupBox, "合計の上限 (JPEG・WebP・AVIF)", 200, 164, 186, 38, kNoStyle},
    {kStatic, kLabel, "すべての出力の合計 (MB)", 208, 179, 112, 8, kNoStyle},
    {kBudgetMbBox, kEdit, "", 323, 177, 36, 13, kDigitsOnly},
    {kStatic, kLabel, "0 = なし", 208, 188, 60, 8, kNoStyle},
    {kEstimateButton, kPushButton, "見積もり...", 7, 276, 60, 14, kNoStyle},
    {kOkButton, kPushButton, "OK", 279, 276, 50, 14, kDefaultButton},
    {kCancelButton, kPushButton, "キャンセル", 336, 276, 50, 14, kNoStyle},
};

constexpr DialogTemplate kMoreSettingsBox = {150, "詳細設定", 393, 297, kMoreSettingsControls};

// A preset's name, and whether it keeps the output folder too.
constexpr ControlTemplate kSavePresetControls[] = {
    {kStatic, kLabel, "名前", 7, 9, 30, 8, kNoStyle},
    {kPresetNameBox, kEdit, "", 40, 7, 153, 13, kAutoScroll},
    {kPresetOutputFolderCheck, kCheckBox, "出力フォルダも保存する", 40, 26, 150, 10, kNoStyle},
    {kOkButton, kPushButton, "OK", 86, 44, 50, 14, kDefaultButton},
    {kCancelButton, kPushButton, "キャンセル", 143, 44, 50, 14, kNoStyle},
};

constexpr DialogTemplate kSavePresetBox = {151, "設定を名前を付けて保存", 200, 65,
                                           kSavePresetControls};

constexpr ControlTemplate kRenamePresetControls[] = {
    {kStatic, kLabel, "新しい名前", 7, 9, 45, 8, kNoStyle},
    {kPresetNameBox, kEdit, "", 55, 7, 138, 13, kAutoScroll},
    {kOkButton, kPushButton, "OK", 86, 28, 50, 14, kDefaultButton},
    {kCancelButton, kPushButton, "キャンセル", 143, 28, 50, 14, kNoStyle},
};

constexpr DialogTemplate kRenamePresetBox = {152, "設定の名前の変更", 200, 49,
                                             kRenamePresetControls};

constexpr ControlTemplate kPresetsControls[] = {
    {kPresetList, kListBox, "", 7, 7, 150, 116, kNoStyle},
    {kLoadPresetButton, kPushButton, "読み込む", 165, 7, 58, 14, kNoStyle},
    {kRenamePresetButton, kPushButton, "名前の変更...", 165, 25, 58, 14, kNoStyle},
    {kDeletePresetButton, kPushButton, "削除", 165, 43, 58, 14, kNoStyle},
    {kCancelButton, kPushButton, "閉じる", 165, 109, 58, 14, kNoStyle},
};

constexpr DialogTemplate kPresetsBox = {153, "保存した設定", 230, 130, kPresetsControls};

// The estimate's summary; 詳しく... opens the page of every entry.
constexpr ControlTemplate kEstimateControls[] = {
    {kEstimateSummaryLabel, kLabel, "", 7, 7, 286, 150, kNoStyle},
    {kEstimateDetailsButton, kPushButton, "詳しく...", 186, 163, 50, 14, kNoStyle},
    {kOkButton, kPushButton, "OK", 243, 163, 50, 14, kDefaultButton},
};

constexpr DialogTemplate kEstimateBox = {154, "見積もり", 300, 184, kEstimateControls};

}  // namespace

std::span<const PanelTemplate> PanelTemplates() {
  return kPanels;
}

const PanelTemplate* FindPanelTemplate(int barId) {
  for (const PanelTemplate& panel : kPanels) {
    if (panel.barId == barId) return &panel;
  }
  return nullptr;
}

const ControlTemplate* FindControlTemplate(int barId, int controlId) {
  const PanelTemplate* panel = FindPanelTemplate(barId);
  if (panel == nullptr || controlId == kNoControlId) return nullptr;
  for (const ControlTemplate& control : panel->controls) {
    if (control.id == controlId) return &control;
  }
  return nullptr;
}

std::span<const int> SettingsPageBars() {
  return kSettingsPages;
}

std::vector<const ControlTemplate*> InCreationOrder(std::span<const ControlTemplate> controls) {
  std::vector<const ControlTemplate*> ordered;
  for (bool groupBoxes : {true, false}) {
    for (const ControlTemplate& control : controls) {
      if ((control.kind == ControlKind::kGroupBox) == groupBoxes) ordered.push_back(&control);
    }
  }
  return ordered;
}

std::vector<std::vector<int>> RadioGroups(std::span<const ControlTemplate> controls) {
  std::vector<std::vector<int>> groups;
  for (const ControlTemplate& control : controls) {
    if (control.kind != ControlKind::kRadioButton) continue;
    if ((control.style & kGroupStart) || groups.empty()) groups.emplace_back();
    groups.back().push_back(control.id);
  }
  return groups;
}

const DialogTemplate& AboutDialogTemplate() {
  return kAboutDialog;
}

const DialogTemplate& MoreSettingsDialogTemplate() {
  return kMoreSettingsBox;
}

const DialogTemplate& SavePresetDialogTemplate() {
  return kSavePresetBox;
}

const DialogTemplate& RenamePresetDialogTemplate() {
  return kRenamePresetBox;
}

const DialogTemplate& PresetsDialogTemplate() {
  return kPresetsBox;
}

const DialogTemplate& EstimateDialogTemplate() {
  return kEstimateBox;
}

std::string AboutLinkTarget(const ControlTemplate& link) {
  constexpr std::string_view kArrow = "→ ";
  std::string address = link.text;
  if (address.starts_with(kArrow)) address.erase(0, kArrow.size());
  return link.id == kMailLink ? "mailto:" + address : address;
}
