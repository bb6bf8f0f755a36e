#include "wx/panel_builder.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/dialog.h>
#include <wx/dnd.h>
#include <wx/font.h>
#include <wx/gauge.h>
#include <wx/listbox.h>
#include <wx/radiobut.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/treectrl.h>

#include <algorithm>

#include "controls/panel_layout.h"
#include "wx/compact_style.h"
#include "wx/edit_filters.h"
#include "wx/program_icon.h"
#include "wx/wx_control_layer.h"

namespace {

constexpr int kTreeSpacing = 2;

wxString Text(const char* text) {
  return wxString::FromUTF8(text);
}

int WxId(const ControlTemplate& control) {
  return control.id == kNoControlId ? wxID_ANY : control.id;
}

long EditStyle(unsigned style) {
  long wxStyle = 0;
  if (style & kReadOnly) wxStyle |= wxTE_READONLY;
  if (style & kRightAligned) wxStyle |= wxTE_RIGHT;
  return wxStyle;
}

// Breaks a text into lines no wider than `width` in the compact style's font. Japanese has no
// blanks between words, so a line may break after any character.
wxString WrapAtWidth(const wxWindow* window, const wxString& text, int width) {
  const wxFont font = CompactFont();
  wxString wrapped;
  wxString line;
  for (wxUniChar character : text) {
    wxString longer = line + character;
    int lineWidth = 0;
    window->GetTextExtent(longer, &lineWidth, nullptr, nullptr, nullptr, &font);
    if (!line.empty() && lineWidth > width) {
      wrapped += line + '\n';
      line = character;
    } else {
      line = longer;
    }
  }
  return wrapped + line;
}

// Gives a text-bearing control the room its text needs, within its parent.
void FitText(wxWindow* window, const ControlTemplate& control, const PixelRect& rect) {
  wxSize parentSize = window->GetParent()->GetClientSize();
  int maxWidth = std::max(rect.width, parentSize.x - rect.x);
  int maxHeight = std::max(rect.height, parentSize.y - rect.y);
  if (IsWrappedLabel(control)) {
    window->SetLabel(
        WrapAtWidth(window, window->GetLabel(), WrappedLabelWidth(rect, parentSize.x)));
  }
  wxSize best = window->GetBestSize();
  window->SetSize(rect.x, rect.y, std::min(std::max(rect.width, best.x), maxWidth),
                  std::min(std::max(rect.height, best.y), maxHeight));
}

class InputDropTarget : public wxFileDropTarget {
 public:
  InputDropTarget(WxControlLayer& layer, int barId) : layer_(layer), barId_(barId) {}
  bool OnDropFiles(wxCoord, wxCoord, const wxArrayString& names) override {
    ControlEvent event{barId_, 0, Notification::kFilesDropped, {}};
    for (const wxString& name : names) event.files.push_back(name.utf8_string());
    layer_.Raise(event);
    return true;
  }

 private:
  WxControlLayer& layer_;
  int barId_;
};

void RouteNotifications(wxWindow* window, const ControlTemplate& control, int barId,
                        WxControlLayer& layer) {
  int id = control.id;
  auto raise = [&layer, barId, id](Notification notification) {
    layer.Raise({barId, id, notification, {}});
  };
  switch (control.kind) {
    case ControlKind::kPushButton:
      window->Bind(wxEVT_BUTTON, [raise](wxCommandEvent&) { raise(Notification::kClicked); });
      break;
    case ControlKind::kCheckBox:
      window->Bind(wxEVT_CHECKBOX, [raise](wxCommandEvent&) { raise(Notification::kClicked); });
      break;
    case ControlKind::kRadioButton:
      window->Bind(wxEVT_RADIOBUTTON, [raise](wxCommandEvent&) { raise(Notification::kClicked); });
      break;
    case ControlKind::kDropDownList:
      window->Bind(wxEVT_CHOICE,
                   [raise](wxCommandEvent&) { raise(Notification::kSelectionChanged); });
      break;
    case ControlKind::kListBox:
      window->Bind(wxEVT_LISTBOX,
                   [raise](wxCommandEvent&) { raise(Notification::kSelectionChanged); });
      break;
    case ControlKind::kEdit:
      window->Bind(wxEVT_SET_FOCUS, [&layer, barId, id](wxFocusEvent& event) {
        event.Skip();
        layer.EditFocused(barId, id);
      });
      window->Bind(wxEVT_KILL_FOCUS, [raise](wxFocusEvent& event) {
        event.Skip();
        raise(Notification::kFocusLost);
      });
      break;
    case ControlKind::kTree:
      window->Bind(wxEVT_TREE_SEL_CHANGED, [raise, &layer](wxTreeEvent&) {
        if (!layer.ChangingTreeSelection()) raise(Notification::kTreeSelectionChanged);
      });
      break;
    default:
      break;
  }
}

}  // namespace

