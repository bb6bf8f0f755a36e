#include "win32/panel_builder.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/wide_text_windows.h"
#include "win32/edit_rules.h"
#include "win32/program_icon.h"
#include "win32/win32_control_layer.h"

namespace {

constexpr wchar_t kPanelClass[] = L"TrastelPanel";
// The box of a check box or radio button and the gap before its text, in pixels at 96 DPI.
constexpr int kCheckBoxRoom = 18;
// What a group box's frame keeps beside its caption, in pixels at 96 DPI.
constexpr int kGroupCaptionInsets = 16;

Win32ControlLayer& LayerOf(HWND panel) {
  return *reinterpret_cast<Win32ControlLayer*>(GetWindowLongPtrW(panel, GWLP_USERDATA));
}

std::optional<Notification> CommandNotification(ControlKind kind, UINT code) {
  switch (kind) {
    case ControlKind::kPushButton:
    case ControlKind::kCheckBox:
    case ControlKind::kRadioButton:
      if (code == BN_CLICKED) return Notification::kClicked;
      break;
    case ControlKind::kDropDownList:
      if (code == CBN_SELCHANGE) return Notification::kSelectionChanged;
      break;
    case ControlKind::kListBox:
      if (code == LBN_SELCHANGE) return Notification::kSelectionChanged;
      break;
    case ControlKind::kEdit:
      if (code == EN_KILLFOCUS) return Notification::kFocusLost;
      break;
    default:
      break;
  }
  return std::nullopt;
}

std::vector<std::string> DroppedFiles(HDROP drop) {
  std::vector<std::string> files;
  UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    std::wstring name(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
    name.resize(DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size())));
    // The program writes '/' between folders, as in the paths the file dialogs give.
    std::string file = platform::Narrow(name);
    std::ranges::replace(file, '\\', '/');
    files.push_back(file);
  }
  return files;
}

// The selected item of a tree keeps the highlight colours while the tree lacks the focus, so
// that the settings page shown is always marked.
LRESULT TreeItemColours(NMTVCUSTOMDRAW& draw) {
  if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT && (draw.nmcd.uItemState & CDIS_SELECTED)) {
    draw.clrText = GetSysColor(COLOR_HIGHLIGHTTEXT);
    draw.clrTextBk = GetSysColor(COLOR_HIGHLIGHT);
  }
  return CDRF_DODEFAULT;
}

LRESULT CALLBACK PanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(panel, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    return DefWindowProcW(panel, message, wParam, lParam);
  }
  if (GetWindowLongPtrW(panel, GWLP_USERDATA) == 0) {
    return DefWindowProcW(panel, message, wParam, lParam);
  }
  Win32ControlLayer& layer = LayerOf(panel);
  int barId = GetDlgCtrlID(panel);
  switch (message) {
    case WM_COMMAND: {
      int controlId = LOWORD(wParam);
      std::optional<ControlKind> kind = layer.KindOf(barId, controlId);
      if (!kind) break;
      if (auto notification = CommandNotification(*kind, HIWORD(wParam))) {
        if (*kind == ControlKind::kRadioButton) layer.ClickRadio(barId, controlId);
        layer.Raise({barId, controlId, *notification, {}});
      }
      return 0;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->code == NM_CUSTOMDRAW &&
          layer.KindOf(barId, static_cast<int>(header->idFrom)) == ControlKind::kTree) {
        return TreeItemColours(*reinterpret_cast<NMTVCUSTOMDRAW*>(lParam));
      }
      // Whatever the cause of the change: the mouse, the keyboard or another program's message.
      if (header->code == TVN_SELCHANGEDW && !layer.ChangingTreeSelection()) {
        layer.Raise(
            {barId, static_cast<int>(header->idFrom), Notification::kTreeSelectionChanged, {}});
      }
      return 0;
    }
    case WM_DROPFILES: {
      auto drop = reinterpret_cast<HDROP>(wParam);
      ControlEvent event{barId, 0, Notification::kFilesDropped, DroppedFiles(drop)};
      DragFinish(drop);
      layer.Raise(event);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(panel, message, wParam, lParam);
}

void RegisterPanelClass() {
  WNDCLASSEXW panelClass{};
  panelClass.cbSize = sizeof(panelClass);
  panelClass.lpfnWndProc = PanelProc;
  panelClass.hInstance = GetModuleHandleW(nullptr);
  panelClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  panelClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  panelClass.lpszClassName = kPanelClass;
  // A second registration fails harmlessly: the class is there.
  RegisterClassExW(&panelClass);
}

struct NativeClass {
  const wchar_t* name;
  DWORD style;
  DWORD extendedStyle;
};

