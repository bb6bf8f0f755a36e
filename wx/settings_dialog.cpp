// ShowDialog of the real window: a modal dialog built from its declaration, its check boxes,
// radio buttons, edit boxes and list boxes set from the values and read back on OK or when a
// button of the dialog's own acts.
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/dialog.h>
#include <wx/listbox.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>

#include <map>

#include "resources/panel_templates.h"
#include "wx/panel_builder.h"
#include "wx/wx_control_layer.h"

namespace {

bool IsValued(const ControlTemplate& control) {
  const ControlKind kind = control.kind;
  return kind == ControlKind::kCheckBox || kind == ControlKind::kRadioButton ||
         kind == ControlKind::kEdit || kind == ControlKind::kListBox ||
         (kind == ControlKind::kLabel && control.id != kNoControlId);
}

void SetValue(wxWindow* window, ControlKind kind, const std::string& value) {
  if (kind == ControlKind::kCheckBox) static_cast<wxCheckBox*>(window)->SetValue(value == "1");
  if (kind == ControlKind::kRadioButton && value == "1") {
    static_cast<wxRadioButton*>(window)->SetValue(true);
  }
  if (kind == ControlKind::kEdit)
    static_cast<wxTextCtrl*>(window)->ChangeValue(wxString::FromUTF8(value));
  if (kind == ControlKind::kLabel) window->SetLabel(wxString::FromUTF8(value));
  if (kind == ControlKind::kListBox) {
    auto* box = static_cast<wxListBox*>(window);
    const ListBoxContents list = ListBoxContentsOf(value);
    box->Clear();
    for (const std::string& entry : list.entries) box->Append(wxString::FromUTF8(entry));
    if (list.selected >= 0) box->SetSelection(list.selected);
  }
}

std::string ValueOf(wxWindow* window, ControlKind kind) {
  if (kind == ControlKind::kCheckBox)
    return static_cast<wxCheckBox*>(window)->GetValue() ? "1" : "0";
  if (kind == ControlKind::kRadioButton) {
    return static_cast<wxRadioButton*>(window)->GetValue() ? "1" : "0";
  }
  if (kind == ControlKind::kListBox) {
    auto* box = static_cast<wxListBox*>(window);
    ListBoxContents list;
    for (unsigned i = 0; i < box->GetCount(); ++i)
      list.entries.push_back(box->GetString(i).utf8_string());
    list.selected = box->GetSelection();
    return ListBoxValue(list);
  }
  if (kind == ControlKind::kLabel) return window->GetLabel().utf8_string();
  return static_cast<wxTextCtrl*>(window)->GetValue().utf8_string();
}

}  // namespace

bool WxControlLayer::ShowDialog(const DialogTemplate& declaration, DialogValues& values,
                                const DialogAction& action) {
  wxDialog dialog(DialogOwner(), wxID_ANY, wxString::FromUTF8(declaration.caption));
  std::map<int, std::pair<wxWindow*, ControlKind>> valued;
  auto readValues = [&] {
    for (const auto& [id, control] : valued) values[id] = ValueOf(control.first, control.second);
  };
  BuildTemplateDialog(dialog, declaration, [&](const ControlTemplate& control, wxWindow* window) {
    if (control.kind == ControlKind::kPushButton) {
      const int buttonId = control.id;
      window->Bind(wxEVT_BUTTON, [&, buttonId](wxCommandEvent&) {
        if (buttonId == kOkButton || buttonId == kCancelButton) {
          dialog.EndModal(buttonId == kOkButton ? wxID_OK : wxID_CANCEL);
          return;
        }
        if (!action) return;
        readValues();
        const bool closes = OwningDialogs(&dialog, [&] { return action(buttonId, values); });
        if (closes) {
          dialog.EndModal(wxID_APPLY);
          return;
        }
        for (const auto& [id, control] : valued) {
          if (auto value = values.find(id); value != values.end()) {
            SetValue(control.first, control.second, value->second);
          }
        }
      });
    }
    if (!IsValued(control)) return;
    valued[control.id] = {window, control.kind};
    if (auto value = values.find(control.id); value != values.end()) {
      SetValue(window, control.kind, value->second);
    }
  });
  // Esc presses キャンセル; the dialog's own ids are its buttons'.
  dialog.SetEscapeId(kCancelButton);
  const int answer = dialog.ShowModal();
  if (answer == wxID_APPLY) return true;
  if (answer != wxID_OK) return false;
  readValues();
  return true;
}
