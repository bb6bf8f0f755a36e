#include "window/input_list.h"

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "base/path_names.h"
#include "base/program_folder.h"
#include "base/show_message.h"
#include "controls/control_layer.h"
#include "imagelib/picture_formats.h"
#include "platform/files.h"
#include "resources/control_ids.h"
#include "state/app_state.h"
#include "window/panel_handlers.h"
#include "window/view_operations.h"

namespace {

// The filter of the patterns "*.a;*.b" named "name (*.a,*.b)".
FileFilter FilterOf(const std::string& name, const std::string& patterns) {
  std::string listed = patterns;
  std::replace(listed.begin(), listed.end(), ';', ',');
  return {name + " (" + listed + ")", patterns};
}

// Every format the library reads together, then each alone.
std::vector<FileFilter> PictureFilters() {
  std::string every;
  for (const imagelib::PictureFormat& format : imagelib::PictureFormats()) {
    every += (every.empty() ? "" : ";") + std::string(format.patterns);
  }
  std::vector<FileFilter> filters = {FilterOf("変換可能なすべてのピクチャ", every)};
  for (const imagelib::PictureFormat& format : imagelib::PictureFormats()) {
    filters.push_back(FilterOf(std::string(format.dialogName), std::string(format.patterns)));
  }
  return filters;
}

ControlLayer& Controls() {
  return GetControlLayer();
}

int EntryCount() {
  return Controls().ListCount(kInputPanel, kInputList);
}

int SelectedEntry() {
  return Controls().ListSelection(kInputPanel, kInputList);
}

// True, after telling the user, when the list holds no entry.
bool WarnIfListEmpty() {
  if (EntryCount() > 0) return false;
  ShowMessage("読み込まれてる画像はありません！");
  return true;
}

// The totals boxes are stale until the user asks for them again.
void ResetTotals() {
  Controls().SetText(kInputPanel, kEntryCountBox, "????");
  Controls().SetText(kInputPanel, kTotalBytesBox, "要：再計算");
}

// Dialogs may change the working directory; entries resolve against the program folder.
void RestoreWorkingDirectory() {
  if (!platform::SetWorkingFolder(programFolder)) {
    // The folder was the working directory since start-up; if it has vanished, every entry
    // fails later with its own message.
  }
}

bool SwapWithNeighbour(int offset) {
  if (WarnIfListEmpty()) return false;
  ControlLayer& controls = Controls();
  int count = EntryCount();
  if (count == 1) {
    controls.ListSelect(kInputPanel, kInputList, 0);
    return false;
  }
  int selected = SelectedEntry();
  int neighbour = selected + offset;
  if (selected < 0 || neighbour < 0 || neighbour >= count) return false;
  int first = std::min(selected, neighbour);
  std::string upper = controls.ListText(kInputPanel, kInputList, first);
  std::string lower = controls.ListText(kInputPanel, kInputList, first + 1);
  controls.ListDelete(kInputPanel, kInputList, first);
  controls.ListDelete(kInputPanel, kInputList, first);
  controls.ListInsert(kInputPanel, kInputList, first, lower);
  controls.ListInsert(kInputPanel, kInputList, first + 1, upper);
  controls.ListSelect(kInputPanel, kInputList, neighbour);
  return true;
}

void MoveAndRefreshName(bool moved) {
  if (!moved) return;
  OnSettingChanged();
  Controls().RepaintView();
}

// The list box: an entry goes in after the selected one and is selected; the totals are stale
// from then on. Files of a folder are added under the wait cursor, one message taken before each.
class ListBoxEntries : public EntryList {
 public:
  int Count() const override { return EntryCount(); }
  void Add(const std::string& text) override {
    const int position = SelectedEntry() + 1;
    Controls().ListInsert(kInputPanel, kInputList, position, text);
    Controls().ListSelect(kInputPanel, kInputList, position);
    ResetTotals();
  }
  void Turn() override {
    wait_.Show();
    pumpOneMessage();
  }
  void EndTurns() override { wait_.End(); }
  void LeftOut(const std::string&) override { ++leftOut_; }
  int LeftOutCount() const { return leftOut_; }

 private:
  LoopWaitCursor wait_;
  int leftOut_ = 0;
};

bool WarnIfListFull() {
  return ::WarnIfListFull(ListBoxEntries());
}

}  // namespace

bool AddInputEntry(const std::string& path) {
  ListBoxEntries list;
  return AddPicture(path, list);
}

std::optional<std::string> ChooseInputFile(const std::string& title) {
  std::optional<std::string> chosen = Controls().ChooseOpenFile(title, PictureFilters());
  RestoreWorkingDirectory();
  if (!chosen || chosen->empty()) return std::nullopt;
  return chosen;
}