NativeClass ClassOf(const ControlTemplate& control) {
  const bool groupStart =
      control.kind != ControlKind::kRadioButton || (control.style & kGroupStart);
  // Every control but the later radio buttons of a group starts a group, so that the arrow keys
  // move within a radio group only.
  const DWORD group = groupStart ? WS_GROUP : 0;
  switch (control.kind) {
    case ControlKind::kGroupBox:
      return {L"Button", BS_GROUPBOX | group, 0};
    case ControlKind::kLabel:
      return {L"Static", SS_LEFT | group, 0};
    case ControlKind::kLinkText:
      return {L"Static", SS_LEFT | SS_NOTIFY | group, 0};
    case ControlKind::kPushButton:
      return {L"Button",
              ((control.style & kDefaultButton) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP |
                  group,
              0};
    case ControlKind::kCheckBox:
      return {L"Button", BS_AUTOCHECKBOX | WS_TABSTOP | group, 0};
    case ControlKind::kRadioButton:
      return {L"Button", BS_RADIOBUTTON | (groupStart ? WS_TABSTOP : 0) | group, 0};
    case ControlKind::kDropDownList:
      return {L"ComboBox", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | group, 0};
    case ControlKind::kListBox:
      return {
          L"ListBox",
          LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_DISABLENOSCROLL | WS_VSCROLL | WS_TABSTOP | group,
          WS_EX_CLIENTEDGE};
    case ControlKind::kEdit: {
      DWORD style = WS_TABSTOP | group;
      if (control.style & kReadOnly) style |= ES_READONLY;
      if (control.style & kRightAligned) style |= ES_RIGHT;
      if (control.style & kAutoScroll) style |= ES_AUTOHSCROLL;
      return {L"Edit", style, WS_EX_CLIENTEDGE};
    }
    case ControlKind::kTree:
      return {WC_TREEVIEWW,
              TVS_HASLINES | TVS_LINESATROOT | TVS_HASBUTTONS | TVS_SHOWSELALWAYS | TVS_NOHSCROLL |
                  TVS_NOSCROLL | WS_TABSTOP | group,
              0};
    case ControlKind::kProgressBar:
      return {PROGRESS_CLASSW, PBS_SMOOTH | group, 0};
    case ControlKind::kIcon:
      return {L"Static", SS_ICON | SS_REALSIZECONTROL | group, 0};
  }
  return {L"Static", group, 0};
}

// A window's drawing context with a font selected, for measuring texts.
class TextContext {
 public:
  TextContext(HWND window, HFONT font)
      : window_(window), context_(GetDC(window)), previous_(SelectObject(context_, font)) {}
  ~TextContext() {
    SelectObject(context_, previous_);
    ReleaseDC(window_, context_);
  }
  TextContext(const TextContext&) = delete;
  TextContext& operator=(const TextContext&) = delete;
  operator HDC() const { return context_; }

 private:
  HWND window_;
  HDC context_;
  HGDIOBJ previous_;
};

// The width at 96 DPI that a one-line text needs in `font`.
int OneLineWidth(HWND window, const ControlTemplate& control, const std::wstring& text, UINT dpi,
                 HFONT font) {
  TextContext context(window, font);
  SIZE extent{};
  GetTextExtentPoint32W(context, text.c_str(), static_cast<int>(text.size()), &extent);
  int width = ScaleFromDpi(extent.cx, dpi) + 1;
  if (control.kind == ControlKind::kCheckBox || control.kind == ControlKind::kRadioButton) {
    width += kCheckBoxRoom;
  }
  return width;
}

// The rectangle a text-bearing control needs at 96 DPI, within the parent's area: one-line texts
// widen to their text, labels of several lines to the panel's edge, and both grow down to what
// their lines need. A one-line text that even the panel's edge cannot hold is set in a smaller
// font, the largest that holds it (the dialog face is wider on some systems than on the one
// the layout was made for).
PlacedWindow FittedPlace(HWND window, const ControlTemplate& control,
                         std::span<const ControlTemplate> siblings, PixelRect rect,
                         const PixelRect& area, UINT dpi, HFONT font) {
  std::wstring text = platform::Widen(control.text);
  int neededWidth = 0;
  int neededHeight = 0;
  int fontPercent = 100;
  if (IsWrappedLabel(control)) {
    rect.width = WrappedLabelWidth(rect, area.width);
    TextContext context(window, font);
    RECT needed{0, 0, ScaleToDpi(rect.width, dpi), 0};
    DrawTextW(context, text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK);
    neededHeight = ScaleFromDpi(needed.bottom, dpi);
  } else {
    const int room = std::max(rect.width, OneLineRightEdge(control, siblings, area.width) - rect.x);
    fontPercent = LargestFittingFontPercent([&](int percent) {
      neededWidth = OneLineWidth(window, control, text, dpi, ReducedDialogFont(dpi, percent));
      return neededWidth <= room;
    });
    TextContext context(window, font);
    SIZE extent{};
    GetTextExtentPoint32W(context, L"A", 1, &extent);
    neededHeight = ScaleFromDpi(extent.cy, dpi);
  }
  rect.width =
      std::min(std::max(rect.width, neededWidth),
               std::max(rect.width, OneLineRightEdge(control, siblings, area.width) - rect.x));
  rect.height =
      std::min(std::max(rect.height, neededHeight), std::max(rect.height, area.height - rect.y));
  return {window, rect, fontPercent};
}

}  // namespace

