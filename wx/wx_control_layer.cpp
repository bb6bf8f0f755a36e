#include "wx/wx_control_layer.h"

#include <gtk/gtk.h>

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/debug.h>
#include <wx/gauge.h>
#include <wx/listbox.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>
#include <wx/treectrl.h>

#include <algorithm>
#include <exception>

#include "controls/control_registry.h"
#include "controls/panel_layout.h"
#include "wx/compact_style.h"
#include "wx/edit_filters.h"

namespace {

wxString Text(const std::string& text) {
  return wxString::FromUTF8(text.data(), text.size());
}

std::string Utf8(const wxString& text) {
  return text.utf8_string();
}

// A debug build stops at an address that names no control; a release build does nothing.
void ReportMiss([[maybe_unused]] const std::source_location& caller, [[maybe_unused]] int barId,
                [[maybe_unused]] int controlId) {
#ifndef NDEBUG
  wxFAIL_MSG(
      wxString::Format("no control at (%d, %d) for %s", barId, controlId, caller.function_name()));
#endif
}

// A read-only box shows what the program puts in it (a file's type, its size) in the compact
// font, or in the largest smaller one that holds it whole where the box is too narrow for it.
void FitReadOnlyText(wxTextCtrl* box) {
  GtkWidget* entry = box->GetHandle();
  GtkStyleContext* style = gtk_widget_get_style_context(entry);
  GtkBorder padding;
  GtkBorder border;
  gtk_style_context_get_padding(style, gtk_style_context_get_state(style), &padding);
  gtk_style_context_get_border(style, gtk_style_context_get_state(style), &border);
  const int room = box->GetSize().x - padding.left - padding.right - border.left - border.right;
  wxFont font = CompactFont();
  const double fullSize = font.GetFractionalPointSize();
  const int percent = LargestFittingFontPercent([&](int candidate) {
    font.SetFractionalPointSize(fullSize * candidate / 100.0);
    int width = 0;
    box->GetTextExtent(box->GetValue(), &width, nullptr, nullptr, nullptr, &font);
    return width <= room;
  });
  font.SetFractionalPointSize(fullSize * percent / 100.0);
  box->SetFont(font);
}

// The root items of a tree with a hidden root, in order.
std::vector<wxTreeItemId> RootItems(const wxTreeCtrl& tree) {
  std::vector<wxTreeItemId> items;
  wxTreeItemIdValue cookie;
  for (wxTreeItemId item = tree.GetFirstChild(tree.GetRootItem(), cookie); item.IsOk();
       item = tree.GetNextChild(tree.GetRootItem(), cookie)) {
    items.push_back(item);
  }
  return items;
}

}  // namespace

WxControlLayer::WxControlLayer(wxWindow* owner, wxWindow* view) : owner_(owner), view_(view) {}

void WxControlLayer::AddPanel(int barId, wxWindow* panel) {
  panels_[barId] = panel;
}

void WxControlLayer::AddControl(int barId, int controlId, ControlKind kind, wxWindow* window) {
  controls_[{barId, controlId}] = {kind, window};
  if (kind == ControlKind::kProgressBar) progress_[{barId, controlId}] = {};
}

void WxControlLayer::AddRadioNone(int barId, int controlId, wxWindow* none) {
  radioNone_[{barId, controlId}] = none;
}

void WxControlLayer::EditFocused(int barId, int controlId) {
  PassOnFocusLoss();
  focusedEdit_ = std::make_pair(barId, controlId);
}

void WxControlLayer::PassOnFocusLoss() {
  if (!focusedEdit_) return;
  auto [barId, controlId] = *focusedEdit_;
  focusedEdit_.reset();
  Deliver({barId, controlId, Notification::kFocusLost, {}});
}

void WxControlLayer::Raise(const ControlEvent& event) {
  // The toolkit reports an edit box's focus loss after the click that took the focus away has
  // been handled; the handlers expect it before, as Windows sends it. So a focus loss is passed
  // on when it happens or before the next notification, whichever comes first, and only once.
  if (event.notification == Notification::kFocusLost) {
    if (focusedEdit_ == std::make_pair(event.barId, event.controlId)) PassOnFocusLoss();
    return;
  }
  PassOnFocusLoss();
  Deliver(event);
}

