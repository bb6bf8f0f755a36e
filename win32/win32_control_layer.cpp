#include "win32/win32_control_layer.h"

#include <commctrl.h>

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <exception>
#include <vector>

#include "controls/control_registry.h"
#include "platform/wide_text_windows.h"
#include "win32/window_scale.h"

namespace {

// A debug build stops at an address that names no control; a release build does nothing.
void ReportMiss([[maybe_unused]] const std::source_location& caller, [[maybe_unused]] int barId,
                [[maybe_unused]] int controlId) {
#ifndef NDEBUG
  std::fprintf(stderr, "no control at (%d, %d) for %s\n", barId, controlId, caller.function_name());
  assert(!"no control at the address");
#endif
}

bool IsReadOnlyBox(HWND window) {
  return (GetWindowLongW(window, GWL_STYLE) & ES_READONLY) != 0;
}

std::string WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), text.size())));
  return platform::Narrow(text);
}

// The text of entry `index` of a list box or drop-down list, by the given length and text
// messages.
std::string EntryText(HWND list, int index, UINT lengthMessage, UINT textMessage) {
  LRESULT length = SendMessageW(list, lengthMessage, index, 0);
  if (length < 0) return "";
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  LRESULT copied = SendMessageW(list, textMessage, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied < 0 ? 0 : static_cast<std::size_t>(copied));
  return platform::Narrow(text);
}

// The largest dialog font, in percent, in which every one of `texts` is at most `room` pixels
// wide in `window`.
int FittingFontPercent(HWND window, const std::vector<std::wstring>& texts, long room, UINT dpi) {
  HDC context = GetDC(window);
  const int percent = LargestFittingFontPercent([&](int candidate) {
    HGDIOBJ previous = SelectObject(context, ReducedDialogFont(dpi, candidate));
    bool fits = true;
    for (const std::wstring& text : texts) {
      SIZE extent{};
      GetTextExtentPoint32W(context, text.c_str(), static_cast<int>(text.size()), &extent);
      fits = fits && extent.cx <= room;
    }
    SelectObject(context, previous);
    return fits;
  });
  ReleaseDC(window, context);
  return percent;
}

// A read-only box shows what the program puts in it (a file's type, its size) in the dialog font,
// or in the largest smaller one that holds it whole where the box is too narrow for the font.
void FitBoxFont(HWND box, UINT dpi) {
  RECT client{};
  GetClientRect(box, &client);
  auto margins = static_cast<DWORD>(SendMessageW(box, EM_GETMARGINS, 0, 0));
  const long room = client.right - LOWORD(margins) - HIWORD(margins);
  const int percent = FittingFontPercent(box, {platform::Widen(WindowText(box))}, room, dpi);
  SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(ReducedDialogFont(dpi, percent)), TRUE);
  // A new font brings the font's margins back.
  RemoveEditMargins(box);
}

// A closed drop-down list shows its choice in the dialog font, or in the largest smaller one
// in which each of `entries` fits the list's text area.
int ComboFontPercent(HWND combo, const std::vector<std::wstring>& entries, UINT dpi) {
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (!GetComboBoxInfo(combo, &info)) return 100;
  return FittingFontPercent(combo, entries, info.rcItem.right - info.rcItem.left, dpi);
}

void SetFontPercent(HWND window, int percent, UINT dpi) {
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(ReducedDialogFont(dpi, percent)), TRUE);
}

LPARAM WideParam(const std::wstring& text) {
  return reinterpret_cast<LPARAM>(text.c_str());
}

// The root items of a tree, in order.
std::vector<HTREEITEM> RootItems(HWND tree) {
  std::vector<HTREEITEM> items;
  for (HTREEITEM item = TreeView_GetRoot(tree); item != nullptr;
       item = TreeView_GetNextSibling(tree, item)) {
    items.push_back(item);
  }
  return items;
}

}  // namespace

Win32ControlLayer::Win32ControlLayer(HWND owner, HWND view) : owner_(owner), view_(view) {}

void Win32ControlLayer::AddPanel(int barId, HWND panel) {
  panels_[barId] = panel;
}

