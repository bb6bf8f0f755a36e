// A compact look for the toolkit's controls, so that each control fits the rectangle its
// template gives it at the Windows dialog-unit scale (times the desktop's scaling), with a
// Japanese font that shows every label whole.
#pragma once

#include <wx/font.h>

// Call once after the toolkit has started and before any window is created.
void ApplyCompactStyle();

// The style's font, 10 pixels high at 96 dpi and scaled with the layout, for what the program
// draws or measures itself.
wxFont CompactFont();

// How many screen pixels a pixel of the layout (designed at 96 dpi) takes: the desktop's
// scaling, its resolution over 96 dpi, never below 1. The window, its dialogs, their font and
// the compact style all scale by it.
double LayoutScale();
// A length of the layout in screen pixels.
int ScaledPixels(int pixels);
