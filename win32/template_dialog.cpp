#include "win32/template_dialog.h"

#include "platform/wide_text_windows.h"
#include "win32/panel_builder.h"
#include "win32/program_icon.h"
#include "win32/window_scale.h"

namespace {

constexpr DWORD kDialogStyle = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;

// A dialog without controls, which is built from its declaration when it opens.
struct alignas(DWORD) EmptyDialogTemplate {
  DLGTEMPLATE dialog;
  WORD menu;
  WORD windowClass;
  WORD title;
};

}  // namespace

INT_PTR RunTemplateDialog(HWND owner, DLGPROC procedure, LPARAM parameter) {
  EmptyDialogTemplate empty{};
  empty.dialog.style = kDialogStyle;
  return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &empty.dialog, owner, procedure,
                                 parameter);
}

UINT TemplateDpi(const DialogTemplate& declaration, UINT dpi) {
  return static_cast<UINT>(
      MulDiv(static_cast<int>(dpi), declaration.fontPoints, kDialogFontPoints));
}

void BuildTemplateDialog(HWND dialog, const DialogTemplate& declaration, UINT dpi,
                         const std::function<HFONT(const ControlTemplate&)>& fontOf,
                         const std::function<void(const ControlTemplate&, HWND)>& created) {
  const UINT layoutDpi = TemplateDpi(declaration, dpi);
  SetWindowTextW(dialog, platform::Widen(declaration.caption).c_str());
  SendMessageW(dialog, WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(ProgramIcon(GetSystemMetrics(SM_CXICON))));
  const PixelRect area{0, 0, DialogUnitsToPixelsX(declaration.width),
                       DialogUnitsToPixelsY(declaration.height)};
  for (const ControlTemplate* control : InCreationOrder(declaration.controls)) {
    PlacedWindow placed =
        CreateControl(dialog, *control, declaration.controls, area, layoutDpi, fontOf(*control));
    if (placed.window != nullptr) created(*control, placed.window);
  }
  RECT frame{0, 0, ScaleToDpi(area.width, layoutDpi), ScaleToDpi(area.height, layoutDpi)};
  AdjustWindowRectExForDpi(&frame, kDialogStyle, FALSE, 0, dpi);
  RECT owner{};
  GetWindowRect(GetParent(dialog), &owner);
  int frameWidth = frame.right - frame.left;
  int frameHeight = frame.bottom - frame.top;
  SetWindowPos(dialog, nullptr, (owner.left + owner.right - frameWidth) / 2,
               (owner.top + owner.bottom - frameHeight) / 2, frameWidth, frameHeight, SWP_NOZORDER);
}
