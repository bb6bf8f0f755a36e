// The native window's control layer on real (hidden) windows: the layout at 96 DPI and the
// behaviour of the Windows controls that the program relies on. Without a display no window can
// be created and every test fails.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/program_folder.h"
#include "controls/control_layer.h"
#include "controls/panel_layout.h"
#include "resources/control_ids.h"
#include "resources/panel_templates.h"
#include "state/app_state.h"
#include "state/choice_tables.h"
#include "tests/support/dialog_answers.h"
#include "tests/support/unique_folder.h"
#include "tests/win32/win32_driver.h"
#include "win32/about_dialog.h"
#include "win32/main_window.h"
#include "window/fill_and_read_panels.h"
#include "window/input_list.h"
#include "window/picture_facts.h"
#include "window/settings_pages.h"
#include "window/view_dispatch.h"

namespace {

namespace fs = std::filesystem;

class Win32WindowTest : public testing::Test {
 protected:
  void SetUp() override {
    window_ = MainWindow::Create(nullptr);
    ASSERT_NE(window_, nullptr) << "the main window could not be created (no display?)";
    GetControlLayer().SetEventSink([this](const ControlEvent& event) { events_.push_back(event); });
  }
  void TearDown() override {
    GetControlLayer().SetEventSink(nullptr);
    window_.reset();
    // The quit message the closed window left would end a later message loop.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
  }

  HWND Panel(int barId) const { return GetDlgItem(window_->Handle(), barId); }
  HWND Control(int barId, int controlId) const { return GetDlgItem(Panel(barId), controlId); }
  int EventCount(Notification notification) const {
    int count = 0;
    for (const ControlEvent& event : events_) count += event.notification == notification;
    return count;
  }

  std::unique_ptr<MainWindow> window_;
  std::vector<ControlEvent> events_;
  ControlLayer& layer() const { return GetControlLayer(); }
};

RECT ScreenRect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

bool Inside(const RECT& outer, const RECT& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

TEST_F(Win32WindowTest, EveryPanelAndControlLiesInsideTheClientArea) {
  HWND main = window_->Handle();
  RECT client{};
  GetClientRect(main, &client);
  EXPECT_EQ(client.right, kClientWidth);
  EXPECT_EQ(client.bottom, kClientHeight);
  MapWindowPoints(main, nullptr, reinterpret_cast<POINT*>(&client), 2);
  for (const PanelTemplate& panel : PanelTemplates()) {
    EXPECT_EQ(Panel(panel.barId) != nullptr, panel.created) << panel.name;
    if (!panel.created) continue;
    RECT panelRect = ScreenRect(Panel(panel.barId));
    EXPECT_TRUE(Inside(client, panelRect)) << panel.name;
    int controls = 0;
    for (HWND child = GetWindow(Panel(panel.barId), GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT), ++controls) {
      EXPECT_TRUE(Inside(panelRect, ScreenRect(child)))
          << panel.name << " control " << GetDlgCtrlID(child);
    }
    EXPECT_EQ(controls, static_cast<int>(panel.controls.size())) << panel.name;
  }
  // One settings page at a time.
  EXPECT_TRUE(IsWindowVisible(Panel(kBmpPage)) || !IsWindowVisible(main));
  EXPECT_TRUE(layer().IsPanelVisible(kBmpPage));
  EXPECT_FALSE(layer().IsPanelVisible(kJpgPage));
}

TEST_F(Win32WindowTest, MovingToAMonitorOfAnotherResolutionScalesTheWindow) {
  HWND main = window_->Handle();
  RECT suggested{0, 0, 1000, 800};
  SendMessageW(main, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  RECT client{};
  GetClientRect(main, &client);
  EXPECT_EQ(client.right, kClientWidth * 3 / 2);
  EXPECT_EQ(client.bottom, kClientHeight * 3 / 2);
  RECT progress{};
  GetClientRect(Panel(kProgressPanel), &progress);
  MapWindowPoints(Panel(kProgressPanel), main, reinterpret_cast<POINT*>(&progress), 2);
  EXPECT_EQ(progress.right, client.right);
  EXPECT_EQ(progress.bottom, client.bottom);
  // The new font keeps the edit boxes' room for their text.
  EXPECT_EQ(SendMessageW(Control(kInputPanel, kAfterTypeBox), EM_GETMARGINS, 0, 0), 0);
}

TEST_F(Win32WindowTest, InformationBoxesShowTheirLongestTextsWhole) {
  struct Shown {
    int controlId;
    const char* text;
  };
  for (auto [controlId, text] :
       {Shown{kAfterTypeBox, "BMP"}, Shown{kAfterTypeBox, "HTM"}, Shown{kBeforeTypeBox, "JPG"},
        Shown{kBeforeTypeBox, "WEBP"}, Shown{kEntryCountBox, "1000"}, Shown{kAfterWidthBox, "2500"},
        Shown{kAfterBytesBox, "計測中…"}}) {
    HWND box = Control(kInputPanel, controlId);
    layer().SetText(kInputPanel, controlId, text);
    HDC context = GetDC(box);
    HGDIOBJ previous =
        SelectObject(context, reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0)));
    SIZE extent{};
    wchar_t wide[16];
    const int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, 16) - 1;
    GetTextExtentPoint32W(context, wide, length, &extent);
    SelectObject(context, previous);
    ReleaseDC(box, context);
    RECT client{};
    GetClientRect(box, &client);
    auto margins = static_cast<DWORD>(SendMessageW(box, EM_GETMARGINS, 0, 0));
    EXPECT_LE(extent.cx, client.right - LOWORD(margins) - HIWORD(margins)) << text;
  }
}