void WxControlLayer::Deliver(const ControlEvent& event) {
  // No exception may cross the toolkit's event loop: a failing handler is reported instead.
  try {
    Notify(event);
  } catch (const std::exception& failure) {
    ShowMessageBox(failure.what());
  }
}

const WxControlLayer::BuiltControl* WxControlLayer::Lookup(int barId, int controlId,
                                                           std::initializer_list<ControlKind> kinds,
                                                           Caller caller) const {
  const BuiltControl* control = FindBuilt(controls_, barId, controlId, kinds);
  if (control == nullptr) ReportMiss(caller, barId, controlId);
  return control;
}

template <typename Window>
Window* WxControlLayer::Find(int barId, int controlId, ControlKind kind, Caller caller) const {
  const BuiltControl* control = Lookup(barId, controlId, {kind}, caller);
  return control ? static_cast<Window*>(control->window) : nullptr;
}

wxWindow* WxControlLayer::FindPanel(int barId, Caller caller) const {
  auto panel = panels_.find(barId);
  if (panel != panels_.end()) return panel->second;
  ReportMiss(caller, barId, 0);
  return nullptr;
}

wxWindow* WxControlLayer::PanelWindow(int barId) const {
  auto panel = panels_.find(barId);
  return panel == panels_.end() ? nullptr : panel->second;
}

wxWindow* WxControlLayer::ControlWindow(int barId, int controlId) const {
  auto control = controls_.find({barId, controlId});
  return control == controls_.end() ? nullptr : control->second.window;
}

bool WxControlLayer::HasPanel(int barId) const {
  return panels_.contains(barId);
}

bool WxControlLayer::IsPanelVisible(int barId) const {
  wxWindow* panel = FindPanel(barId);
  return panel != nullptr && panel->IsShown();
}

void WxControlLayer::SetPanelVisible(int barId, bool visible) {
  if (wxWindow* panel = FindPanel(barId)) panel->Show(visible);
}

int WxControlLayer::ListCount(int barId, int controlId) const {
  auto* list = Find<wxListBox>(barId, controlId, ControlKind::kListBox);
  return list ? static_cast<int>(list->GetCount()) : 0;
}

std::string WxControlLayer::ListText(int barId, int controlId, int index) const {
  auto* list = Find<wxListBox>(barId, controlId, ControlKind::kListBox);
  if (!list || index < 0 || index >= static_cast<int>(list->GetCount())) return "";
  return Utf8(list->GetString(index));
}

int WxControlLayer::ListInsert(int barId, int controlId, int index, const std::string& text) {
  auto* list = Find<wxListBox>(barId, controlId, ControlKind::kListBox);
  if (!list) return -1;
  int count = static_cast<int>(list->GetCount());
  if (index < 0) index = count;
  if (index > count) return -1;
  return list->Insert(Text(text), index);
}

int WxControlLayer::ListDelete(int barId, int controlId, int index) {
  auto* list = Find<wxListBox>(barId, controlId, ControlKind::kListBox);
  if (!list || index < 0 || index >= static_cast<int>(list->GetCount())) return -1;
  list->Delete(index);
  return static_cast<int>(list->GetCount());
}

void WxControlLayer::ListReset(int barId, int controlId) {
  if (auto* list = Find<wxListBox>(barId, controlId, ControlKind::kListBox)) list->Clear();
}

int WxControlLayer::ListSelection(int barId, int controlId) const {
  auto* list = Find<wxListBox>(barId, controlId, ControlKind::kListBox);
  return list ? list->GetSelection() : -1;
}

bool WxControlLayer::ListSelect(int barId, int controlId, int index) {
  auto* list = Find<wxListBox>(barId, controlId, ControlKind::kListBox);
  if (!list) return false;
  bool inRange = index >= 0 && index < static_cast<int>(list->GetCount());
  list->SetSelection(inRange ? index : wxNOT_FOUND);
  return inRange;
}

