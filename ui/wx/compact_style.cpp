#include "ui/wx/compact_style.h"

#include <gtk/gtk.h>

namespace {

// GTK's default controls are taller than Windows ones: less padding and smaller minimum sizes
// bring them to the Windows sizes; a 10-pixel font fits the longest labels into their width.
constexpr char kCompactCss[] = R"css(
* {
  font-family: "Noto Sans CJK JP", sans-serif;
  font-size: 10px;
}
button, entry, combobox button, menubar > menuitem {
  min-height: 0;
  min-width: 0;
  padding: 0 2px;
}
entry {
  padding: 0 3px;
}
combobox button.combo {
  padding: 0 3px;
}
combobox arrow {
  min-width: 10px;
  min-height: 10px;
}
checkbutton, radiobutton {
  min-height: 0;
  padding: 0;
}
checkbutton check, radiobutton radio {
  min-width: 11px;
  min-height: 11px;
  margin: 0 3px 0 0;
  padding: 0;
}
menubar > menuitem {
  padding: 3px 8px;
}
frame > border {
  border-radius: 0;
}
)css";

}  // namespace

void ApplyCompactStyle() {
  GdkScreen* screen = gdk_screen_get_default();
  if (screen == nullptr) return;
  GtkCssProvider* provider = gtk_css_provider_new();
  gtk_css_provider_load_from_data(provider, kCompactCss, -1, nullptr);
  gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(provider),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  // The screen keeps its own reference.
  g_object_unref(provider);
}