// The width of `text` in the font of `window`.
// The room the text takes in the window's font, its lines one under the other.
SIZE TextExtent(HWND window, const std::wstring& text) {
  HDC context = GetDC(window);
  HGDIOBJ previous =
      SelectObject(context, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
  RECT room{};
  DrawTextW(context, text.c_str(), static_cast<int>(text.size()), &room, DT_CALCRECT | DT_NOPREFIX);
  SelectObject(context, previous);
  ReleaseDC(window, context);
  return {room.right, room.bottom};
}

int TextWidth(HWND window, const std::wstring& text) {
  return TextExtent(window, text).cx;
}

std::string Utf8Of(const std::wstring& text) {
  std::string utf8(text.size() * 3 + 1, '\0');
  utf8.resize(static_cast<std::size_t>(WideCharToMultiByte(
      CP_UTF8, 0, text.c_str(), -1, utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr)));
  if (!utf8.empty()) utf8.pop_back();
  return utf8;
}

std::wstring WindowTextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), text.size())));
  return text;
}

// Calls `visit` with every control of every created panel.
void ForEachPanelControl(HWND main, const std::function<void(const PanelTemplate&, HWND)>& visit) {
  for (const PanelTemplate& panel : PanelTemplates()) {
    if (!panel.created) continue;
    for (HWND child = GetWindow(GetDlgItem(main, panel.barId), GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
      visit(panel, child);
    }
  }
}

// The group captions and the entries of closed drop-down lists that their window does not show
// whole at the window's resolution.
std::vector<std::string> CutCaptionsAndEntries(HWND main) {
  std::vector<std::string> cut;
  const UINT dpi = GetDpiForWindow(main);
  ForEachPanelControl(main, [&](const PanelTemplate& panel, HWND child) {
    wchar_t className[16] = {};
    GetClassNameW(child, className, 16);
    std::vector<std::wstring> texts;
    int room = 0;
    if (std::wstring(className) == L"ComboBox") {
      COMBOBOXINFO info{};
      info.cbSize = sizeof info;
      GetComboBoxInfo(child, &info);
      room = info.rcItem.right - info.rcItem.left;
      for (int index = 0; index < SendMessageW(child, CB_GETCOUNT, 0, 0); ++index) {
        std::wstring entry(SendMessageW(child, CB_GETLBTEXTLEN, index, 0) + 1, L'\0');
        entry.resize(
            SendMessageW(child, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(entry.data())));
        texts.push_back(entry);
      }
    } else if (std::wstring(className) == L"Button" &&
               (GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX) {
      RECT client{};
      GetClientRect(child, &client);
      // The frame's corner and a gap on either side of the caption.
      room = client.right - MulDiv(12, dpi, 96);
      texts.push_back(WindowTextOf(child));
    }
    for (const std::wstring& text : texts) {
      if (TextWidth(child, text) > room) {
        cut.push_back(std::string(panel.name) + ": " + Utf8Of(text));
      }
    }
  });
  return cut;
}

// False for a label, check box or radio button that does not hold its text whole at `dpi`: the
// text wrapped at the width it has must fit its height.
bool HoldsItsText(HWND child, UINT dpi) {
  wchar_t className[16] = {};
  GetClassNameW(child, className, 16);
  const LONG style = GetWindowLongW(child, GWL_STYLE);
  const LONG type = style & BS_TYPEMASK;
  const bool label = std::wstring(className) == L"Static" && (style & SS_TYPEMASK) != SS_ICON;
  const bool button = std::wstring(className) == L"Button" &&
                      (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
                       type == BS_AUTORADIOBUTTON);
  const std::wstring text = WindowTextOf(child);
  if ((!label && !button) || text.empty()) return true;
  RECT client{};
  GetClientRect(child, &client);
  // A check box's box and the gap before its text.
  const int room = client.right - (button ? MulDiv(18, dpi, 96) : 0);
  HDC context = GetDC(child);
  HGDIOBJ previous =
      SelectObject(context, reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)));
  RECT needed{0, 0, room, 0};
  DrawTextW(context, text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK);
  SelectObject(context, previous);
  ReleaseDC(child, context);
  return needed.right <= room && needed.bottom <= client.bottom;
}

