#include "input/input_list.h"

#include <algorithm>
#include <cstring>
#include <system_error>

#include "base/path_names.h"
#include "base/program_folder.h"
#include "base/show_message.h"
#include "base/text_encoding.h"
#include "engine/imagelib/imagelib.h"
#include "panels/handlers.h"
#include "panels/view_operations.h"
#include "platform/files.h"
#include "resources/control_ids.h"
#include "state/app_state.h"
#include "ui/control_layer.h"

namespace {

const FileFilter kPictureFilters[] = {
    {"変換可能なすべてのピクチャ (*.bmp,*.jp*g,*.png,*.gif,*.webp,*.heic,*.heif,*.hif,*.avif)",
     "*.bmp;*.jp*g;*.png;*.gif;*.webp;*.heic;*.heif;*.hif;*.avif"},
    {"ビットマップ (*.bmp)", "*.bmp"},
    {"ジェイぺグ (*.jp*g)", "*.jp*g"},
    {"ピング (*.png)", "*.png"},
    {"ジフ (*.gif)", "*.gif"},
    {"ウェブピー (*.webp)", "*.webp"},
    {"ヒーフ (*.heic,*.heif,*.hif)", "*.heic;*.heif;*.hif"},
    {"エーブイアイエフ (*.avif)", "*.avif"},
};

ControlLayer& Controls() {
  return GetControlLayer();
}

int EntryCount() {
  return Controls().ListCount(kInputPanel, kInputList);
}

int SelectedEntry() {
  return Controls().ListSelection(kInputPanel, kInputList);
}

// True, after telling the user, when the list holds as many entries as it can.
bool WarnIfListFull() {
  if (EntryCount() < kMaxInputEntries) return false;
  ShowMessage("[%d]以上は読み込めません。(%d件までです)", kMaxInputEntries + 1, kMaxInputEntries);
  return true;
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

// The entry text of a path: relative to the program folder when that form fits an entry, else
// the path itself; nullopt when neither fits, since a cut entry would name another file.
std::optional<std::string> EntryTextOf(const std::string& path) {
  // Each folder level of the program folder adds at most one "../" step, so the relative form
  // always fits this buffer whole.
  std::string buffer(path.size() + 3 * std::strlen(programFolder) + 2, '\0');
  path.copy(buffer.data(), path.size());
  MakeRelativePath(buffer.data(), buffer.size(), programFolder);
  std::string relative = buffer.c_str();
  if (StoredLength(relative) <= kMaxPathLength) return relative;
  if (StoredLength(path) <= kMaxPathLength) return path;
  return std::nullopt;
}

// Says which path is too long to be an entry.
void ShowPathTooLong(const std::string& path) {
  ShowMessage("[%s]\nはパスが長すぎるため追加できません！(%d バイトまでです)",
              PathForMessage(path).c_str(), static_cast<int>(kMaxPathLength));
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

}  // namespace

bool IsConvertiblePicture(const std::string& path) {
  return IdentifyPictureFile(path.c_str(), 0) != kIdentifiedNone;
}

bool AddInputEntry(const std::string& path) {
  if (FileNamePart(path, true) == GetAppState()->paths->tempName) return false;
  // Length first: a path beyond the system's limit cannot even be opened for the picture test.
  std::optional<std::string> entry = EntryTextOf(path);
  if (!entry) {
    ShowPathTooLong(path);
    return false;
  }
  if (!IsConvertiblePicture(path)) return false;
  int position = SelectedEntry() + 1;
  Controls().ListInsert(kInputPanel, kInputList, position, *entry);
  Controls().ListSelect(kInputPanel, kInputList, position);
  return true;
}

std::optional<std::string> ChooseInputFile(const std::string& title) {
  std::optional<std::string> chosen = Controls().ChooseOpenFile(title, kPictureFilters);
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

namespace {

// 一つ追加 once its file is chosen.
void AddChosenFile(const std::string& path) {
  if (AddInputEntry(path)) {
    ResetTotals();
    CurrentViewOperations().refreshSelection();
  } else if (EntryTextOf(path)) {
    ShowMessage("[%s]\nは変換できないファイルです！", path.c_str());
  }
}

// フォルダから追加 once its folder (ending with one separator) is chosen. False when the list
// filled up.
bool AddChosenFolder(const std::string& folder) {
  // The folder ends with a separator and the pattern adds another, so every entry found here
  // carries the doubled separator, as entries added from a folder always have; the added one is
  // of the folder's own kind.
  const std::string directory = folder + SeparatorOf(folder);
  std::error_code error;
  std::vector<std::string> names = platform::ListFolder(directory.c_str(), error);
  if (error == std::errc::filename_too_long) ShowPathTooLong(folder);
  if (names.empty()) return true;
  LoopWaitCursor wait;
  for (const std::string& name : names) {
    wait.Show();
    if (EntryCount() >= kMaxInputEntries) {
      wait.End();
      WarnIfListFull();
      return false;
    }
    pumpOneMessage();
    if (name == "." || name == "..") continue;
    if (AddInputEntry(directory + name)) ResetTotals();
  }
  CurrentViewOperations().refreshSelection();
  return true;
}

}  // namespace

void OnAddOne() {
  if (WarnIfListFull()) return;
  if (std::optional<std::string> path = ChooseInputFile("どのファイルを変換する？？")) {
    AddChosenFile(*path);
  }
  Controls().RepaintView();
}

void OnAddFolder() {
  if (WarnIfListFull()) return;
  std::optional<std::string> folder = BrowseForFolder("画像があるファルダを指定してください！");
  if (!folder) return;
  if (AddChosenFolder(*folder)) Controls().RepaintView();
}

void AddPathsGivenAtStart(const std::vector<std::string>& paths) {
  for (std::string path : paths) {
    if (WarnIfListFull()) break;
    if (platform::KindOf(path.c_str()) == platform::PathKind::kFolder) {
      const char separator = SeparatorOf(path);
      while (!path.empty() && (path.back() == '/' || path.back() == '\\')) path.pop_back();
      if (!AddChosenFolder(path + separator)) break;
    } else {
      AddChosenFile(path);
    }
  }
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
    if (AddInputEntry(file)) ResetTotals();
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
