#include "controls/headless/headless_control_layer.h"

#include "controls/control_registry.h"
#include "controls/text_box_limit.h"
#include "platform/text_codes.h"
#include "resources/panel_templates.h"

#include <algorithm>
#include <mutex>
#include <string_view>

namespace {

std::mutex missesMutex;
std::vector<ControlMiss> misses;

// "int HeadlessControlLayer::ListCount(int, int) const" -> "ListCount".
std::string OperationName(std::string_view function) {
  function = function.substr(0, function.find('('));
  auto start = function.find_last_of(": ");
  return std::string(start == std::string_view::npos ? function : function.substr(start + 1));
}

void RecordMiss(std::source_location caller, int barId, int controlId) {
  std::lock_guard lock(missesMutex);
  misses.push_back({OperationName(caller.function_name()), barId, controlId});
}

}  // namespace

std::vector<ControlMiss> HeadlessControlLayer::TakeMisses() {
  std::lock_guard lock(missesMutex);
  return std::exchange(misses, {});
}

HeadlessControlLayer::HeadlessControlLayer() {
  for (const PanelTemplate& declaration : PanelTemplates()) {
    if (!declaration.created) continue;
    Panel& panel = panels_[declaration.barId];
    panel.declaration = &declaration;
    for (const ControlTemplate& control : declaration.controls) {
      if (control.id == kNoControlId) continue;
      Control& created = panel.controls[control.id];
      created.kind = control.kind;
      created.style = control.style;
      created.text = control.text;
    }
  }
}

void HeadlessControlLayer::ShowMessageBox(const std::string& text) {
  messages.push_back(text);
  if (onMessage) onMessage(text);
}

bool HeadlessControlLayer::AskYesNo(const std::string& text) {
  questions.push_back(text);
  if (answers.empty()) return defaultAnswer;
  bool answer = answers.front();
  answers.pop_front();
  return answer;
}

bool HeadlessControlLayer::ShowDialog(const DialogTemplate& declaration, DialogValues& values,
                                      const DialogAction& action) {
  dialogTitles.push_back(declaration.caption);
  DialogValues shown = values;
  dialogActions.push_back(&action);
  const bool closedWithOk = onDialog && onDialog(declaration, shown);
  dialogActions.pop_back();
  if (!closedWithOk) return false;
  values = std::move(shown);
  return true;
}

bool HeadlessControlLayer::PressDialogButton(int buttonId, DialogValues& values) {
  const DialogAction* action = dialogActions.empty() ? nullptr : dialogActions.back();
  return action != nullptr && *action && (*action)(buttonId, values);
}

std::optional<std::string> HeadlessControlLayer::ChooseOpenFile(const std::string& title,
                                                                std::span<const FileFilter>) {
  dialogTitles.push_back(title);
  if (fileChoices.empty()) return std::nullopt;
  auto choice = fileChoices.front();
  fileChoices.pop_front();
  return choice;
}

std::optional<std::string> HeadlessControlLayer::BrowseForFolder(const std::string& title,
                                                                 const std::string& startFolder) {
  dialogTitles.push_back(title);
  folderStarts.push_back(startFolder);
  if (folderChoices.empty()) return std::nullopt;
  auto choice = folderChoices.front();
  folderChoices.pop_front();
  return choice;
}

void HeadlessControlLayer::LaunchDocument(const std::string& target, std::function<void()> failed) {
  launched.push_back(target);
  if (!launchSucceeds && failed) failed();
}

void HeadlessControlLayer::PumpOneMessage() {
  ++pumpCount;
  RunPostedTasks();
  if (onPump) onPump();
}

void HeadlessControlLayer::BeginWaitCursor() {
  ++waitCursorDepth;
}

void HeadlessControlLayer::RestoreWaitCursor() {}

void HeadlessControlLayer::EndWaitCursor() {
  if (waitCursorDepth > 0) --waitCursorDepth;
}

void HeadlessControlLayer::RepaintView() {
  ++repaintCount;
}