wxWindow* CreateControl(wxWindow* parent, const ControlTemplate& control) {
  PixelRect rect = ScaledRect(ControlRect(control), LayoutScale());
  wxPoint place(rect.x, rect.y);
  wxSize size(rect.width, rect.height);
  int id = WxId(control);
  wxWindow* window = nullptr;
  switch (control.kind) {
    case ControlKind::kGroupBox:
      window = new wxStaticBox(parent, id, Text(control.text), place, size);
      break;
    case ControlKind::kLabel:
    case ControlKind::kLinkText:
      window = new wxStaticText(parent, id, Text(control.text), place, size);
      break;
    case ControlKind::kPushButton:
      window = new wxButton(parent, id, Text(control.text), place, size, wxBU_EXACTFIT);
      if (control.style & kDefaultButton) static_cast<wxButton*>(window)->SetDefault();
      break;
    case ControlKind::kCheckBox:
      window = new wxCheckBox(parent, id, Text(control.text), place, size);
      break;
    case ControlKind::kRadioButton:
      window = new wxRadioButton(parent, id, Text(control.text), place, size,
                                 (control.style & kGroupStart) ? wxRB_GROUP : 0);
      break;
    case ControlKind::kDropDownList:
      window = new wxChoice(parent, id, place, size);
      break;
    case ControlKind::kListBox:
      window = new wxListBox(parent, id, place, size, 0, nullptr, wxLB_SINGLE | wxLB_ALWAYS_SB);
      break;
    case ControlKind::kEdit: {
      auto* box = new wxTextCtrl(parent, id, wxEmptyString, place, size, EditStyle(control.style));
      if (control.style & kDigitsOnly) {
        FilterDigitInput(box);
      } else if (!(control.style & kReadOnly)) {
        LimitTextInputBytes(box);
      }
      window = box;
      break;
    }
    case ControlKind::kTree: {
      auto* tree = new wxTreeCtrl(
          parent, id, place, size,
          wxTR_HIDE_ROOT | wxTR_HAS_BUTTONS | wxTR_LINES_AT_ROOT | wxTR_SINGLE | wxBORDER_NONE);
      tree->AddRoot(wxEmptyString);
      // Narrower indents than the toolkit's leave the item texts their whole width.
      tree->SetSpacing(ScaledPixels(kTreeSpacing));
      tree->SetIndent(ScaledPixels(kTreeIndentPixels));
      // The tree draws its items itself, with the font of the compact style.
      tree->SetFont(CompactFont());
      // The settings tree never scrolls.
      tree->ShowScrollbars(wxSHOW_SB_NEVER, wxSHOW_SB_NEVER);
      window = tree;
      break;
    }
    case ControlKind::kProgressBar:
      window = new wxGauge(parent, id, 100, place, size, wxGA_HORIZONTAL | wxGA_SMOOTH);
      break;
    case ControlKind::kIcon:
      window = new wxStaticBitmap(parent, id, ProgramIconBitmap(rect.height), place, size);
      break;
  }
  if (control.kind == ControlKind::kLabel || control.kind == ControlKind::kLinkText ||
      control.kind == ControlKind::kCheckBox || control.kind == ControlKind::kRadioButton) {
    FitText(window, control, rect);
  } else {
    window->SetSize(rect.x, rect.y, rect.width, rect.height);
  }
  return window;
}

void BuildTemplateDialog(wxDialog& dialog, const DialogTemplate& declaration,
                         const std::function<void(const ControlTemplate&, wxWindow*)>& created) {
  dialog.SetIcon(ProgramIcon());
  dialog.SetClientSize(ScaledPixels(DialogUnitsToPixelsX(declaration.width)),
                       ScaledPixels(DialogUnitsToPixelsY(declaration.height)));
  for (const ControlTemplate* control : InCreationOrder(declaration.controls)) {
    created(*control, CreateControl(&dialog, *control));
  }
  dialog.CentreOnParent();
}

void BuildPanelControls(wxWindow* parent, const PanelTemplate& panel, WxControlLayer& layer) {
  // The buttons of the radio group being built; the toolkit joins a radio button to the group
  // of the radio button created before it unless it starts a group.
  std::vector<int> radioGroup;
  auto endRadioGroup = [&] {
    if (radioGroup.empty()) return;
    // A hidden member lets the program leave the visible buttons all clear, which the toolkit
    // does not allow otherwise.
    auto* none = new wxRadioButton(parent, wxID_ANY, wxEmptyString);
    none->Hide();
    for (int member : radioGroup) layer.AddRadioNone(panel.barId, member, none);
    radioGroup.clear();
  };
  for (const ControlTemplate* control : InCreationOrder(panel.controls)) {
    if (control->kind == ControlKind::kRadioButton && (control->style & kGroupStart)) {
      endRadioGroup();
    }
    wxWindow* window = CreateControl(parent, *control);
    if (control->kind == ControlKind::kRadioButton) radioGroup.push_back(control->id);
    if (control->id == kNoControlId) continue;
    layer.AddControl(panel.barId, control->id, control->kind, window);
    RouteNotifications(window, *control, panel.barId, layer);
  }
  endRadioGroup();
  if (panel.acceptsFiles) parent->SetDropTarget(new InputDropTarget(layer, panel.barId));
}
