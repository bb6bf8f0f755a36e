// Builds the wxWidgets controls of a panel or dialog from its declaration, placed with the
// Windows dialog-unit scale.
#pragma once

#include "resources/panel_templates.h"

#include <functional>

class wxDialog;
class wxWindow;
class WxControlLayer;

// Creates one control on `parent` at its template place; texts that need more room than their
// rectangle get it, as far as `parent` reaches. Returns the new window.
wxWindow* CreateControl(wxWindow* parent, const ControlTemplate& control);

// Gives a dialog made with its caption the declared client size, the program's icon and the
// declared controls (each told to `created`), centred over its parent.
void BuildTemplateDialog(wxDialog& dialog, const DialogTemplate& declaration,
                         const std::function<void(const ControlTemplate&, wxWindow*)>& created);

// Creates every control of `panel` on `parent`, registers the ones with ids with `layer` and
// routes their notifications to it. Group boxes are created first so that they lie beneath the
// controls they surround.
void BuildPanelControls(wxWindow* parent, const PanelTemplate& panel, WxControlLayer& layer);