bool HeadlessControlLayer::HasPanel(int barId) const {
  return panels_.contains(barId);
}

bool HeadlessControlLayer::IsPanelVisible(int barId) const {
  const Panel* panel = const_cast<HeadlessControlLayer*>(this)->FindPanel(barId);
  return panel != nullptr && panel->visible;
}

void HeadlessControlLayer::SetPanelVisible(int barId, bool visible) {
  if (Panel* panel = FindPanel(barId)) panel->visible = visible;
}

HeadlessControlLayer::Panel* HeadlessControlLayer::FindPanel(int barId, Caller caller) {
  auto panel = panels_.find(barId);
  if (panel != panels_.end()) return &panel->second;
  RecordMiss(caller, barId, 0);
  return nullptr;
}

HeadlessControlLayer::Control* HeadlessControlLayer::Lookup(int barId, int controlId) {
  auto panel = panels_.find(barId);
  if (panel == panels_.end()) return nullptr;
  auto control = panel->second.controls.find(controlId);
  return control == panel->second.controls.end() ? nullptr : &control->second;
}

HeadlessControlLayer::Control* HeadlessControlLayer::Find(int barId, int controlId,
                                                          std::initializer_list<ControlKind> kinds,
                                                          Caller caller) {
  Control* control = Lookup(barId, controlId);
  if (control != nullptr && IsOfKind(control->kind, kinds)) return control;
  RecordMiss(caller, barId, controlId);
  return nullptr;
}

const HeadlessControlLayer::Control* HeadlessControlLayer::Find(
    int barId, int controlId, std::initializer_list<ControlKind> kinds, Caller caller) const {
  return const_cast<HeadlessControlLayer*>(this)->Find(barId, controlId, kinds, caller);
}

int HeadlessControlLayer::ListCount(int barId, int controlId) const {
  const Control* list = Find(barId, controlId, {ControlKind::kListBox});
  return list ? static_cast<int>(list->items.size()) : 0;
}

std::string HeadlessControlLayer::ListText(int barId, int controlId, int index) const {
  const Control* list = Find(barId, controlId, {ControlKind::kListBox});
  if (!list || index < 0 || index >= static_cast<int>(list->items.size())) return "";
  return list->items[index];
}

int HeadlessControlLayer::ListInsert(int barId, int controlId, int index, const std::string& text) {
  Control* list = Find(barId, controlId, {ControlKind::kListBox});
  if (!list) return -1;
  int count = static_cast<int>(list->items.size());
  if (index < 0) index = count;
  if (index > count) return -1;
  list->items.insert(list->items.begin() + index, text);
  // The selection stays on the same entry, which moves down when inserted above.
  if (list->selection >= index) ++list->selection;
  return index;
}

int HeadlessControlLayer::ListDelete(int barId, int controlId, int index) {
  Control* list = Find(barId, controlId, {ControlKind::kListBox});
  if (!list || index < 0 || index >= static_cast<int>(list->items.size())) return -1;
  list->items.erase(list->items.begin() + index);
  if (list->selection == index) {
    list->selection = -1;
  } else if (list->selection > index) {
    --list->selection;
  }
  return static_cast<int>(list->items.size());
}

void HeadlessControlLayer::ListReset(int barId, int controlId) {
  if (Control* list = Find(barId, controlId, {ControlKind::kListBox})) {
    list->items.clear();
    list->selection = -1;
  }
}

int HeadlessControlLayer::ListSelection(int barId, int controlId) const {
  const Control* list = Find(barId, controlId, {ControlKind::kListBox});
  return list ? list->selection : -1;
}

bool HeadlessControlLayer::ListSelect(int barId, int controlId, int index) {
  Control* list = Find(barId, controlId, {ControlKind::kListBox});
  if (!list) return false;
  bool inRange = index >= 0 && index < static_cast<int>(list->items.size());
  list->selection = inRange ? index : -1;
  return inRange;
}

int HeadlessControlLayer::ComboCount(int barId, int controlId) const {
  const Control* combo = Find(barId, controlId, {ControlKind::kDropDownList});
  return combo ? static_cast<int>(combo->items.size()) : 0;
}

