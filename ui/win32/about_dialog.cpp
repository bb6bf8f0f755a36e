#include "ui/win32/about_dialog.h"

#include <map>
#include <string>

#include "platform/wide_text_windows.h"
#include "ui/control_layer.h"
#include "ui/win32/panel_builder.h"
#include "ui/win32/program_icon.h"
#include "ui/win32/window_scale.h"

namespace {

constexpr DWORD kDialogStyle = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr COLORREF kLinkColour = RGB(0, 0, 255);

struct AboutBox {
  UINT dpi;
  FontHandle font;
  FontHandle linkFont;
  // Each link's window and what it opens.
  std::map<HWND, std::string> links;
};

// A dialog without controls, which the box builds from its declaration when it opens.
struct alignas(DWORD) EmptyDialogTemplate {
  DLGTEMPLATE dialog;
  WORD menu;
  WORD windowClass;
  WORD title;
};

void BuildAboutBox(HWND dialog, AboutBox& box) {
  const DialogTemplate& declaration = AboutDialogTemplate();
  SetWindowTextW(dialog, platform::Widen(declaration.caption).c_str());
  SendMessageW(dialog, WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(ProgramIcon(GetSystemMetrics(SM_CXICON))));
  const PixelRect area{0, 0, DialogUnitsToPixelsX(declaration.width),
                       DialogUnitsToPixelsY(declaration.height)};
  for (bool groupBoxes : {true, false}) {
    for (const ControlTemplate& control : declaration.controls) {
      if ((control.kind == ControlKind::kGroupBox) != groupBoxes) continue;
      bool link = control.kind == ControlKind::kLinkText;
      HFONT font = link ? box.linkFont.get() : box.font.get();
      PlacedWindow placed = CreateControl(dialog, control, area, box.dpi, font);
      if (link && placed.window != nullptr) box.links[placed.window] = AboutLinkTarget(control);
    }
  }
  RECT frame{0, 0, ScaleToDpi(area.width, box.dpi), ScaleToDpi(area.height, box.dpi)};
  AdjustWindowRectExForDpi(&frame, kDialogStyle, FALSE, 0, box.dpi);
  RECT owner{};
  GetWindowRect(GetParent(dialog), &owner);
  int frameWidth = frame.right - frame.left;
  int frameHeight = frame.bottom - frame.top;
  SetWindowPos(dialog, nullptr, (owner.left + owner.right - frameWidth) / 2,
               (owner.top + owner.bottom - frameHeight) / 2, frameWidth, frameHeight, SWP_NOZORDER);
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    BuildAboutBox(dialog, *reinterpret_cast<AboutBox*>(lParam));
    return TRUE;
  }
  auto* box = reinterpret_cast<AboutBox*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (box == nullptr) return FALSE;
  switch (message) {
    case WM_COMMAND: {
      auto link = box->links.find(reinterpret_cast<HWND>(lParam));
      if (link != box->links.end() && HIWORD(wParam) == STN_CLICKED) {
        // The link opens its page or a new mail; the box stays open.
        GetControlLayer().LaunchDocument(link->second);
      } else if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDOK);
      }
      return TRUE;
    }
    case WM_CTLCOLORSTATIC:
      if (box->links.contains(reinterpret_cast<HWND>(lParam))) {
        auto context = reinterpret_cast<HDC>(wParam);
        SetTextColor(context, kLinkColour);
        SetBkMode(context, TRANSPARENT);
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
      }
      return FALSE;
    case WM_SETCURSOR:
      if (box->links.contains(reinterpret_cast<HWND>(wParam))) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

void ShowAboutDialog(HWND owner) {
  UINT dpi = GetDpiForWindow(owner);
  AboutBox box{dpi, CreateDialogFont(dpi), CreateDialogFont(dpi, true), {}};
  EmptyDialogTemplate empty{};
  empty.dialog.style = kDialogStyle;
  DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &empty.dialog, owner, AboutProc,
                          reinterpret_cast<LPARAM>(&box));
}