bool IsGroupBox(HWND window) {
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  return std::wstring(className) == L"Button" &&
         (GetWindowLongW(window, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

// True for a control with a text that starts inside a group box and runs over its frame.
bool RunsOverAFrame(HWND child) {
  if (IsGroupBox(child) || WindowTextOf(child).empty()) return false;
  RECT place{};
  GetWindowRect(child, &place);
  for (HWND group = GetWindow(GetParent(child), GW_CHILD); group != nullptr;
       group = GetWindow(group, GW_HWNDNEXT)) {
    RECT frame{};
    GetWindowRect(group, &frame);
    // The frame's line is the rectangle's outermost pixels.
    const bool starts = place.left > frame.left && place.left < frame.right &&
                        place.top > frame.top && place.top < frame.bottom;
    if (IsGroupBox(group) && starts &&
        (place.right > frame.right - 1 || place.bottom > frame.bottom - 1)) {
      return true;
    }
  }
  return false;
}

// The texts of a dialog that their windows do not show whole, and the height of its labels'
// font; read while the dialog is open, from a timer of its modal loop, which then takes a
// screenshot when asked and closes it.
struct DialogLook {
  std::wstring title;
  std::filesystem::path shot;
  std::vector<std::string> cut;
  LONG fontHeight = 0;
  bool shotSaved = false;
};
DialogLook lookedAt;

void CALLBACK LookAtDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  HWND box = FindWindowW(L"#32770", lookedAt.title.c_str());
  if (box == nullptr) return;
  const UINT dpi = GetDpiForWindow(box);
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t className[16] = {};
    GetClassNameW(child, className, 16);
    const bool group = std::wstring(className) == L"Button" &&
                       (GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
    const std::wstring text = WindowTextOf(child);
    RECT client{};
    GetClientRect(child, &client);
    const bool label = std::wstring(className) == L"Static" && !text.empty();
    // Labels as high as their lines, captions over their frame's corners, check boxes as on
    // the panels.
    const bool cut =
        label ? TextWidth(child, text) > client.right || TextExtent(child, text).cy > client.bottom
        : group ? TextWidth(child, text) > client.right - MulDiv(12, dpi, 96)
                : !HoldsItsText(child, dpi);
    if (cut) lookedAt.cut.push_back(Utf8Of(text));
    if (RunsOverAFrame(child)) lookedAt.cut.push_back(Utf8Of(text) + " (over a frame)");
    if (label) {
      LOGFONTW font{};
      GetObjectW(reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)), sizeof font,
                 &font);
      lookedAt.fontHeight = font.lfHeight;
    }
  }
  if (!lookedAt.shot.empty()) {
    std::filesystem::create_directories(lookedAt.shot.parent_path());
    lookedAt.shotSaved = win32_driver::SaveScreenshot(box, lookedAt.shot);
  }
  EndDialog(box, IDCANCEL);
}

