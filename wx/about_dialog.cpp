#include "wx/about_dialog.h"

#include <wx/dialog.h>
#include <wx/font.h>
#include <wx/stattext.h>

#include <string>

#include "controls/control_layer.h"
#include "wx/panel_builder.h"

void ShowAboutDialog(wxWindow* owner) {
  const DialogTemplate& declaration = AboutDialogTemplate();
  wxDialog dialog(owner, wxID_ANY, wxString::FromUTF8(declaration.caption));
  BuildTemplateDialog(dialog, declaration, [](const ControlTemplate& control, wxWindow* window) {
    if (control.kind != ControlKind::kLinkText) return;
    // The link opens its page or a new mail; the box stays open.
    std::string target = AboutLinkTarget(control);
    window->SetForegroundColour(*wxBLUE);
    window->SetFont(window->GetFont().Underlined());
    window->SetCursor(wxCursor(wxCURSOR_HAND));
    window->Bind(wxEVT_LEFT_UP,
                 [target](wxMouseEvent&) { GetControlLayer().LaunchDocument(target, nullptr); });
  });
  dialog.SetAffirmativeId(kOkButton);
  dialog.SetEscapeId(kOkButton);
  dialog.CentreOnParent();
  dialog.ShowModal();
}
