// A compact look for the toolkit's controls, so that each control fits the rectangle its
// template gives it at the Windows dialog-unit scale, with a Japanese font that shows every
// label whole.
#pragma once

#include <wx/font.h>

// Call once after the toolkit has started and before any window is created.
void ApplyCompactStyle();

// The style's font, 10 pixels high whatever the desktop's scaling, for what the program draws
// or measures itself.
wxFont CompactFont();