TEST_F(Win32WindowTest, TheAboutBoxShowsItsTextsWholeInItsNinePointFont) {
  lookedAt = {};
  lookedAt.title = L"バージョン情報 ";
  SetTimer(nullptr, 0, 300, LookAtDialog);
  ShowAboutDialog(window_->Handle());
  EXPECT_EQ(lookedAt.cut, std::vector<std::string>{});
  EXPECT_EQ(lookedAt.fontHeight, -MulDiv(9, GetDpiForWindow(window_->Handle()), 72));
}

// The 詳細設定, presets' and estimate's dialogs at the desktop's scale: every text whole, and a
// screenshot of each for a look.
TEST_F(Win32WindowTest, TheSettingsDialogsShowTheirTextsWhole) {
  const std::string dpi = std::to_string(GetDpiForWindow(window_->Handle()));
  const struct {
    const DialogTemplate& declaration;
    const wchar_t* title;
    const char* shot;
  } dialogs[] = {
      {MoreSettingsDialogTemplate(), L"詳細設定", "more-settings"},
      {SavePresetDialogTemplate(), L"設定を名前を付けて保存", "save-preset"},
      {RenamePresetDialogTemplate(), L"設定の名前の変更", "rename-preset"},
      {PresetsDialogTemplate(), L"保存した設定", "presets"},
      {EstimateDialogTemplate(), L"見積もり", "estimate"},
  };
  for (const auto& dialog : dialogs) {
    lookedAt = {};
    lookedAt.title = dialog.title;
    lookedAt.shot = std::filesystem::absolute(TRASTEL_ARTIFACT_DIR) /
                    (std::string(dialog.shot) + "-win32-" + dpi + "dpi.png");
    SetTimer(nullptr, 0, 300, LookAtDialog);
    DialogValues values{{kPresetNameBox, "旅行&家族"},
                        {kPresetList, ShippedPresetList()},
                        {kEstimateSummaryLabel, kLongestEstimateSummary}};
    GetControlLayer().ShowDialog(dialog.declaration, values);
    EXPECT_EQ(lookedAt.cut, std::vector<std::string>{}) << dialog.shot;
    EXPECT_TRUE(lookedAt.shotSaved) << dialog.shot;
  }
}

// Presses, from a timer of the presets' dialog's loop, 削除 on its second entry and then
// 読み込む on its first, counting the list's entries between.
int countAfterDelete = -1;
void CALLBACK PressListButtons(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  HWND box = FindWindowW(L"#32770", L"保存した設定");
  if (box == nullptr) return;
  HWND list = GetDlgItem(box, kPresetList);
  auto press = [box](int button) {
    SendMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
  };
  SendMessageW(list, LB_SETCURSEL, 1, 0);
  press(kDeletePresetButton);
  countAfterDelete = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
  SendMessageW(list, LB_SETCURSEL, 0, 0);
  press(kLoadPresetButton);
}

TEST_F(Win32WindowTest, ADialogsButtonActsOnItsListWhileItStaysAndLoadingClosesIt) {
  DialogValues values{{kPresetList, ShippedPresetList()}};
  std::vector<std::string> acted;
  const DialogAction act = NotingListAction(acted);
  countAfterDelete = -1;
  SetTimer(nullptr, 0, 300, PressListButtons);
  EXPECT_TRUE(GetControlLayer().ShowDialog(PresetsDialogTemplate(), values, act));
  EXPECT_EQ(acted, (std::vector<std::string>{"メール添付", "Web用"}));
  EXPECT_EQ(countAfterDelete, 2);
  EXPECT_EQ(values[kPresetList], ListBoxValue({{"Web用", "印刷用"}, 0}));
}