int WxControlLayer::ComboCount(int barId, int controlId) const {
  auto* combo = Find<wxChoice>(barId, controlId, ControlKind::kDropDownList);
  return combo ? static_cast<int>(combo->GetCount()) : 0;
}

std::string WxControlLayer::ComboText(int barId, int controlId, int index) const {
  auto* combo = Find<wxChoice>(barId, controlId, ControlKind::kDropDownList);
  if (!combo || index < 0 || index >= static_cast<int>(combo->GetCount())) return "";
  return Utf8(combo->GetString(index));
}

int WxControlLayer::ComboAppend(int barId, int controlId, const std::string& text) {
  auto* combo = Find<wxChoice>(barId, controlId, ControlKind::kDropDownList);
  return combo ? combo->Append(Text(text)) : -1;
}

void WxControlLayer::ComboReset(int barId, int controlId) {
  if (auto* combo = Find<wxChoice>(barId, controlId, ControlKind::kDropDownList)) combo->Clear();
}

bool WxControlLayer::ComboSelect(int barId, int controlId, int index) {
  auto* combo = Find<wxChoice>(barId, controlId, ControlKind::kDropDownList);
  if (!combo) return false;
  bool inRange = index >= 0 && index < static_cast<int>(combo->GetCount());
  combo->SetSelection(inRange ? index : wxNOT_FOUND);
  return inRange;
}

int WxControlLayer::ComboSelection(int barId, int controlId) const {
  auto* combo = Find<wxChoice>(barId, controlId, ControlKind::kDropDownList);
  return combo ? combo->GetSelection() : -1;
}

int WxControlLayer::GetCheck(int barId, int controlId) const {
  const BuiltControl* button =
      Lookup(barId, controlId, {ControlKind::kCheckBox, ControlKind::kRadioButton});
  if (!button) return 0;
  if (button->kind == ControlKind::kCheckBox) {
    return static_cast<wxCheckBox*>(button->window)->GetValue() ? 1 : 0;
  }
  return static_cast<wxRadioButton*>(button->window)->GetValue() ? 1 : 0;
}

void WxControlLayer::SetCheck(int barId, int controlId, int checked) {
  const BuiltControl* button =
      Lookup(barId, controlId, {ControlKind::kCheckBox, ControlKind::kRadioButton});
  if (!button) return;
  if (button->kind == ControlKind::kCheckBox) {
    static_cast<wxCheckBox*>(button->window)->SetValue(checked != 0);
  } else {
    auto* radio = static_cast<wxRadioButton*>(button->window);
    if (checked != 0) {
      radio->SetValue(true);
    } else if (radio->GetValue()) {
      // Checking the group's hidden button clears the others.
      auto none = radioNone_.find({barId, controlId});
      if (none != radioNone_.end()) static_cast<wxRadioButton*>(none->second)->SetValue(true);
    }
  }
}

std::string WxControlLayer::GetText(int barId, int controlId) const {
  const BuiltControl* control = Lookup(barId, controlId, {});
  if (!control) return "";
  if (control->kind == ControlKind::kEdit) {
    return Utf8(static_cast<wxTextCtrl*>(control->window)->GetValue());
  }
  return Utf8(control->window->GetLabel());
}

void WxControlLayer::LimitTyping(int barId, int controlId, int characters) {
  if (const BuiltControl* control = Lookup(barId, controlId, {ControlKind::kEdit})) {
    LimitTypedCharacters(static_cast<wxTextCtrl*>(control->window), characters);
  }
}

void WxControlLayer::SetText(int barId, int controlId, const std::string& text) {
  const BuiltControl* control = Lookup(barId, controlId, {});
  if (!control) return;
  if (control->kind == ControlKind::kEdit) {
    auto* box = static_cast<wxTextCtrl*>(control->window);
    ProgramTextChange unfiltered(box);
    // ChangeValue, unlike SetValue, raises no text event of its own.
    box->ChangeValue(Text(text));
    if (!box->IsEditable()) FitReadOnlyText(box);
  } else {
    control->window->SetLabel(Text(text));
  }
}

