// Placing the window's children for the monitor's resolution: the layout is computed at 96 DPI
// (ui/panel_layout) and every rectangle is scaled to the resolution the window is shown at.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

#include "ui/panel_layout.h"

inline constexpr UINT kPlainDpi = 96;

// A child window and its rectangle at 96 DPI.
struct PlacedWindow {
  HWND window;
  PixelRect rect;
};

int ScaleToDpi(int pixels, UINT dpi);
int ScaleFromDpi(int pixels, UINT dpi);
void PlaceAtDpi(const PlacedWindow& placed, UINT dpi);

struct FontRelease {
  void operator()(HFONT font) const { DeleteObject(font); }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, FontRelease>;

// The dialog font of the Japanese system at the 8 points the layout is measured for, at `dpi`.
// Underlined for links.
FontHandle CreateDialogFont(UINT dpi, bool underlined = false);
// Without the font's default margins the small number and type boxes have room for their whole
// text; every new font brings those margins back.
void RemoveEditMargins(HWND box);
// Gives every child of `parent` (and their children) `font`.
void ApplyFont(HWND parent, HFONT font);