// Every settings page at 150 %, filled, for a look at the layout at that scaling.
TEST_F(Win32WindowTest, ScreenshotsOfEveryPageAtOneAndAHalfTimesTheScale) {
  for (const ChoiceTable& table : ChoiceTables()) AppendChoices(table.controlId);
  for (const SettingsPage& page : SettingsPages()) {
    layer().TreeInsert(kSettingsTreePanel, kSettingsTree, page.treeText);
  }
  RECT suggested{0, 0, 1000, 800};
  SendMessageW(window_->Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144),
               reinterpret_cast<LPARAM>(&suggested));
  window_->Show(SW_SHOW);
  const std::filesystem::path artifacts = std::filesystem::absolute(TRASTEL_ARTIFACT_DIR);
  std::filesystem::create_directories(artifacts);
  int number = 0;
  for (const SettingsPage& shown : SettingsPages()) {
    for (const SettingsPage& page : SettingsPages()) {
      layer().SetPanelVisible(page.barId, page.barId == shown.barId);
    }
    // The window paints on this thread.
    for (int turn = 0; turn < 20; ++turn) {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
      Sleep(25);
    }
    EXPECT_TRUE(win32_driver::SaveScreenshot(
        window_->Handle(), artifacts / ("win32-144dpi-page-" + std::to_string(++number) + ".png")))
        << shown.treeText;
  }
}

TEST_F(Win32WindowTest, EveryGroupCaptionAndListEntryShowsWholeAtBothScalings) {
  for (const ChoiceTable& table : ChoiceTables()) AppendChoices(table.controlId);
  EXPECT_EQ(CutCaptionsAndEntries(window_->Handle()), std::vector<std::string>{});
  RECT suggested{0, 0, 1000, 800};
  SendMessageW(window_->Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144),
               reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(CutCaptionsAndEntries(window_->Handle()), std::vector<std::string>{});
}

// The labels, check boxes and radio buttons whose text their window does not hold whole, or whose
// window runs over a group's frame, at the window's resolution.
std::vector<std::string> CutTexts(HWND main) {
  std::vector<std::string> cut;
  const UINT dpi = GetDpiForWindow(main);
  ForEachPanelControl(main, [&](const PanelTemplate& panel, HWND child) {
    if (!HoldsItsText(child, dpi))
      cut.push_back(std::string(panel.name) + ": " + Utf8Of(WindowTextOf(child)));
    if (RunsOverAFrame(child))
      cut.push_back(std::string(panel.name) + ": " + Utf8Of(WindowTextOf(child)) + " (frame)");
  });
  return cut;
}

TEST_F(Win32WindowTest, EveryLabelShowsItsWholeTextAtBothScalings) {
  EXPECT_EQ(CutTexts(window_->Handle()), std::vector<std::string>{});
  RECT suggested{0, 0, 1000, 800};
  SendMessageW(window_->Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144),
               reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(CutTexts(window_->Handle()), std::vector<std::string>{});
}

// The tree items whose text lies outside the tree's client area.
std::vector<std::string> CutTreeItems(HWND tree) {
  std::vector<std::string> cut;
  RECT client{};
  GetClientRect(tree, &client);
  int index = 0;
  for (HTREEITEM item = TreeView_GetRoot(tree); item != nullptr;
       item = TreeView_GetNextSibling(tree, item), ++index) {
    RECT text{};
    if (!TreeView_GetItemRect(tree, item, &text, TRUE) || !Inside(client, text)) {
      cut.push_back(SettingsPages()[index].treeText);
    }
  }
  return cut;
}

