#include "ui/wx/about_dialog.h"

#include <wx/dialog.h>
#include <wx/font.h>
#include <wx/stattext.h>

#include <string>

#include "ui/control_layer.h"
#include "ui/panel_layout.h"
#include "ui/wx/panel_builder.h"
#include "ui/wx/program_icon.h"

void ShowAboutDialog(wxWindow* owner) {
  const DialogTemplate& declaration = AboutDialogTemplate();
  wxDialog dialog(owner, wxID_ANY, wxString::FromUTF8(declaration.caption));
  dialog.SetIcon(ProgramIcon());
  dialog.SetClientSize(DialogUnitsToPixelsX(declaration.width),
                       DialogUnitsToPixelsY(declaration.height));
  for (bool groupBoxes : {true, false}) {
    for (const ControlTemplate& control : declaration.controls) {
      if ((control.kind == ControlKind::kGroupBox) != groupBoxes) continue;
      wxWindow* window = CreateControl(&dialog, control);
      if (control.kind != ControlKind::kLinkText) continue;
      // The link opens its page or a new mail; the box stays open.
      std::string target = AboutLinkTarget(control);
      window->SetForegroundColour(*wxBLUE);
      window->SetFont(window->GetFont().Underlined());
      window->SetCursor(wxCursor(wxCURSOR_HAND));
      window->Bind(wxEVT_LEFT_UP,
                   [target](wxMouseEvent&) { GetControlLayer().LaunchDocument(target); });
    }
  }
  dialog.SetAffirmativeId(kOkButton);
  dialog.SetEscapeId(kOkButton);
  dialog.CentreOnParent();
  dialog.ShowModal();
}