const ProgressModel* WxControlLayer::Progress(int barId, int controlId, Caller caller) const {
  auto model = progress_.find({barId, controlId});
  if (model != progress_.end()) return &model->second;
  ReportMiss(caller, barId, controlId);
  return nullptr;
}

ProgressModel* WxControlLayer::Progress(int barId, int controlId, Caller caller) {
  return const_cast<ProgressModel*>(std::as_const(*this).Progress(barId, controlId, caller));
}

// Runs `change` on the bar's model and shows the outcome on its gauge.
template <typename Change>
void WxControlLayer::ChangeProgress(int barId, int controlId, Change change) {
  auto* gauge = Find<wxGauge>(barId, controlId, ControlKind::kProgressBar);
  ProgressModel* model = Progress(barId, controlId);
  if (!gauge || !model) return;
  change(*model);
  gauge->SetRange(std::max(1, model->High() - model->Low()));
  gauge->SetValue(model->Position() - model->Low());
}

void WxControlLayer::SetProgressRange(int barId, int controlId, int low, int high) {
  ChangeProgress(barId, controlId, [=](ProgressModel& model) { model.SetRange(low, high); });
}

void WxControlLayer::SetProgressPosition(int barId, int controlId, int position) {
  ChangeProgress(barId, controlId, [=](ProgressModel& model) { model.SetPosition(position); });
}

void WxControlLayer::SetProgressStep(int barId, int controlId, int step) {
  if (ProgressModel* model = Progress(barId, controlId)) model->SetStep(step);
}

void WxControlLayer::StepProgress(int barId, int controlId) {
  ChangeProgress(barId, controlId, [](ProgressModel& model) { model.Step(); });
}

void WxControlLayer::DeltaProgress(int barId, int controlId, int delta) {
  ChangeProgress(barId, controlId, [=](ProgressModel& model) { model.Delta(delta); });
}

int WxControlLayer::ProgressPosition(int barId, int controlId) const {
  const ProgressModel* model = Progress(barId, controlId);
  return model ? model->Position() : 0;
}

int WxControlLayer::TreeCount(int barId, int controlId) const {
  auto* tree = Find<wxTreeCtrl>(barId, controlId, ControlKind::kTree);
  return tree ? static_cast<int>(RootItems(*tree).size()) : 0;
}

int WxControlLayer::TreeInsert(int barId, int controlId, const std::string& text) {
  auto* tree = Find<wxTreeCtrl>(barId, controlId, ControlKind::kTree);
  if (!tree) return -1;
  tree->AppendItem(tree->GetRootItem(), Text(text));
  return static_cast<int>(RootItems(*tree).size()) - 1;
}

void WxControlLayer::TreeSelect(int barId, int controlId, int index) {
  auto* tree = Find<wxTreeCtrl>(barId, controlId, ControlKind::kTree);
  if (!tree) return;
  auto items = RootItems(*tree);
  wxTreeItemId wanted =
      index >= 0 && index < static_cast<int>(items.size()) ? items[index] : wxTreeItemId();
  wxTreeItemId current = tree->GetSelection();
  if (wanted == current || (!wanted.IsOk() && !current.IsOk())) return;
  changingTree_ = true;
  if (wanted.IsOk()) {
    tree->SelectItem(wanted);
  } else {
    tree->UnselectAll();
  }
  changingTree_ = false;
  Raise({barId, controlId, Notification::kTreeSelectionChanged, {}});
}

std::optional<std::string> WxControlLayer::TreeSelectedText(int barId, int controlId) const {
  auto* tree = Find<wxTreeCtrl>(barId, controlId, ControlKind::kTree);
  if (!tree) return std::nullopt;
  wxTreeItemId selected = tree->GetSelection();
  if (!selected.IsOk()) return std::nullopt;
  return Utf8(tree->GetItemText(selected));
}