TEST_F(Win32WindowTest, TheSettingsTreeShowsEveryItemWholeAtBothScalings) {
  for (const SettingsPage& page : SettingsPages()) {
    layer().TreeInsert(kSettingsTreePanel, kSettingsTree, page.treeText);
  }
  HWND tree = Control(kSettingsTreePanel, kSettingsTree);
  ASSERT_EQ(TreeView_GetCount(tree), SettingsPages().size());
  EXPECT_EQ(CutTreeItems(tree), std::vector<std::string>{});
  RECT suggested{0, 0, 1000, 800};
  SendMessageW(window_->Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144),
               reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(CutTreeItems(tree), std::vector<std::string>{});
}

TEST_F(Win32WindowTest, ListsRefuseIndexesOutOfRangeAndClearTheSelection) {
  EXPECT_EQ(layer().ComboAppend(kFormatPanel, kFormatList, "BMP"), 0);
  EXPECT_EQ(layer().ComboAppend(kFormatPanel, kFormatList, "JPG"), 1);
  EXPECT_TRUE(layer().ComboSelect(kFormatPanel, kFormatList, 1));
  EXPECT_FALSE(layer().ComboSelect(kFormatPanel, kFormatList, 2));
  EXPECT_EQ(layer().ComboSelection(kFormatPanel, kFormatList), -1);
  EXPECT_EQ(layer().ComboText(kFormatPanel, kFormatList, 1), "JPG");

  EXPECT_EQ(layer().ListInsert(kInputPanel, kInputList, -1, "b.bmp"), 0);
  EXPECT_EQ(layer().ListInsert(kInputPanel, kInputList, 0, "あ.jpg"), 0);
  EXPECT_EQ(layer().ListInsert(kInputPanel, kInputList, 3, "c.png"), -1);
  EXPECT_EQ(layer().ListText(kInputPanel, kInputList, 0), "あ.jpg");
  EXPECT_TRUE(layer().ListSelect(kInputPanel, kInputList, 1));
  EXPECT_FALSE(layer().ListSelect(kInputPanel, kInputList, 2));
  EXPECT_EQ(layer().ListSelection(kInputPanel, kInputList), -1);
  EXPECT_EQ(layer().ListDelete(kInputPanel, kInputList, 2), -1);
  EXPECT_EQ(layer().ListDelete(kInputPanel, kInputList, 0), 1);
  EXPECT_EQ(layer().ListCount(kInputPanel, kInputList), 1);
}

TEST_F(Win32WindowTest, OnlyAClickClearsTheOtherRadioButtonsOfItsGroup) {
  layer().SetCheck(kFormatPanel, kResizeKeepRadio, 1);
  layer().SetCheck(kFormatPanel, kResize640Radio, 1);
  EXPECT_EQ(layer().GetCheck(kFormatPanel, kResizeKeepRadio), 1);
  SendMessageW(Control(kFormatPanel, kResize320Radio), BM_CLICK, 0, 0);
  EXPECT_EQ(layer().GetCheck(kFormatPanel, kResizeKeepRadio), 0);
  EXPECT_EQ(layer().GetCheck(kFormatPanel, kResize640Radio), 0);
  EXPECT_EQ(layer().GetCheck(kFormatPanel, kResize320Radio), 1);
  ASSERT_EQ(events_.size(), 1u);
  EXPECT_EQ(events_[0].barId, kFormatPanel);
  EXPECT_EQ(events_[0].controlId, kResize320Radio);
  EXPECT_EQ(events_[0].notification, Notification::kClicked);
  layer().SetCheck(kFormatPanel, kResize320Radio, 0);
  EXPECT_EQ(layer().GetCheck(kFormatPanel, kResize320Radio), 0);
}

