// Builds the native controls of a panel or dialog from its declaration, and the panel windows
// that pass their controls' notifications on to the control layer.
#pragma once

#include <windows.h>

#include <vector>

#include "resources/panel_templates.h"
#include "win32/window_scale.h"

class Win32ControlLayer;

// A docked panel: a child window of `parent` whose control id is `barId` (0 for the view). It
// passes the notifications of its controls to `layer` and, when `acceptsFiles`, the files
// dropped on it.
HWND CreatePanelWindow(HWND parent, int barId, bool acceptsFiles, Win32ControlLayer& layer);

// Creates one control of `siblings` on `parent` at its template place, at `dpi` with `font`. A
// text that needs more room than its rectangle gets it, as far as the parent's `area` (at 96
// DPI) reaches, and a one-line text no further than the frame of a group box around it.
PlacedWindow CreateControl(HWND parent, const ControlTemplate& control,
                           std::span<const ControlTemplate> siblings, const PixelRect& area,
                           UINT dpi, HFONT font);

// Creates every control of `panel` on `parent`, registers the ones with ids with `layer` and
// adds every control to `placed`. Group boxes are created first, so that the tab order runs
// through the controls they surround as declared.
void BuildPanelControls(HWND parent, const PanelTemplate& panel, const PixelRect& area, UINT dpi,
                        HFONT font, Win32ControlLayer& layer, std::vector<PlacedWindow>& placed);
