#include "wx/compact_style.h"

#include <gtk/gtk.h>
#include <wx/dcscreen.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "resources/message_captions.h"

namespace {

constexpr char kFontFace[] = "Noto Sans CJK JP";
constexpr int kFontPixels = 10;
// The resolution at which a point is 4/3 of a pixel.
constexpr double kPlainResolution = 96.0;

// GTK's default controls are taller than Windows ones: less padding and smaller minimum sizes
// bring them to the Windows sizes; a 10-pixel font fits the longest labels into their width,
// and edit boxes keep their width for the text, so that the number boxes show four digits whole.
// Lengths written $Npx are pixels of the layout, scaled with it; the font is kFontFace at
// kFontPixels.
constexpr char kCompactCss[] = R"css(
* {
  font-family: "Noto Sans CJK JP", sans-serif;
  font-size: $10px;
}
button, entry, combobox button, menubar > menuitem {
  min-height: 0;
  min-width: 0;
  padding: 0 $2px;
}
entry {
  padding: 0 $1px;
}
combobox button.combo {
  padding: 0 $3px;
}
combobox arrow {
  min-width: $10px;
  min-height: $10px;
}
checkbutton, radiobutton {
  min-height: 0;
  padding: 0;
}
checkbutton check, radiobutton radio {
  min-width: $11px;
  min-height: $11px;
  margin: 0 $3px 0 0;
  padding: 0;
}
menubar > menuitem {
  padding: $3px $8px;
}
frame > border {
  border-radius: 0;
}
)css";

// The style with its layout lengths in screen pixels.
std::string ScaledCss() {
  std::string css;
  for (const char* at = kCompactCss; *at != '\0'; ++at) {
    if (*at != '$') {
      css += *at;
      continue;
    }
    char* end = nullptr;
    const long pixels = std::strtol(at + 1, &end, 10);
    css += std::to_string(ScaledPixels(static_cast<int>(pixels)));
    at = end - 1;
  }
  return css;
}

// Message boxes are as wide as their captions need in the window manager's title bar, which
// GTK does not count: it sizes them by their text alone. Title bars draw in a bold font about
// half as large again as the window's, beside the window's icon and three buttons.
std::string MessageBoxCss() {
  constexpr double kTitleFontRatio = 1.5;
  constexpr int kTitleBarDecorationPixels = 110;
  const wxFont font = CompactFont().Bold();
  wxScreenDC screen;
  int widest = 0;
  for (const char* caption : {kMessageCaption, kQuestionCaption}) {
    int width = 0;
    screen.GetTextExtent(wxString::FromUTF8(caption), &width, nullptr, nullptr, nullptr, &font);
    widest = std::max(widest, width);
  }
  return "messagedialog .dialog-vbox {\n  min-width: " +
         std::to_string(static_cast<int>(widest * kTitleFontRatio) +
                        ScaledPixels(kTitleBarDecorationPixels)) +
         "px;\n}\n";
}

double ScreenResolution() {
  GdkScreen* screen = gdk_screen_get_default();
  const double resolution = screen != nullptr ? gdk_screen_get_resolution(screen) : -1;
  return resolution > 0 ? resolution : kPlainResolution;
}

}  // namespace

double LayoutScale() {
  return std::max(1.0, ScreenResolution() / kPlainResolution);
}

int ScaledPixels(int pixels) {
  return static_cast<int>(std::lround(pixels * LayoutScale()));
}

void ApplyCompactStyle() {
  GdkScreen* screen = gdk_screen_get_default();
  if (screen == nullptr) return;
  GtkCssProvider* provider = gtk_css_provider_new();
  const std::string css = ScaledCss() + MessageBoxCss();
  gtk_css_provider_load_from_data(provider, css.c_str(), -1, nullptr);
  gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(provider),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  // The screen keeps its own reference.
  g_object_unref(provider);
}

wxFont CompactFont() {
  // Points are drawn at the screen's resolution.
  return wxFont(
      wxFontInfo(kFontPixels * LayoutScale() * 72.0 / ScreenResolution()).FaceName(kFontFace));
}