std::optional<std::string> BrowseForFolder(const std::string& title) {
  std::optional<std::string> folder = Controls().BrowseForFolder(title, GetAppState()->paths->SAVE);
  RestoreWorkingDirectory();
  if (!folder || folder->empty()) return std::nullopt;
  const char separator = SeparatorOf(*folder);
  if (folder->back() == '/' || folder->back() == '\\') folder->pop_back();
  return *folder + separator;
}

void OnAddOne() {
  if (WarnIfListFull()) return;
  if (std::optional<std::string> path = ChooseInputFile("どのファイルを変換する？？")) {
    ListBoxEntries list;
    if (AddChosenFile(*path, list)) CurrentViewOperations().refreshSelection();
  }
  Controls().RepaintView();
}

void OnAddFolder() {
  if (WarnIfListFull()) return;
  std::optional<std::string> folder = BrowseForFolder("画像があるファルダを指定してください！");
  if (!folder) return;
  ListBoxEntries list;
  if (AddChosenFolder(*folder, list)) {
    CurrentViewOperations().refreshSelection();
    Controls().RepaintView();
  }
  // Otherwise such files would vanish from every count without a word.
  if (list.LeftOutCount() > 0) {
    ShowMessage("画像ではないファイル%d件は追加しませんでした。", list.LeftOutCount());
  }
}

void AddPathsGivenAtStart(const std::vector<std::string>& paths) {
  ListBoxEntries list;
  const int before = list.Count();
  for (const std::string& path : paths) {
    if (!AddGivenPath(path, list)) break;
  }
  // The list fills first; then the selected entry is measured once.
  if (list.Count() != before) CurrentViewOperations().refreshSelection();
  Controls().RepaintView();
}

void OnInputDrop(const std::vector<std::string>& files) {
  if (WarnIfListFull()) return;
  ControlLayer& controls = Controls();
  const int count = static_cast<int>(files.size());
  controls.SetProgressRange(kProgressPanel, kBatchProgressBar, 0, count & 0xffff);
  controls.SetProgressPosition(kProgressPanel, kBatchProgressBar, 0);
  controls.SetProgressStep(kProgressPanel, kBatchProgressBar, 1);
  LoopWaitCursor wait;
  for (const std::string& file : files) {
    wait.Show();
    if (EntryCount() >= kMaxInputEntries) {
      WarnIfListFull();
      controls.SetProgressPosition(kProgressPanel, kBatchProgressBar, 0);
      return;
    }
    // The entry's own checks name a path too long to add; other files are skipped quietly.
    AddInputEntry(file);
    controls.StepProgress(kProgressPanel, kBatchProgressBar);
  }
  controls.SetProgressPosition(kProgressPanel, kBatchProgressBar, 0);
  wait.End();
  CurrentViewOperations().refreshSelection();
}

void OnDeleteOne() {
  if (WarnIfListEmpty()) return;
  ControlLayer& controls = Controls();
  int selected = SelectedEntry();
  if (selected < 0) {
    ShowMessage("リストボックスを選択してください！");
    return;
  }
  controls.ListDelete(kInputPanel, kInputList, selected);
  int count = EntryCount();
  if (selected <= count - 1) {
    controls.ListSelect(kInputPanel, kInputList, selected);
  } else if (count > 0) {
    controls.ListSelect(kInputPanel, kInputList, selected - 1);
  }
  ResetTotals();
  CurrentViewOperations().refreshSelection();
  controls.RepaintView();
}

void OnDeleteAll() {
  if (WarnIfListEmpty()) return;
  if (!Controls().AskYesNo("本当に削除してよろしいでしょうか？")) return;
  Controls().ListReset(kInputPanel, kInputList);
  CurrentViewOperations().refreshSelection();
  Controls().RepaintView();
}

void KeepOnlyEntries(const std::vector<std::string>& texts) {
  const std::set<std::string> kept(texts.begin(), texts.end());
  ControlLayer& controls = Controls();
  for (int entry = EntryCount() - 1; entry >= 0; --entry) {
    if (!kept.contains(controls.ListText(kInputPanel, kInputList, entry))) {
      controls.ListDelete(kInputPanel, kInputList, entry);
    }
  }
  if (EntryCount() > 0) controls.ListSelect(kInputPanel, kInputList, 0);
  ResetTotals();
  CurrentViewOperations().refreshSelection();
  controls.RepaintView();
}

bool MoveEntryUp() {
  return SwapWithNeighbour(-1);
}

bool MoveEntryDown() {
  return SwapWithNeighbour(+1);
}

void OnMoveUp() {
  MoveAndRefreshName(MoveEntryUp());
}

void OnMoveDown() {
  MoveAndRefreshName(MoveEntryDown());
}