std::string HeadlessControlLayer::ComboText(int barId, int controlId, int index) const {
  const Control* combo = Find(barId, controlId, {ControlKind::kDropDownList});
  if (!combo || index < 0 || index >= static_cast<int>(combo->items.size())) return "";
  return combo->items[index];
}

int HeadlessControlLayer::ComboAppend(int barId, int controlId, const std::string& text) {
  Control* combo = Find(barId, controlId, {ControlKind::kDropDownList});
  if (!combo) return -1;
  combo->items.push_back(text);
  return static_cast<int>(combo->items.size()) - 1;
}

void HeadlessControlLayer::ComboReset(int barId, int controlId) {
  if (Control* combo = Find(barId, controlId, {ControlKind::kDropDownList})) {
    combo->items.clear();
    combo->selection = -1;
  }
}

bool HeadlessControlLayer::ComboSelect(int barId, int controlId, int index) {
  Control* combo = Find(barId, controlId, {ControlKind::kDropDownList});
  if (!combo) return false;
  bool inRange = index >= 0 && index < static_cast<int>(combo->items.size());
  combo->selection = inRange ? index : -1;
  return inRange;
}

int HeadlessControlLayer::ComboSelection(int barId, int controlId) const {
  const Control* combo = Find(barId, controlId, {ControlKind::kDropDownList});
  return combo ? combo->selection : -1;
}

int HeadlessControlLayer::GetCheck(int barId, int controlId) const {
  const Control* button =
      Find(barId, controlId, {ControlKind::kCheckBox, ControlKind::kRadioButton});
  return button ? button->checked : 0;
}

void HeadlessControlLayer::SetCheck(int barId, int controlId, int checked) {
  if (Control* button =
          Find(barId, controlId, {ControlKind::kCheckBox, ControlKind::kRadioButton})) {
    button->checked = checked != 0 ? 1 : 0;
  }
}

std::string HeadlessControlLayer::GetText(int barId, int controlId) const {
  const Control* control = Find(barId, controlId);
  return control ? control->text : "";
}

void HeadlessControlLayer::SetText(int barId, int controlId, const std::string& text) {
  if (Control* control = Find(barId, controlId)) control->text = text;
}

void HeadlessControlLayer::LimitTyping(int barId, int controlId, int characters) {
  if (Control* box = Find(barId, controlId, {ControlKind::kEdit})) box->typingLimit = characters;
}

void HeadlessControlLayer::SetProgressRange(int barId, int controlId, int low, int high) {
  if (Control* bar = Find(barId, controlId, {ControlKind::kProgressBar})) {
    bar->progress.SetRange(low, high);
  }
}

void HeadlessControlLayer::SetProgressPosition(int barId, int controlId, int position) {
  if (Control* bar = Find(barId, controlId, {ControlKind::kProgressBar})) {
    bar->progress.SetPosition(position);
  }
}

void HeadlessControlLayer::SetProgressStep(int barId, int controlId, int step) {
  if (Control* bar = Find(barId, controlId, {ControlKind::kProgressBar}))
    bar->progress.SetStep(step);
}

void HeadlessControlLayer::StepProgress(int barId, int controlId) {
  if (Control* bar = Find(barId, controlId, {ControlKind::kProgressBar})) bar->progress.Step();
}

void HeadlessControlLayer::DeltaProgress(int barId, int controlId, int delta) {
  if (Control* bar = Find(barId, controlId, {ControlKind::kProgressBar})) {
    bar->progress.Delta(delta);
  }
}

int HeadlessControlLayer::ProgressPosition(int barId, int controlId) const {
  const Control* bar = Find(barId, controlId, {ControlKind::kProgressBar});
  return bar ? bar->progress.Position() : 0;
}

int HeadlessControlLayer::TreeCount(int barId, int controlId) const {
  const Control* tree = Find(barId, controlId, {ControlKind::kTree});
  return tree ? static_cast<int>(tree->items.size()) : 0;
}

