// The program's only way to the window system. Subsystems address a control as (bar id, control
// id) and call these operations; the two real windows (wx, win32) and the in-memory controls
// (controls/headless) implement them with the behaviour of the Windows controls they stand for.
// An address that names no control of the kind an operation needs is the caller's mistake: the
// operation does nothing (or answers empty), the headless layer records it as a miss and debug
// builds of the window assert.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

enum class Notification {
  // A push button, check box or radio button was clicked (BN_CLICKED).
  kClicked,
  // The user chose another entry of a list (CBN_SELCHANGE, LBN_SELCHANGE).
  kSelectionChanged,
  // An edit box lost the focus (EN_KILLFOCUS).
  kFocusLost,
  // The settings tree's selection changed (TVN_SELCHANGED), by the user or by the program.
  kTreeSelectionChanged,
  // Files were dropped on a panel that accepts them; `files` holds their paths.
  kFilesDropped,
  // A menu command; `controlId` holds the command id and `barId` is 0.
  kMenuCommand,
};

struct ControlEvent {
  int barId = 0;
  int controlId = 0;
  Notification notification = Notification::kClicked;
  std::vector<std::string> files;
};

struct DialogTemplate;
// The values of a dialog's controls by control id: "1" or "0" for a check box or radio button,
// the text for an edit box or a label with an id of its own, and for a list box ListBoxValue's
// text.
using DialogValues = std::map<int, std::string>;
// What a push button of a dialog other than OK and キャンセル does: given the values as the user
// left them, it may change them (a list box's entries too), which the dialog then shows. True
// closes the dialog as OK does.
using DialogAction = std::function<bool(int buttonId, DialogValues& values)>;

// A list box's entries and its selected entry (-1 for none) as a dialog value.
struct ListBoxContents {
  std::vector<std::string> entries;
  int selected = -1;
};
std::string ListBoxValue(const ListBoxContents& list);
ListBoxContents ListBoxContentsOf(const std::string& value);

// One pair of an open-file dialog's filter: a description and its patterns ("*.bmp;*.jpg").
struct FileFilter {
  std::string description;
  std::string patterns;
};

class ControlLayer {
 public:
  using EventSink = std::function<void(const ControlEvent&)>;

  virtual ~ControlLayer() = default;

  // Receives every control notification and menu command.
  void SetEventSink(EventSink sink) { eventSink_ = std::move(sink); }

  // True while the program handles a notification, on the window's thread. A request to close
  // the window that comes then (through a message pumped by a long loop) must wait until the
  // handler has returned, as the handler still uses the program's state.
  static bool IsHandlingNotification() { return handlerDepth_ > 0; }
  // How many notifications the program has been given: a loop that pumps messages compares two
  // counts to learn whether a command ran in between.
  static unsigned NotificationCount() { return notificationCount_; }

  // Dialogs.
  // A modal message box with the caption kMessageCaption and an OK button.
  virtual void ShowMessageBox(const std::string& text) = 0;
  // A modal Yes/No question with the caption kQuestionCaption; true for Yes.
  virtual bool AskYesNo(const std::string& text) = 0;
  // The modal dialog `declaration` (OK kOkButton, キャンセル kCancelButton) with its check boxes,
  // radio buttons, edit boxes and list boxes set from `values`; true, with `values` as the user
  // left them, when it was closed with OK or by `action`, which its other push buttons call.
  // Message boxes and dialogs shown by `action` belong to the dialog.
  virtual bool ShowDialog(const DialogTemplate& declaration, DialogValues& values,
                          const DialogAction& action) = 0;
  bool ShowDialog(const DialogTemplate& declaration, DialogValues& values) {
    return ShowDialog(declaration, values, {});
  }
  // The open-file dialog for one existing file; nullopt when cancelled.
  virtual std::optional<std::string> ChooseOpenFile(const std::string& title,
                                                    std::span<const FileFilter> filters) = 0;
  // The folder browser, opened in `startFolder` (where typing a path works); the chosen folder
  // ends with '/'; nullopt when cancelled.
  virtual std::optional<std::string> BrowseForFolder(const std::string& title,
                                                     const std::string& startFolder) = 0;
  // Opens a page, a file or a mailto: address with the desktop's default program. `failed`
  // (if any) runs on the window's thread when nothing could be opened: at once, or when the
  // desktop answers, which the window does not wait for.
  virtual void LaunchDocument(const std::string& target, std::function<void()> failed) = 0;

  // Dispatches at most one pending event (and the tasks posted to the window's thread); never
  // blocks.
  virtual void PumpOneMessage() = 0;
  // Runs `task` on the window's thread when it next takes its messages, as a handler runs (a
  // close waits for it). Any thread may post: work done elsewhere hands its result over so.
  static void PostToWindowThread(std::function<void()> task);
  // The wait cursor: Begin shows it, Restore shows it again after a pumped message may have
  // changed the cursor, End removes it. Use WaitCursor rather than calling these directly.
  virtual void BeginWaitCursor() = 0;
  virtual void RestoreWaitCursor() = 0;
  virtual void EndWaitCursor() = 0;
  // Asks the view to repaint itself.
  virtual void RepaintView() = 0;

  // Panels. A panel that was never created (templates 140 and 142) does not exist.
  virtual bool HasPanel(int barId) const = 0;
  virtual bool IsPanelVisible(int barId) const = 0;
  virtual void SetPanelVisible(int barId, bool visible) = 0;

