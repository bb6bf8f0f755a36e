// The control layer of the native Windows window: each (bar id, control id) address maps to the
// child window built for it from the panel declarations, and every operation is the message the
// Windows control understands. An operation on an address that names no control of the kind it
// needs does nothing; it is a mistake of the program, so debug builds assert on it.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <map>
#include <optional>
#include <source_location>
#include <utility>
#include <vector>

#include "controls/control_layer.h"
#include "resources/panel_templates.h"

class Win32ControlLayer : public ControlLayer {
 public:
  // `owner` owns every dialog and applies the tab-key rules; `view` is the area the panels leave.
  Win32ControlLayer(HWND owner, HWND view);

  void AddPanel(int barId, HWND panel);
  void AddControl(int barId, int controlId, ControlKind kind, HWND window);
  // Radio buttons of panel `barId` that form one group.
  void AddRadioGroup(int barId, const std::vector<int>& members);
  // A click on a radio button: it is checked and the others of its group are cleared. (The
  // buttons are not automatic ones, whose checking by the program would clear the others too.)
  void ClickRadio(int barId, int controlId);
  // The kind of the control at the address, if there is one.
  std::optional<ControlKind> KindOf(int barId, int controlId) const;
  // Passes a notification of a built control to the event sink; a failing handler is reported
  // in a message box instead of crossing the message loop.
  void Raise(const ControlEvent& event);
  // True while the program itself changes the tree's selection: TreeSelect raises its own
  // notification, so the control's is not passed on.
  bool ChangingTreeSelection() const { return changingTree_; }
  // True while the wait cursor is shown; the windows then keep it whatever the mouse is over.
  bool Waiting() const { return waitDepth_ > 0; }
  // Gives every read-only box and drop-down list the font that shows its texts whole at `dpi`,
  // once every window has the dialog font of a new resolution.
  void RefitFilledFonts(UINT dpi);

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
  // The message that makes the owner run the tasks posted to the window's thread.
  static constexpr UINT kPostedTasksMessage = WM_APP + 1;
  static void RunPostedTasksNow() { RunPostedTasks(); }
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

  // The window that owns message boxes and dialogs.
  HWND DialogOwner() const { return actingDialogs_.empty() ? owner_ : actingDialogs_.back(); }
  // Runs a dialog's action with the dialog as the owner of what it shows.
  bool OwningDialogs(HWND dialog, const std::function<bool()>& action) {
    actingDialogs_.push_back(dialog);
    struct Leaving {
      std::vector<HWND>& dialogs;
      ~Leaving() { dialogs.pop_back(); }
    } leaving{actingDialogs_};
    return action();
  }

 private:
  struct BuiltControl {
    ControlKind kind;
    HWND window;
  };
  using Caller = std::source_location;

  // The window of the control at the address if it is of one of `kinds` (any kind when empty);
  // otherwise null, and a miss of the calling operation is reported.
  HWND Find(int barId, int controlId, std::initializer_list<ControlKind> kinds,
            Caller caller = Caller::current()) const;
  HWND FindPanel(int barId, Caller caller = Caller::current()) const;
  // The message's answer from the control, or `missing` when there is none.
  LRESULT Send(int barId, int controlId, ControlKind kind, UINT message, WPARAM wParam,
               LPARAM lParam, LRESULT missing, Caller caller = Caller::current()) const;

  HWND owner_;
  // The dialogs whose buttons are acting, the innermost last: message boxes and dialogs shown
  // meanwhile belong to the innermost.
  std::vector<HWND> actingDialogs_;
  HWND view_;
  std::map<int, HWND> panels_;
  std::map<std::pair<int, int>, BuiltControl> controls_;
  // The group of each radio button.
  std::map<std::pair<int, int>, std::vector<int>> radioGroups_;
  bool changingTree_ = false;
  int waitDepth_ = 0;
  // The font size, in percent of the dialog font, of each drop-down list that holds entries.
  std::map<HWND, int> comboFontPercents_;
};
