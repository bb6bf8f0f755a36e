// ShowDialog of the real window: a modal dialog built from its declaration, its check boxes,
// radio buttons and edit boxes set from the values and read back on OK.
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/dialog.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>

#include <map>

#include "resources/panel_templates.h"
#include "wx/panel_builder.h"
#include "wx/wx_control_layer.h"

namespace {

bool IsValued(ControlKind kind) {
  return kind == ControlKind::kCheckBox || kind == ControlKind::kRadioButton ||
         kind == ControlKind::kEdit;
}

void SetValue(wxWindow* window, ControlKind kind, const std::string& value) {
  if (kind == ControlKind::kCheckBox) static_cast<wxCheckBox*>(window)->SetValue(value == "1");
  if (kind == ControlKind::kRadioButton && value == "1") {
    static_cast<wxRadioButton*>(window)->SetValue(true);
  }
  if (kind == ControlKind::kEdit)
    static_cast<wxTextCtrl*>(window)->ChangeValue(wxString::FromUTF8(value));
}

std::string ValueOf(wxWindow* window, ControlKind kind) {
  if (kind == ControlKind::kCheckBox)
    return static_cast<wxCheckBox*>(window)->GetValue() ? "1" : "0";
  if (kind == ControlKind::kRadioButton) {
    return static_cast<wxRadioButton*>(window)->GetValue() ? "1" : "0";
  }
  return static_cast<wxTextCtrl*>(window)->GetValue().utf8_string();
}

}  // namespace

bool WxControlLayer::ShowDialog(const DialogTemplate& declaration, DialogValues& values) {
  wxDialog dialog(owner_, wxID_ANY, wxString::FromUTF8(declaration.caption));
  std::map<int, std::pair<wxWindow*, ControlKind>> valued;
  BuildTemplateDialog(dialog, declaration, [&](const ControlTemplate& control, wxWindow* window) {
    if (control.kind == ControlKind::kPushButton) {
      const int answer = control.id == kOkButton ? wxID_OK : wxID_CANCEL;
      window->Bind(wxEVT_BUTTON, [&dialog, answer](wxCommandEvent&) { dialog.EndModal(answer); });
    }
    if (!IsValued(control.kind)) return;
    valued[control.id] = {window, control.kind};
    if (auto value = values.find(control.id); value != values.end()) {
      SetValue(window, control.kind, value->second);
    }
  });
  // Esc presses キャンセル; the dialog's own ids are its buttons'.
  dialog.SetEscapeId(kCancelButton);
  if (dialog.ShowModal() != wxID_OK) return false;
  for (const auto& [id, control] : valued) values[id] = ValueOf(control.first, control.second);
  return true;
}