int HeadlessControlLayer::TreeInsert(int barId, int controlId, const std::string& text) {
  Control* tree = Find(barId, controlId, {ControlKind::kTree});
  if (!tree) return -1;
  tree->items.push_back(text);
  return static_cast<int>(tree->items.size()) - 1;
}

void HeadlessControlLayer::TreeSelect(int barId, int controlId, int index) {
  Control* tree = Find(barId, controlId, {ControlKind::kTree});
  if (!tree) return;
  int selection = index >= 0 && index < static_cast<int>(tree->items.size()) ? index : -1;
  if (selection == tree->selection) return;
  tree->selection = selection;
  Notify({barId, controlId, Notification::kTreeSelectionChanged, {}});
}

std::optional<std::string> HeadlessControlLayer::TreeSelectedText(int barId, int controlId) const {
  const Control* tree = Find(barId, controlId, {ControlKind::kTree});
  if (!tree || tree->selection < 0) return std::nullopt;
  return tree->items[tree->selection];
}

std::vector<int> HeadlessControlLayer::RadioGroup(int barId, int controlId) const {
  for (std::vector<int>& group : RadioGroups(panels_.at(barId).declaration->controls)) {
    if (std::ranges::find(group, controlId) != group.end()) return std::move(group);
  }
  return {};
}

void HeadlessControlLayer::Focus(int barId, int controlId) {
  if (!Find(barId, controlId)) return;
  auto previous = focus_;
  focus_ = std::make_pair(barId, controlId);
  if (!previous || *previous == *focus_) return;
  const Control* left = Lookup(previous->first, previous->second);
  if (left && left->kind == ControlKind::kEdit) {
    Notify({previous->first, previous->second, Notification::kFocusLost, {}});
  }
}

void HeadlessControlLayer::Type(int barId, int controlId, const std::string& text) {
  Focus(barId, controlId);
  const Control* box = Lookup(barId, controlId);
  if (box && box->kind == ControlKind::kEdit && !(box->style & (kDigitsOnly | kReadOnly))) {
    // A text box takes what a settings line keeps, in whole characters.
    SetText(
        barId, controlId,
        std::string(platform::CutToStoredLength(text, static_cast<std::size_t>(kTextBoxLength))));
    return;
  }
  // The limit counts bytes, which are the characters of the digit boxes it is used for.
  bool cut = box && box->typingLimit > 0 && text.size() > box->typingLimit;
  SetText(barId, controlId, cut ? text.substr(0, box->typingLimit) : text);
}

void HeadlessControlLayer::Click(int barId, int controlId) {
  Control* button = Find(barId, controlId);
  if (!button) return;
  Focus(barId, controlId);
  if (button->kind == ControlKind::kCheckBox) {
    button->checked = 1 - button->checked;
  } else if (button->kind == ControlKind::kRadioButton) {
    for (int member : RadioGroup(barId, controlId)) SetCheck(barId, member, 0);
    button->checked = 1;
  }
  Notify({barId, controlId, Notification::kClicked, {}});
}

void HeadlessControlLayer::Choose(int barId, int controlId, int index) {
  Control* control = Find(barId, controlId);
  if (!control) return;
  Focus(barId, controlId);
  bool chosen = control->kind == ControlKind::kListBox ? ListSelect(barId, controlId, index)
                                                       : ComboSelect(barId, controlId, index);
  if (chosen) Notify({barId, controlId, Notification::kSelectionChanged, {}});
}

void HeadlessControlLayer::ClickTreeItem(int barId, int controlId, int index) {
  Focus(barId, controlId);
  TreeSelect(barId, controlId, index);
}

void HeadlessControlLayer::DropFiles(int barId, std::vector<std::string> files) {
  const Panel* panel = FindPanel(barId);
  if (!panel || !panel->declaration->acceptsFiles) return;
  Notify({barId, 0, Notification::kFilesDropped, std::move(files)});
}

void HeadlessControlLayer::ChooseMenuCommand(int commandId) {
  Notify({0, commandId, Notification::kMenuCommand, {}});
}