HWND CreatePanelWindow(HWND parent, int barId, bool acceptsFiles, Win32ControlLayer& layer) {
  RegisterPanelClass();
  HWND panel = CreateWindowExW(WS_EX_CONTROLPARENT, kPanelClass, L"", WS_CHILD | WS_VISIBLE, 0, 0,
                               0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(barId)),
                               GetModuleHandleW(nullptr), &layer);
  if (panel != nullptr && acceptsFiles) DragAcceptFiles(panel, TRUE);
  return panel;
}

PlacedWindow CreateControl(HWND parent, const ControlTemplate& control,
                           std::span<const ControlTemplate> siblings, const PixelRect& area,
                           UINT dpi, HFONT font) {
  PixelRect rect = ControlRect(control);
  // A drop-down list is created with the height of its opened list.
  if (control.kind == ControlKind::kDropDownList) {
    rect.height = DialogUnitsToPixelsY(control.height);
  }
  NativeClass native = ClassOf(control);
  std::wstring text = control.kind == ControlKind::kIcon ? L"" : platform::Widen(control.text);
  HWND window = CreateWindowExW(
      native.extendedStyle, native.name, text.c_str(), WS_CHILD | WS_VISIBLE | native.style,
      ScaleToDpi(rect.x, dpi), ScaleToDpi(rect.y, dpi), ScaleToDpi(rect.width, dpi),
      ScaleToDpi(rect.height, dpi), parent,
      reinterpret_cast<HMENU>(
          static_cast<INT_PTR>(control.id == kNoControlId ? 0xFFFF : control.id)),
      GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) return {nullptr, rect};
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  int fontPercent = 100;
  switch (control.kind) {
    case ControlKind::kLabel:
    case ControlKind::kLinkText:
    case ControlKind::kCheckBox:
    case ControlKind::kRadioButton: {
      const PlacedWindow fitted = FittedPlace(window, control, siblings, rect, area, dpi, font);
      rect = fitted.rect;
      fontPercent = fitted.fontPercent;
      break;
    }
    case ControlKind::kGroupBox:
      // The caption sits on the frame, inset from both its ends.
      fontPercent = LargestFittingFontPercent([&](int percent) {
        return OneLineWidth(window, control, text, dpi, ReducedDialogFont(dpi, percent)) +
                   kGroupCaptionInsets <=
               rect.width;
      });
      break;
    case ControlKind::kEdit:
      RemoveEditMargins(window);
      if (control.style & kDigitsOnly) {
        ApplyEditRule(window, EditRule::kDigitsOnly);
      } else if (!(control.style & kReadOnly)) {
        ApplyEditRule(window, EditRule::kLimitBytes);
      }
      break;
    case ControlKind::kTree:
      // A narrow indent leaves the item texts their whole width.
      TreeView_SetIndent(window, ScaleToDpi(kTreeIndentPixels, dpi));
      break;
    case ControlKind::kIcon:
      SendMessageW(window, STM_SETICON,
                   reinterpret_cast<WPARAM>(ProgramIcon(ScaleToDpi(rect.height, dpi))), 0);
      break;
    default:
      break;
  }
  PlacedWindow placed{window, rect, fontPercent};
  // A link keeps its underlined font: its texts fit.
  if (control.kind != ControlKind::kLinkText) ApplyReducedFonts({placed}, dpi);
  PlaceAtDpi(placed, dpi);
  return placed;
}

void BuildPanelControls(HWND parent, const PanelTemplate& panel, const PixelRect& area, UINT dpi,
                        HFONT font, Win32ControlLayer& layer, std::vector<PlacedWindow>& placed) {
  for (const ControlTemplate* control : InCreationOrder(panel.controls)) {
    PlacedWindow window = CreateControl(parent, *control, panel.controls, area, dpi, font);
    if (window.window == nullptr) continue;
    placed.push_back(window);
    if (control->id != kNoControlId) {
      layer.AddControl(panel.barId, control->id, control->kind, window.window);
    }
  }
  for (const std::vector<int>& group : RadioGroups(panel.controls)) {
    layer.AddRadioGroup(panel.barId, group);
  }
}