void Win32ControlLayer::AddControl(int barId, int controlId, ControlKind kind, HWND window) {
  controls_[{barId, controlId}] = {kind, window};
}

void Win32ControlLayer::AddRadioGroup(int barId, const std::vector<int>& members) {
  for (int member : members) radioGroups_[{barId, member}] = members;
}

void Win32ControlLayer::ClickRadio(int barId, int controlId) {
  auto group = radioGroups_.find({barId, controlId});
  if (group == radioGroups_.end()) return;
  for (int member : group->second) SetCheck(barId, member, member == controlId ? 1 : 0);
}

std::optional<ControlKind> Win32ControlLayer::KindOf(int barId, int controlId) const {
  auto control = controls_.find({barId, controlId});
  if (control == controls_.end()) return std::nullopt;
  return control->second.kind;
}

void Win32ControlLayer::Raise(const ControlEvent& event) {
  try {
    Notify(event);
  } catch (const std::exception& failure) {
    ShowMessageBox(failure.what());
  }
}

HWND Win32ControlLayer::Find(int barId, int controlId, std::initializer_list<ControlKind> kinds,
                             Caller caller) const {
  const BuiltControl* control = FindBuilt(controls_, barId, controlId, kinds);
  if (control != nullptr) return control->window;
  ReportMiss(caller, barId, controlId);
  return nullptr;
}

HWND Win32ControlLayer::FindPanel(int barId, Caller caller) const {
  auto panel = panels_.find(barId);
  if (panel != panels_.end()) return panel->second;
  ReportMiss(caller, barId, 0);
  return nullptr;
}

LRESULT Win32ControlLayer::Send(int barId, int controlId, ControlKind kind, UINT message,
                                WPARAM wParam, LPARAM lParam, LRESULT missing,
                                Caller caller) const {
  HWND window = Find(barId, controlId, {kind}, caller);
  return window ? SendMessageW(window, message, wParam, lParam) : missing;
}

bool Win32ControlLayer::HasPanel(int barId) const {
  return panels_.contains(barId);
}

