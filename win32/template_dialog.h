// Modal dialogs built from a declaration of resources/panel_templates.h: the about box and the
// dialogs of ShowDialog share their window, their placement and their controls' creation.
#pragma once

#include <windows.h>

#include <functional>

#include "resources/panel_templates.h"

// Runs a modal dialog over `owner`; `procedure` gets `parameter` with WM_INITDIALOG. What
// EndDialog was given.
INT_PTR RunTemplateDialog(HWND owner, DLGPROC procedure, LPARAM parameter);

// What a dialog's procedure works on: the object given to RunTemplateDialog, which `build` makes
// the dialog from on WM_INITDIALOG; null before that.
template <typename Box>
Box* DialogState(HWND dialog, UINT message, LPARAM lParam, void (*build)(HWND, Box&)) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    build(dialog, *reinterpret_cast<Box*>(lParam));
  }
  return reinterpret_cast<Box*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

// The resolution a dialog's controls and fonts are made for on a monitor of `dpi`: a dialog in a
// larger font than the window's is laid out as the window's font would be at a resolution that
// much higher, its dialog units growing with its font.
UINT TemplateDpi(const DialogTemplate& declaration, UINT dpi);

// Gives the dialog its caption and icon, creates its controls (group boxes first, each with the
// font `fontOf` gives it, made for TemplateDpi, each told to `created`), and sizes and centres
// it over its owner.
void BuildTemplateDialog(HWND dialog, const DialogTemplate& declaration, UINT dpi,
                         const std::function<HFONT(const ControlTemplate&)>& fontOf,
                         const std::function<void(const ControlTemplate&, HWND)>& created);