TEST_F(Win32WindowTest, EveryChangeOfTheTreeSelectionIsNotifiedOnce) {
  EXPECT_EQ(layer().TreeInsert(kSettingsTreePanel, kSettingsTree, "BMP"), 0);
  EXPECT_EQ(layer().TreeInsert(kSettingsTreePanel, kSettingsTree, "JPG"), 1);
  layer().TreeSelect(kSettingsTreePanel, kSettingsTree, 1);
  layer().TreeSelect(kSettingsTreePanel, kSettingsTree, 1);
  EXPECT_EQ(EventCount(Notification::kTreeSelectionChanged), 1);
  EXPECT_EQ(layer().TreeSelectedText(kSettingsTreePanel, kSettingsTree), "JPG");
  // Another program's selection message, as a click would make it.
  HWND tree = Control(kSettingsTreePanel, kSettingsTree);
  TreeView_SelectItem(tree, TreeView_GetRoot(tree));
  EXPECT_EQ(EventCount(Notification::kTreeSelectionChanged), 2);
  EXPECT_EQ(layer().TreeSelectedText(kSettingsTreePanel, kSettingsTree), "BMP");
}

TEST_F(Win32WindowTest, EditBoxesFilterWhatIsTyped) {
  HWND digits = Control(kFormatPanel, kResizeWidthBox);
  for (wchar_t typed : {L'1', L'x', L'2', L'あ'}) SendMessageW(digits, WM_CHAR, typed, 0);
  EXPECT_EQ(layer().GetText(kFormatPanel, kResizeWidthBox), "12");
  const wchar_t pasted[] = L"3a4";
  ASSERT_TRUE(OpenClipboard(digits));
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof(pasted));
  std::memcpy(GlobalLock(memory), pasted, sizeof(pasted));
  GlobalUnlock(memory);
  // The clipboard owns the memory from here.
  SetClipboardData(CF_UNICODETEXT, memory);
  CloseClipboard();
  SendMessageW(digits, WM_PASTE, 0, 0);
  EXPECT_EQ(layer().GetText(kFormatPanel, kResizeWidthBox), "1234");
  // A box limited to four characters takes no fifth one.
  layer().LimitTyping(kFormatPanel, kResizeWidthBox, 4);
  SendMessageW(digits, WM_CHAR, L'5', 0);
  EXPECT_EQ(layer().GetText(kFormatPanel, kResizeWidthBox), "1234");
  // The program sets what it likes.
  layer().SetText(kFormatPanel, kResizeWidthBox, "a1");
  EXPECT_EQ(layer().GetText(kFormatPanel, kResizeWidthBox), "a1");

  // A text box keeps what one settings line holds, counted as Japanese Windows stores it: after
  // 237 bytes a kanji of two still fits, and then nothing.
  HWND text = Control(kOtherPage, kFolderNameBox);
  layer().SetText(kOtherPage, kFolderNameBox, std::string(237, 'a'));
  SendMessageW(text, EM_SETSEL, 237, 237);
  SendMessageW(text, WM_CHAR, L'あ', 0);
  SendMessageW(text, WM_CHAR, L'b', 0);
  EXPECT_EQ(layer().GetText(kOtherPage, kFolderNameBox), std::string(237, 'a') + "あ");
}

TEST_F(Win32WindowTest, AnEditBoxReportsLosingTheFocusOnce) {
  window_->Show(SW_SHOW);
  SetFocus(Control(kFormatPanel, kResizeWidthBox));
  SetFocus(Control(kFormatPanel, kResizeHeightBox));
  SetFocus(Control(kFormatPanel, kFormatList));
  ASSERT_EQ(EventCount(Notification::kFocusLost), 2);
  EXPECT_EQ(events_[0].controlId, kResizeWidthBox);
  EXPECT_EQ(events_[1].controlId, kResizeHeightBox);
}

TEST_F(Win32WindowTest, FilesDroppedOnTheInputPanelAreReported) {
  const wchar_t names[] = L"C:\\あ.bmp\0D:\\b.png\0";
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + sizeof(names));
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::memcpy(drop + 1, names, sizeof(names));
  GlobalUnlock(memory);
  // The panel frees the drop.
  SendMessageW(Panel(kInputPanel), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
  ASSERT_EQ(events_.size(), 1u);
  EXPECT_EQ(events_[0].barId, kInputPanel);
  EXPECT_EQ(events_[0].notification, Notification::kFilesDropped);
  EXPECT_EQ(events_[0].files, (std::vector<std::string>{"C:/あ.bmp", "D:/b.png"}));
}

