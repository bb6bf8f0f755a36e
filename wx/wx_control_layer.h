// The control layer of the real window: each (bar id, control id) address maps to the
// wxWidgets window built for it from the panel declarations (wx ids cannot hold the bar ids).
// An operation on an address that names no control of the kind it needs does nothing, as on
// Windows; it is a mistake of the program, so debug builds assert on it.
#pragma once

#include <initializer_list>
#include <map>
#include <memory>
#include <source_location>
#include <utility>
#include <vector>

#include "controls/control_layer.h"
#include "controls/progress_model.h"
#include "resources/panel_templates.h"
#include "wx/launch_watcher.h"

class wxWindow;

class WxControlLayer : public ControlLayer {
 public:
  // `owner` owns every dialog; `view` is the area the panels leave.
  WxControlLayer(wxWindow* owner, wxWindow* view);

  void AddPanel(int barId, wxWindow* panel);
  void AddControl(int barId, int controlId, ControlKind kind, wxWindow* window);
  // Passes a notification of a built control to the event sink. A focus loss that the toolkit
  // has not reported yet is passed on first, as the user's action took the focus.
  void Raise(const ControlEvent& event);
  // An edit box got the focus; it reports kFocusLost once when the focus leaves it.
  void EditFocused(int barId, int controlId);
  // The hidden button of radio button `controlId`'s group, checked to clear the visible ones.
  void AddRadioNone(int barId, int controlId, wxWindow* none);

  void ShowMessageBox(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  bool ShowDialog(const DialogTemplate& declaration, DialogValues& values,
                  const DialogAction& action) override;
  using ControlLayer::ShowDialog;
  std::optional<std::string> ChooseOpenFile(const std::string& title,
                                            std::span<const FileFilter> filters) override;
  std::optional<std::string> BrowseForFolder(const std::string& title,
                                             const std::string& startFolder) override;
  void LaunchDocument(const std::string& target, std::function<void()> failed) override;
  void PumpOneMessage() override;
  void WakeForPostedTasks() override;
  void BeginWaitCursor() override;
  void RestoreWaitCursor() override;
  void EndWaitCursor() override;
  void RepaintView() override;

  bool HasPanel(int barId) const override;
  bool IsPanelVisible(int barId) const override;
  void SetPanelVisible(int barId, bool visible) override;

  int ListCount(int barId, int controlId) const override;
  std::string ListText(int barId, int controlId, int index) const override;
  int ListInsert(int barId, int controlId, int index, const std::string& text) override;
  int ListDelete(int barId, int controlId, int index) override;
  void ListReset(int barId, int controlId) override;
  int ListSelection(int barId, int controlId) const override;
  bool ListSelect(int barId, int controlId, int index) override;

  int ComboCount(int barId, int controlId) const override;
  std::string ComboText(int barId, int controlId, int index) const override;
  int ComboAppend(int barId, int controlId, const std::string& text) override;
  void ComboReset(int barId, int controlId) override;
  bool ComboSelect(int barId, int controlId, int index) override;
  int ComboSelection(int barId, int controlId) const override;

  int GetCheck(int barId, int controlId) const override;
  void SetCheck(int barId, int controlId, int checked) override;
  std::string GetText(int barId, int controlId) const override;
  void SetText(int barId, int controlId, const std::string& text) override;
  void LimitTyping(int barId, int controlId, int characters) override;

  void SetProgressRange(int barId, int controlId, int low, int high) override;
  void SetProgressPosition(int barId, int controlId, int position) override;
  void SetProgressStep(int barId, int controlId, int step) override;
  void StepProgress(int barId, int controlId) override;
  void DeltaProgress(int barId, int controlId, int delta) override;
  int ProgressPosition(int barId, int controlId) const override;

  int TreeCount(int barId, int controlId) const override;
  int TreeInsert(int barId, int controlId, const std::string& text) override;
  void TreeSelect(int barId, int controlId, int index) override;
  std::optional<std::string> TreeSelectedText(int barId, int controlId) const override;

  // The window of a panel or control, or null (for tests that look at the real layout).
  wxWindow* PanelWindow(int barId) const;
  wxWindow* ControlWindow(int barId, int controlId) const;

  // True while the program itself changes the tree's selection; its own notification is
  // raised by TreeSelect, so the toolkit's event is not passed on.
  bool ChangingTreeSelection() const { return changingTree_; }

 private:
  struct BuiltControl {
    ControlKind kind;
    wxWindow* window;
  };

  using Caller = std::source_location;
  // The control at the address if it is of one of `kinds` (any kind when empty); otherwise
  // null, and a miss of the calling operation is reported.
  const BuiltControl* Lookup(int barId, int controlId, std::initializer_list<ControlKind> kinds,
                             Caller caller = Caller::current()) const;
  template <typename Window>
  Window* Find(int barId, int controlId, ControlKind kind, Caller caller = Caller::current()) const;
  wxWindow* FindPanel(int barId, Caller caller = Caller::current()) const;
  const ProgressModel* Progress(int barId, int controlId, Caller caller = Caller::current()) const;
  ProgressModel* Progress(int barId, int controlId, Caller caller = Caller::current());
  void PassOnFocusLoss();
  void Deliver(const ControlEvent& event);
  template <typename Change>
  void ChangeProgress(int barId, int controlId, Change change);

  // The window that owns message boxes and dialogs.
  wxWindow* DialogOwner() const { return actingDialogs_.empty() ? owner_ : actingDialogs_.back(); }
  // Runs a dialog's action with the dialog as the owner of what it shows.
  bool OwningDialogs(wxWindow* dialog, const std::function<bool()>& action) {
    actingDialogs_.push_back(dialog);
    struct Leaving {
      std::vector<wxWindow*>& dialogs;
      ~Leaving() { dialogs.pop_back(); }
    } leaving{actingDialogs_};
    return action();
  }

  wxWindow* owner_;
  // The dialogs whose buttons are acting, the innermost last: message boxes and dialogs shown
  // meanwhile belong to the innermost.
  std::vector<wxWindow*> actingDialogs_;
  wxWindow* view_;
  std::unique_ptr<LaunchWatcher> launches_ = std::make_unique<LaunchWatcher>();
  std::map<int, wxWindow*> panels_;
  std::map<std::pair<int, int>, BuiltControl> controls_;
  // The Windows progress bar's model, shown on a 0-based gauge.
  std::map<std::pair<int, int>, ProgressModel> progress_;
  std::map<std::pair<int, int>, wxWindow*> radioNone_;
  bool changingTree_ = false;
  // The edit box that has the focus, until its focus loss is passed on.
  std::optional<std::pair<int, int>> focusedEdit_;
};
