// In-memory controls built from the panel declarations, behaving like the Windows controls they
// stand for. Used by the tests and the window-less tool. Message boxes are recorded (and, when
// asked, echoed), questions and dialogs are answered from queues, and the user's actions (clicks,
// choices, typing, focus moves, drops) are simulated by the methods under "User actions".
// An operation on an address that names no control of the kind it needs is a miss: it does what
// the Windows control layer does (nothing, or an empty answer) and is recorded, so that the tests
// can fail on every miss they cause.
#pragma once

#include <deque>
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <source_location>
#include <string>
#include <utility>
#include <vector>

#include "controls/control_layer.h"
#include "controls/progress_model.h"
#include "resources/panel_templates.h"

// An operation (the layer's method, e.g. "ListCount") on an address that names no control of
// the kind it needs; a panel operation on a missing panel has control id 0.
struct ControlMiss {
  std::string operation;
  int barId = 0;
  int controlId = 0;
  bool operator==(const ControlMiss&) const = default;
};

class HeadlessControlLayer : public ControlLayer {
 public:
  HeadlessControlLayer();

  // The misses of every headless layer of the process since the last call, in order.
  static std::vector<ControlMiss> TakeMisses();

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
  // Also runs the tasks posted to the window's thread.
  void PumpOneMessage() override;
  // Nothing to wake: the tasks wait for the next pump.
  void WakeForPostedTasks() override {}
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

  // User actions.
  // Moves the focus to a control; an edit box that loses it reports kFocusLost.
  void Focus(int barId, int controlId);
  // Focuses an edit box and replaces its text, as typing would: cut to the box's typing limit.
  void Type(int barId, int controlId, const std::string& text);
  // Clicks a button: a check box toggles, a radio button checks itself and clears the other
  // buttons of its group; then kClicked.
  void Click(int barId, int controlId);
  // Chooses entry `index` of a drop-down list or list box; then kSelectionChanged.
  void Choose(int barId, int controlId, int index);
  // Clicks tree item `index`: the focus moves to the tree, then the selection changes.
  void ClickTreeItem(int barId, int controlId, int index);
  void DropFiles(int barId, std::vector<std::string> files);
  void ChooseMenuCommand(int commandId);

  // Every message box text, in order.
  std::vector<std::string> messages;
  // Every question asked, in order.
  std::vector<std::string> questions;
  // Answers for the next questions; when empty, questions are answered with `defaultAnswer`.
  std::deque<bool> answers;
  bool defaultAnswer = true;
  // Results of the next file and folder dialogs (nullopt: cancelled); cancelled when empty.
  std::deque<std::optional<std::string>> fileChoices;
  std::deque<std::optional<std::string>> folderChoices;
  // Answers the dialogs of ShowDialog when set: may change the values, and answers OK (true) or
  // キャンセル. Without it every such dialog is cancelled. Their captions go to dialogTitles.
  std::function<bool(const DialogTemplate&, DialogValues&)> onDialog;
  // While onDialog answers a dialog: presses its push button `buttonId` with `values` as the
  // user left them; true when that closes the dialog.
  bool PressDialogButton(int buttonId, DialogValues& values);
  // Titles of the file, folder and other dialogs shown, in order.
  std::vector<std::string> dialogTitles;
  // The actions of the dialogs open, the innermost last.
  std::vector<const DialogAction*> dialogActions;
  // The folder each folder dialog opened in, in order.
  std::vector<std::string> folderStarts;
  // Every launched page or file, and whether launching succeeds.
  std::vector<std::string> launched;
  bool launchSucceeds = true;
  // Called for every message box when set (the batch tool prints them).
  std::function<void(const std::string&)> onMessage;
  // Called for each pumped message when set (tests use it to run a command mid-loop).
  std::function<void()> onPump;
  int pumpCount = 0;
  int repaintCount = 0;
  int waitCursorDepth = 0;

 private:
  struct Control {
    ControlKind kind;
    unsigned style;
    std::string text;
    // The characters the user may type in an edit box; 0 for no limit.
    std::size_t typingLimit = 0;
    std::vector<std::string> items;
    int selection = -1;
    int checked = 0;
    ProgressModel progress;
  };
  struct Panel {
    const PanelTemplate* declaration;
    bool visible = true;
    std::map<int, Control> controls;
  };

  using Caller = std::source_location;
  // The control at the address, or null without recording a miss.
  Control* Lookup(int barId, int controlId);
  // The control at the address if it is of one of `kinds` (any kind when empty); otherwise null
  // and a miss of the calling operation is recorded.
  Control* Find(int barId, int controlId, std::initializer_list<ControlKind> kinds = {},
                Caller caller = Caller::current());
  const Control* Find(int barId, int controlId, std::initializer_list<ControlKind> kinds = {},
                      Caller caller = Caller::current()) const;
  // The panel, or null and a recorded miss.
  Panel* FindPanel(int barId, Caller caller = Caller::current());
  // The radio buttons of the group that `controlId` belongs to.
  std::vector<int> RadioGroup(int barId, int controlId) const;

  std::map<int, Panel> panels_;
  std::optional<std::pair<int, int>> focus_;
};
