#include "win32/window_scale.h"

#include <iterator>
#include <map>
#include <string_view>
#include <utility>

#include "resources/panel_templates.h"

namespace {

constexpr int kFontPoints = kDialogFontPoints;
constexpr int kPointsPerInch = 72;
constexpr wchar_t kFontFace[] = L"MS UI Gothic";

BOOL CALLBACK SetFontOf(HWND child, LPARAM font) {
  SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
  // A new font gives an edit box the font's margins again.
  wchar_t className[8] = {};
  GetClassNameW(child, className, static_cast<int>(std::size(className)));
  if (std::wstring_view(className) == L"Edit") RemoveEditMargins(child);
  return TRUE;
}

// The dialog face `pixels` high (its characters' height, without the leading).
FontHandle CreateFontOfHeight(int pixels, bool underlined) {
  return FontHandle(CreateFontW(-pixels, 0, 0, 0, FW_NORMAL, FALSE, underlined, FALSE,
                                DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, kFontFace));
}

}  // namespace

void RemoveEditMargins(HWND box) {
  SendMessageW(box, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(0, 0));
}

int ScaleToDpi(int pixels, UINT dpi) {
  return MulDiv(pixels, static_cast<int>(dpi), kPlainDpi);
}

int ScaleFromDpi(int pixels, UINT dpi) {
  return MulDiv(pixels, kPlainDpi, static_cast<int>(dpi));
}

void PlaceAtDpi(const PlacedWindow& placed, UINT dpi) {
  const PixelRect& rect = placed.rect;
  int x = ScaleToDpi(rect.x, dpi);
  int y = ScaleToDpi(rect.y, dpi);
  // Edges are scaled, not sizes, so that neighbours stay adjoined.
  SetWindowPos(placed.window, nullptr, x, y, ScaleToDpi(rect.Right(), dpi) - x,
               ScaleToDpi(rect.Bottom(), dpi) - y, SWP_NOZORDER | SWP_NOACTIVATE);
}

FontHandle CreateDialogFont(UINT dpi, bool underlined) {
  return CreateFontOfHeight(MulDiv(kFontPoints, static_cast<int>(dpi), kPointsPerInch), underlined);
}

HFONT ReducedDialogFont(UINT dpi, int percent) {
  static std::map<std::pair<UINT, int>, FontHandle> fonts;
  FontHandle& font = fonts[{dpi, percent}];
  if (!font) {
    font = CreateFontOfHeight(
        MulDiv(kFontPoints * percent, static_cast<int>(dpi), kPointsPerInch * 100), false);
  }
  return font.get();
}

void ApplyReducedFonts(const std::vector<PlacedWindow>& placed, UINT dpi) {
  for (const PlacedWindow& window : placed) {
    if (window.fontPercent == 100) continue;
    SendMessageW(window.window, WM_SETFONT,
                 reinterpret_cast<WPARAM>(ReducedDialogFont(dpi, window.fontPercent)), FALSE);
  }
}

void ApplyFont(HWND parent, HFONT font) {
  EnumChildWindows(parent, SetFontOf, reinterpret_cast<LPARAM>(font));
}