  // List box (single selection, entries kept in insertion order).
  virtual int ListCount(int barId, int controlId) const = 0;
  virtual std::string ListText(int barId, int controlId, int index) const = 0;
  // Inserts at `index` (-1 appends); the index of the new entry, or -1.
  virtual int ListInsert(int barId, int controlId, int index, const std::string& text) = 0;
  // Deletes entry `index`; the remaining count, or -1 for an index out of range.
  virtual int ListDelete(int barId, int controlId, int index) = 0;
  virtual void ListReset(int barId, int controlId) = 0;
  // The selected entry, or -1.
  virtual int ListSelection(int barId, int controlId) const = 0;
  // Selects `index`; -1 or an index out of range leaves no selection (and gives false).
  virtual bool ListSelect(int barId, int controlId, int index) = 0;

  // Drop-down list.
  virtual int ComboCount(int barId, int controlId) const = 0;
  virtual std::string ComboText(int barId, int controlId, int index) const = 0;
  virtual int ComboAppend(int barId, int controlId, const std::string& text) = 0;
  virtual void ComboReset(int barId, int controlId) = 0;
  // Selects `index`; an index out of range leaves no selection and gives false.
  virtual bool ComboSelect(int barId, int controlId, int index) = 0;
  // The selected entry, or -1.
  virtual int ComboSelection(int barId, int controlId) const = 0;

  // Check box and radio button: 0 clear, 1 checked. Setting a radio button does not touch the
  // others of its group; only a click does.
  virtual int GetCheck(int barId, int controlId) const = 0;
  virtual void SetCheck(int barId, int controlId, int checked) = 0;

  // Text of an edit box (or of any control with a text).
  virtual std::string GetText(int barId, int controlId) const = 0;
  virtual void SetText(int barId, int controlId, const std::string& text) = 0;
  // Lets the user type or paste no more than `characters` characters into an edit box
  // (EM_LIMITTEXT); a text the program sets is not cut.
  virtual void LimitTyping(int barId, int controlId, int characters) = 0;

  // Progress bar.
  virtual void SetProgressRange(int barId, int controlId, int low, int high) = 0;
  virtual void SetProgressPosition(int barId, int controlId, int position) = 0;
  virtual void SetProgressStep(int barId, int controlId, int step) = 0;
  virtual void StepProgress(int barId, int controlId) = 0;
  virtual void DeltaProgress(int barId, int controlId, int delta) = 0;
  virtual int ProgressPosition(int barId, int controlId) const = 0;

  // Settings tree (root items only).
  virtual int TreeCount(int barId, int controlId) const = 0;
  // Appends a root item; its index, or -1.
  virtual int TreeInsert(int barId, int controlId, const std::string& text) = 0;
  // Selects item `index` (-1 selects none); a change of selection raises kTreeSelectionChanged.
  virtual void TreeSelect(int barId, int controlId, int index) = 0;
  // The text of the selected item; nullopt when none is selected.
  virtual std::optional<std::string> TreeSelectedText(int barId, int controlId) const = 0;

 protected:
  // Makes the window's thread call RunPostedTasks soon; called on any thread.
  virtual void WakeForPostedTasks() = 0;
  // Runs the tasks posted so far, in order; on the window's thread.
  static void RunPostedTasks();

  void Notify(const ControlEvent& event) const {
    if (!eventSink_) return;
    ++notificationCount_;
    ++handlerDepth_;
    // Ends the handling however the handler ends.
    struct Leaving {
      ~Leaving() { --handlerDepth_; }
    } leaving;
    eventSink_(event);
  }

 private:
  friend std::unique_ptr<ControlLayer> SetControlLayer(std::unique_ptr<ControlLayer> layer);
  friend ControlLayer& GetControlLayer();
  // The layer that PostToWindowThread wakes.
  static void SetWaking(ControlLayer* layer);

  EventSink eventSink_;
  static inline int handlerDepth_ = 0;
  static inline unsigned notificationCount_ = 0;
};

// The control layer in use. Until one is installed, a headless layer serves.
ControlLayer& GetControlLayer();
// For a program without a window (trastel-batch): from now on nothing may ask for the control
// layer, and debug builds stop where something does.
void ForbidControlLayer();
// Installs a layer and returns the one it replaces.
std::unique_ptr<ControlLayer> SetControlLayer(std::unique_ptr<ControlLayer> layer);

// Shorthand used by long loops so that the window stays responsive.
inline void pumpOneMessage() {
  GetControlLayer().PumpOneMessage();
}

// The wait cursor for the lifetime of the object.
class WaitCursor {
 public:
  WaitCursor() { GetControlLayer().BeginWaitCursor(); }
  ~WaitCursor() { GetControlLayer().EndWaitCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
  // Shows the cursor again after a pumped message.
  void Restore() { GetControlLayer().RestoreWaitCursor(); }
};

// One wait state across the items of a long loop: Show() begins it at the first item and shows
// it again at each further one (a pumped message may have changed the cursor); it ends at End()
// or when the object goes.
class LoopWaitCursor {
 public:
  void Show() {
    if (cursor_) {
      cursor_->Restore();
    } else {
      cursor_.emplace();
    }
  }
  void End() { cursor_.reset(); }

 private:
  std::optional<WaitCursor> cursor_;
};