// Closing the window while a handler runs (a conversion pumping messages) waits until the
// handler has returned: closing destroys the state the handler still uses.
TEST_F(Win32WindowTest, ClosingDuringAHandlerWaitsUntilItReturns) {
  const HWND main = window_->Handle();
  auto pumpFor = [](DWORD milliseconds, const std::function<bool()>& done) {
    for (const DWORD start = GetTickCount(); GetTickCount() - start < milliseconds && !done();) {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
      Sleep(10);
    }
  };
  bool openDuringHandler = false;
  layer().SetEventSink([&](const ControlEvent&) {
    SendMessageW(main, WM_CLOSE, 0, 0);
    pumpFor(300, [] { return false; });
    openDuringHandler = IsWindow(main) != FALSE;
  });
  SendMessageW(Control(kActionPanel, kRunButton), BM_CLICK, 0, 0);
  EXPECT_TRUE(openDuringHandler);
  pumpFor(2000, [&] { return !IsWindow(main); });
  EXPECT_FALSE(IsWindow(main));
}

// The selected entry is measured away from the window's thread: choosing entries with the keys
// is answered at once, a newer choice drops the measurement still held back, and the newest
// entry's figures arrive through the window's own messages.
TEST_F(Win32WindowTest, TheListAnswersWhileTheSelectedEntryIsMeasured) {
  const fs::path folder = MakeUniqueFolder("trastel-win32-facts");
  fs::create_directories(folder / "Data" / "__Temp");
  ASSERT_TRUE(SetProgramFolder(folder.generic_string().c_str()));
  fs::current_path(folder);
  FillPanels();
  ReadPanels();
  layer().SetEventSink(DispatchViewEvent);
  for (const auto& [name, width] : {std::pair{"first.bmp", 64}, std::pair{"second.bmp", 32}}) {
    const int rowBytes = (width * 3 + 3) & ~3;
    ASSERT_TRUE(win32_driver::WriteBitmapFile(folder / name, width, 16,
                                              std::vector<char>(rowBytes * 16, '\x40')));
    ASSERT_TRUE(AddInputEntry(name));
  }
  const HWND list = Control(kInputPanel, kInputList);
  const auto box = [&](int id) { return layer().GetText(kInputPanel, id); };
  HoldMeasuringForTesting(true);
  SetFocus(list);
  SendMessageW(list, WM_KEYDOWN, VK_HOME, 0);
  EXPECT_EQ(box(kBeforeNameBox), "first.bmp");
  EXPECT_EQ(box(kAfterBytesBox), "計測中…");
  SendMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(box(kBeforeNameBox), "second.bmp");
  EXPECT_EQ(box(kBeforeWidthBox), "…");
  HoldMeasuringForTesting(false);
  EXPECT_TRUE(win32_driver::WaitUntil([] {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    return !MeasuringSelection();
  }));
  EXPECT_EQ(box(kBeforeWidthBox) + "x" + box(kBeforeHeightBox), "32x16");
  EXPECT_EQ(box(kAfterWidthBox) + "x" + box(kAfterHeightBox), "32x16");
  StopMeasuring();
  DestroyAppState();
  fs::current_path(fs::temp_directory_path());
  fs::remove_all(folder);
}

TEST_F(Win32WindowTest, TheProgressBarStartsOverPastItsEnd) {
  layer().SetProgressRange(kProgressPanel, kBatchProgressBar, 0, 10);
  layer().SetProgressStep(kProgressPanel, kBatchProgressBar, 4);
  layer().SetProgressPosition(kProgressPanel, kBatchProgressBar, 8);
  EXPECT_EQ(layer().ProgressPosition(kProgressPanel, kBatchProgressBar), 8);
  layer().StepProgress(kProgressPanel, kBatchProgressBar);
  EXPECT_LT(layer().ProgressPosition(kProgressPanel, kBatchProgressBar), 8);
  layer().SetProgressPosition(kProgressPanel, kBatchProgressBar, 20);
  EXPECT_EQ(layer().ProgressPosition(kProgressPanel, kBatchProgressBar), 10);
}

}  // namespace