bool Win32ControlLayer::IsPanelVisible(int barId) const {
  // The panel's own state, whether or not the main window is on the screen yet.
  HWND panel = FindPanel(barId);
  return panel != nullptr && (GetWindowLongPtrW(panel, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32ControlLayer::SetPanelVisible(int barId, bool visible) {
  if (HWND panel = FindPanel(barId)) ShowWindow(panel, visible ? SW_SHOW : SW_HIDE);
}

int Win32ControlLayer::ListCount(int barId, int controlId) const {
  auto count = Send(barId, controlId, ControlKind::kListBox, LB_GETCOUNT, 0, 0, 0);
  return std::max(0, static_cast<int>(count));
}

std::string Win32ControlLayer::ListText(int barId, int controlId, int index) const {
  HWND list = Find(barId, controlId, {ControlKind::kListBox});
  return list ? EntryText(list, index, LB_GETTEXTLEN, LB_GETTEXT) : "";
}

int Win32ControlLayer::ListInsert(int barId, int controlId, int index, const std::string& text) {
  std::wstring wide = platform::Widen(text);
  auto inserted =
      Send(barId, controlId, ControlKind::kListBox, LB_INSERTSTRING, index, WideParam(wide), -1);
  return inserted < 0 ? -1 : static_cast<int>(inserted);
}

int Win32ControlLayer::ListDelete(int barId, int controlId, int index) {
  auto left = Send(barId, controlId, ControlKind::kListBox, LB_DELETESTRING, index, 0, -1);
  return left < 0 ? -1 : static_cast<int>(left);
}

void Win32ControlLayer::ListReset(int barId, int controlId) {
  Send(barId, controlId, ControlKind::kListBox, LB_RESETCONTENT, 0, 0, 0);
}

int Win32ControlLayer::ListSelection(int barId, int controlId) const {
  auto selected = Send(barId, controlId, ControlKind::kListBox, LB_GETCURSEL, 0, 0, -1);
  return selected < 0 ? -1 : static_cast<int>(selected);
}

bool Win32ControlLayer::ListSelect(int barId, int controlId, int index) {
  HWND list = Find(barId, controlId, {ControlKind::kListBox});
  if (!list) return false;
  bool inRange = index >= 0 && index < ListCount(barId, controlId);
  // An index out of range is refused without touching the selection; it is cleared outright.
  SendMessageW(list, LB_SETCURSEL, inRange ? index : -1, 0);
  return inRange;
}

int Win32ControlLayer::ComboCount(int barId, int controlId) const {
  auto count = Send(barId, controlId, ControlKind::kDropDownList, CB_GETCOUNT, 0, 0, 0);
  return std::max(0, static_cast<int>(count));
}

std::string Win32ControlLayer::ComboText(int barId, int controlId, int index) const {
  HWND combo = Find(barId, controlId, {ControlKind::kDropDownList});
  return combo ? EntryText(combo, index, CB_GETLBTEXTLEN, CB_GETLBTEXT) : "";
}

int Win32ControlLayer::ComboAppend(int barId, int controlId, const std::string& text) {
  std::wstring wide = platform::Widen(text);
  auto added =
      Send(barId, controlId, ControlKind::kDropDownList, CB_ADDSTRING, 0, WideParam(wide), -1);
  if (added < 0) return -1;
  // Entries come one at a time: the font shrinks only for one that does not fit.
  HWND combo = Find(barId, controlId, {});
  const UINT dpi = GetDpiForWindow(owner_);
  auto [fitted, first] = comboFontPercents_.try_emplace(combo, 100);
  const int percent = std::min(fitted->second, ComboFontPercent(combo, {wide}, dpi));
  if (percent != fitted->second || first) SetFontPercent(combo, percent, dpi);
  fitted->second = percent;
  return static_cast<int>(added);
}

void Win32ControlLayer::ComboReset(int barId, int controlId) {
  Send(barId, controlId, ControlKind::kDropDownList, CB_RESETCONTENT, 0, 0, 0);
  comboFontPercents_.erase(Find(barId, controlId, {}));
}

bool Win32ControlLayer::ComboSelect(int barId, int controlId, int index) {
  HWND combo = Find(barId, controlId, {ControlKind::kDropDownList});
  if (!combo) return false;
  bool inRange = index >= 0 && index < ComboCount(barId, controlId);
  SendMessageW(combo, CB_SETCURSEL, inRange ? index : -1, 0);
  return inRange;
}

int Win32ControlLayer::ComboSelection(int barId, int controlId) const {
  auto selected = Send(barId, controlId, ControlKind::kDropDownList, CB_GETCURSEL, 0, 0, -1);
  return selected < 0 ? -1 : static_cast<int>(selected);
}

int Win32ControlLayer::GetCheck(int barId, int controlId) const {
  HWND button = Find(barId, controlId, {ControlKind::kCheckBox, ControlKind::kRadioButton});
  return button && SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void Win32ControlLayer::SetCheck(int barId, int controlId, int checked) {
  // BM_SETCHECK leaves the other buttons of a radio group as they are.
  if (HWND button = Find(barId, controlId, {ControlKind::kCheckBox, ControlKind::kRadioButton})) {
    SendMessageW(button, BM_SETCHECK, checked != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

std::string Win32ControlLayer::GetText(int barId, int controlId) const {
  HWND control = Find(barId, controlId, {});
  return control ? WindowText(control) : "";
}

void Win32ControlLayer::SetText(int barId, int controlId, const std::string& text) {
  if (HWND control = Find(barId, controlId, {})) {
    SetWindowTextW(control, platform::Widen(text).c_str());
    if (IsReadOnlyBox(control)) FitBoxFont(control, GetDpiForWindow(owner_));
  }
}

void Win32ControlLayer::RefitFilledFonts(UINT dpi) {
  for (const auto& [address, control] : controls_) {
    if (control.kind == ControlKind::kEdit && IsReadOnlyBox(control.window)) {
      FitBoxFont(control.window, dpi);
    } else if (control.kind == ControlKind::kDropDownList) {
      std::vector<std::wstring> entries;
      for (int index = 0, count = static_cast<int>(SendMessageW(control.window, CB_GETCOUNT, 0, 0));
           index < count; ++index) {
        entries.push_back(
            platform::Widen(EntryText(control.window, index, CB_GETLBTEXTLEN, CB_GETLBTEXT)));
      }
      const int percent = ComboFontPercent(control.window, entries, dpi);
      SetFontPercent(control.window, percent, dpi);
      comboFontPercents_[control.window] = percent;
    }
  }
}

void Win32ControlLayer::LimitTyping(int barId, int controlId, int characters) {
  Send(barId, controlId, ControlKind::kEdit, EM_SETLIMITTEXT, characters, 0, 0);
}

// The progress bar keeps its range, position and step itself, and stepping past the end starts
// over from the beginning, which the program relies on.
void Win32ControlLayer::SetProgressRange(int barId, int controlId, int low, int high) {
  Send(barId, controlId, ControlKind::kProgressBar, PBM_SETRANGE32, low, high, 0);
}

void Win32ControlLayer::SetProgressPosition(int barId, int controlId, int position) {
  Send(barId, controlId, ControlKind::kProgressBar, PBM_SETPOS, position, 0, 0);
}

void Win32ControlLayer::SetProgressStep(int barId, int controlId, int step) {
  Send(barId, controlId, ControlKind::kProgressBar, PBM_SETSTEP, step, 0, 0);
}

void Win32ControlLayer::StepProgress(int barId, int controlId) {
  Send(barId, controlId, ControlKind::kProgressBar, PBM_STEPIT, 0, 0, 0);
}

void Win32ControlLayer::DeltaProgress(int barId, int controlId, int delta) {
  Send(barId, controlId, ControlKind::kProgressBar, PBM_DELTAPOS, delta, 0, 0);
}

int Win32ControlLayer::ProgressPosition(int barId, int controlId) const {
  return static_cast<int>(Send(barId, controlId, ControlKind::kProgressBar, PBM_GETPOS, 0, 0, 0));
}

int Win32ControlLayer::TreeCount(int barId, int controlId) const {
  HWND tree = Find(barId, controlId, {ControlKind::kTree});
  return tree ? static_cast<int>(RootItems(tree).size()) : 0;
}

int Win32ControlLayer::TreeInsert(int barId, int controlId, const std::string& text) {
  HWND tree = Find(barId, controlId, {ControlKind::kTree});
  if (!tree) return -1;
  std::wstring wide = platform::Widen(text);
  TVINSERTSTRUCTW insert{};
  insert.hParent = TVI_ROOT;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT;
  insert.item.pszText = wide.data();
  if (TreeView_InsertItem(tree, &insert) == nullptr) return -1;
  return static_cast<int>(RootItems(tree).size()) - 1;
}

void Win32ControlLayer::TreeSelect(int barId, int controlId, int index) {
  HWND tree = Find(barId, controlId, {ControlKind::kTree});
  if (!tree) return;
  auto items = RootItems(tree);
  HTREEITEM wanted = index >= 0 && index < static_cast<int>(items.size()) ? items[index] : nullptr;
  if (wanted == TreeView_GetSelection(tree)) return;
  changingTree_ = true;
  TreeView_SelectItem(tree, wanted);
  changingTree_ = false;
  Raise({barId, controlId, Notification::kTreeSelectionChanged, {}});
}

std::optional<std::string> Win32ControlLayer::TreeSelectedText(int barId, int controlId) const {
  HWND tree = Find(barId, controlId, {ControlKind::kTree});
  if (!tree) return std::nullopt;
  HTREEITEM selected = TreeView_GetSelection(tree);
  if (selected == nullptr) return std::nullopt;
  // Settings tree texts are short; a longer one would be cut, never overrun.
  wchar_t text[256] = {};
  TVITEMW item{};
  item.mask = TVIF_TEXT;
  item.hItem = selected;
  item.pszText = text;
  item.cchTextMax = static_cast<int>(std::size(text));
  if (!TreeView_GetItem(tree, &item)) return std::nullopt;
  return platform::Narrow(text);
}
