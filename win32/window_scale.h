// Placing the window's children for the monitor's resolution: the layout is computed at 96 DPI
// (controls/panel_layout) and every rectangle is scaled to the resolution the window is shown at.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>
#include <vector>

#include "controls/panel_layout.h"

inline constexpr UINT kPlainDpi = 96;

// A child window and its rectangle at 96 DPI; a text the rectangle cannot hold in the dialog
// font has the font at a smaller percentage of its size.
struct PlacedWindow {
  HWND window;
  PixelRect rect;
  int fontPercent = 100;
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
// The dialog font at `percent` of its size at `dpi`, kept for the life of the program.
HFONT ReducedDialogFont(UINT dpi, int percent);
// Gives each placed window with a reduced font that font at `dpi`, after ApplyFont gave every
// window the dialog font.
void ApplyReducedFonts(const std::vector<PlacedWindow>& placed, UINT dpi);
// Without the font's default margins the small number and type boxes have room for their whole
// text; every new font brings those margins back.
void RemoveEditMargins(HWND box);
// Gives every child of `parent` (and their children) `font`.
void ApplyFont(HWND parent, HFONT font);
