// The dialogs, the message pump, the wait cursor and the view repaint of the native window.
#include <windows.h>

#include <shobjidl.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/desktop.h"
#include "platform/wide_text_windows.h"
#include "resources/message_captions.h"
#include "win32/win32_control_layer.h"

namespace {

struct ComRelease {
  void operator()(IUnknown* object) const { object->Release(); }
};
template <typename Interface>
using ComPointer = std::unique_ptr<Interface, ComRelease>;

ComPointer<IFileOpenDialog> CreateOpenDialog(const std::string& title,
                                             FILEOPENDIALOGOPTIONS extra) {
  IFileOpenDialog* dialog = nullptr;
  if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&dialog)))) {
    return nullptr;
  }
  ComPointer<IFileOpenDialog> owned(dialog);
  FILEOPENDIALOGOPTIONS options = 0;
  owned->GetOptions(&options);
  // The working directory stays the program folder, which every relative path of the program
  // resolves against.
  owned->SetOptions(options | FOS_FORCEFILESYSTEM | FOS_NOCHANGEDIR | extra);
  owned->SetTitle(platform::Widen(title).c_str());
  return owned;
}

// Shows the dialog modally over `owner`; the chosen file or folder, or nullopt.
std::optional<std::string> ShowOpenDialog(IFileOpenDialog& dialog, HWND owner) {
  if (FAILED(dialog.Show(owner))) return std::nullopt;
  IShellItem* item = nullptr;
  if (FAILED(dialog.GetResult(&item))) return std::nullopt;
  ComPointer<IShellItem> result(item);
  wchar_t* path = nullptr;
  if (FAILED(result->GetDisplayName(SIGDN_FILESYSPATH, &path))) return std::nullopt;
  std::unique_ptr<wchar_t, decltype(&CoTaskMemFree)> ownedPath(path, CoTaskMemFree);
  // The program writes '/' between folders, as in the program folder's path.
  std::string chosen = platform::Narrow(ownedPath.get());
  std::ranges::replace(chosen, '\\', '/');
  if (chosen.empty()) return std::nullopt;
  return chosen;
}

}  // namespace

void Win32ControlLayer::ShowMessageBox(const std::string& text) {
  MessageBoxW(DialogOwner(), platform::Widen(text).c_str(),
              platform::Widen(kMessageCaption).c_str(), MB_OK);
}

bool Win32ControlLayer::AskYesNo(const std::string& text) {
  return MessageBoxW(DialogOwner(), platform::Widen(text).c_str(),
                     platform::Widen(kQuestionCaption).c_str(), MB_YESNO) == IDYES;
}

std::optional<std::string> Win32ControlLayer::ChooseOpenFile(const std::string& title,
                                                             std::span<const FileFilter> filters) {
  auto dialog = CreateOpenDialog(title, FOS_FILEMUSTEXIST);
  if (!dialog) return std::nullopt;
  // The wide texts live until the dialog has taken its copies.
  std::vector<std::wstring> texts;
  texts.reserve(filters.size() * 2);
  std::vector<COMDLG_FILTERSPEC> fileTypes;
  for (const FileFilter& filter : filters) {
    texts.push_back(platform::Widen(filter.description));
    texts.push_back(platform::Widen(filter.patterns));
    fileTypes.push_back({texts[texts.size() - 2].c_str(), texts.back().c_str()});
  }
  if (!fileTypes.empty()) {
    dialog->SetFileTypes(static_cast<UINT>(fileTypes.size()), fileTypes.data());
  }
  return ShowOpenDialog(*dialog, DialogOwner());
}

std::optional<std::string> Win32ControlLayer::BrowseForFolder(const std::string& title,
                                                              const std::string& startFolder) {
  auto dialog = CreateOpenDialog(title, FOS_PICKFOLDERS);
  if (!dialog) return std::nullopt;
  std::wstring startPath = platform::Widen(startFolder);
  std::ranges::replace(startPath, L'/', L'\\');
  IShellItem* start = nullptr;
  if (SUCCEEDED(SHCreateItemFromParsingName(startPath.c_str(), nullptr, IID_PPV_ARGS(&start)))) {
    ComPointer<IShellItem> owned(start);
    dialog->SetFolder(owned.get());
  }
  std::optional<std::string> folder = ShowOpenDialog(*dialog, DialogOwner());
  if (folder && folder->back() != '/') *folder += '/';
  return folder;
}

void Win32ControlLayer::LaunchDocument(const std::string& target, std::function<void()> failed) {
  // The shell answers at once.
  if (!platform::OpenWithDesktop(target) && failed) failed();
}

void Win32ControlLayer::PumpOneMessage() {
  MSG message;
  if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) return;
  if (message.message == WM_QUIT) {
    // The program's own message loop ends on it, after the loop that pumps here.
    PostQuitMessage(static_cast<int>(message.wParam));
    return;
  }
  if (IsDialogMessageW(owner_, &message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

void Win32ControlLayer::WakeForPostedTasks() {
  PostMessageW(owner_, kPostedTasksMessage, 0, 0);
}

void Win32ControlLayer::BeginWaitCursor() {
  ++waitDepth_;
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
}

void Win32ControlLayer::RestoreWaitCursor() {
  if (Waiting()) SetCursor(LoadCursorW(nullptr, IDC_WAIT));
}

void Win32ControlLayer::EndWaitCursor() {
  if (waitDepth_ == 0) return;
  if (--waitDepth_ == 0) SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

void Win32ControlLayer::RepaintView() {
  InvalidateRect(view_, nullptr, TRUE);
}
