#include "win32/about_dialog.h"

#include <map>
#include <string>

#include "controls/control_layer.h"
#include "win32/template_dialog.h"
#include "win32/window_scale.h"

namespace {

constexpr COLORREF kLinkColour = RGB(0, 0, 255);

struct AboutBox {
  UINT dpi;
  FontHandle font;
  FontHandle linkFont;
  // Each link's window and what it opens.
  std::map<HWND, std::string> links;
};

void BuildAboutBox(HWND dialog, AboutBox& box) {
  BuildTemplateDialog(
      dialog, AboutDialogTemplate(), box.dpi,
      [&box](const ControlTemplate& control) {
        return control.kind == ControlKind::kLinkText ? box.linkFont.get() : box.font.get();
      },
      [&box](const ControlTemplate& control, HWND window) {
        if (control.kind == ControlKind::kLinkText) box.links[window] = AboutLinkTarget(control);
      });
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  AboutBox* box = DialogState(dialog, message, lParam, BuildAboutBox);
  if (message == WM_INITDIALOG) return TRUE;
  if (box == nullptr) return FALSE;
  switch (message) {
    case WM_COMMAND: {
      auto link = box->links.find(reinterpret_cast<HWND>(lParam));
      if (link != box->links.end() && HIWORD(wParam) == STN_CLICKED) {
        // The link opens its page or a new mail; the box stays open.
        GetControlLayer().LaunchDocument(link->second, nullptr);
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
  const UINT dpi = GetDpiForWindow(owner);
  // The box's fonts are made for its own layout resolution.
  const UINT fontDpi = TemplateDpi(AboutDialogTemplate(), dpi);
  AboutBox box{dpi, CreateDialogFont(fontDpi), CreateDialogFont(fontDpi, true), {}};
  RunTemplateDialog(owner, AboutProc, reinterpret_cast<LPARAM>(&box));
}
