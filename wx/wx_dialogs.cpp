// The dialogs, the message pump, the wait cursor and the view repaint of the real window.
#include <unistd.h>
#include <wx/app.h>
#include <wx/dirdlg.h>
#include <wx/evtloop.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

#include <cctype>

#include "base/program_folder.h"
#include "platform/desktop.h"
#include "resources/message_captions.h"
#include "wx/wx_control_layer.h"

namespace {

wxString Text(const std::string& text) {
  return wxString::FromUTF8(text.data(), text.size());
}

// GTK matches file patterns case-sensitively; Windows does not, so each letter gets both cases.
std::string CaseInsensitivePattern(const std::string& pattern) {
  std::string result;
  for (char c : pattern) {
    auto byte = static_cast<unsigned char>(c);
    if (std::isalpha(byte)) {
      result += '[';
      result += static_cast<char>(std::tolower(byte));
      result += static_cast<char>(std::toupper(byte));
      result += ']';
    } else {
      result += c;
    }
  }
  return result;
}

// File dialogs may change the working directory; every relative path of the program resolves
// against the program folder, so it is made the working directory again.
void RestoreWorkingDirectory() {
  if (chdir(programFolder) != 0) return;
}

}  // namespace

void WxControlLayer::ShowMessageBox(const std::string& text) {
  wxMessageDialog box(DialogOwner(), Text(text), wxString::FromUTF8(kMessageCaption),
                      wxOK | wxICON_NONE);
  box.ShowModal();
}

bool WxControlLayer::AskYesNo(const std::string& text) {
  wxMessageDialog box(DialogOwner(), Text(text), wxString::FromUTF8(kQuestionCaption),
                      wxYES_NO | wxICON_NONE);
  return box.ShowModal() == wxID_YES;
}

std::optional<std::string> WxControlLayer::ChooseOpenFile(const std::string& title,
                                                          std::span<const FileFilter> filters) {
  std::string wildcard;
  for (const FileFilter& filter : filters) {
    if (!wildcard.empty()) wildcard += '|';
    wildcard += filter.description + '|' + CaseInsensitivePattern(filter.patterns);
  }
  wxFileDialog dialog(DialogOwner(), Text(title), wxEmptyString, wxEmptyString, Text(wildcard),
                      wxFD_OPEN | wxFD_FILE_MUST_EXIST);
  int result = dialog.ShowModal();
  RestoreWorkingDirectory();
  if (result != wxID_OK) return std::nullopt;
  std::string path = dialog.GetPath().utf8_string();
  if (path.empty()) return std::nullopt;
  return path;
}

std::optional<std::string> WxControlLayer::BrowseForFolder(const std::string& title,
                                                           const std::string& startFolder) {
  wxDirDialog dialog(DialogOwner(), Text(title), Text(startFolder),
                     wxDD_DEFAULT_STYLE | wxDD_DIR_MUST_EXIST);
  int result = dialog.ShowModal();
  RestoreWorkingDirectory();
  if (result != wxID_OK) return std::nullopt;
  std::string folder = dialog.GetPath().utf8_string();
  if (folder.empty()) return std::nullopt;
  if (folder.back() != '/') folder += '/';
  return folder;
}

void WxControlLayer::LaunchDocument(const std::string& target, std::function<void()> failed) {
  launches_->Watch(target, std::move(failed));
}

void WxControlLayer::PumpOneMessage() {
  // Dispatch alone would block when nothing is pending.
  wxEventLoopBase* loop = wxEventLoopBase::GetActive();
  if (loop != nullptr && loop->Pending()) loop->Dispatch();
  // The toolkit hands its own queued calls on only when idle, which a long loop never is.
  RunPostedTasks();
}

void WxControlLayer::WakeForPostedTasks() {
  if (wxTheApp != nullptr) wxTheApp->CallAfter([] { RunPostedTasks(); });
}

void WxControlLayer::BeginWaitCursor() {
  wxBeginBusyCursor();
}

void WxControlLayer::RestoreWaitCursor() {
  // The busy cursor holds for every window of the program until it ends, whatever a pumped
  // message did to a single window's cursor.
}

void WxControlLayer::EndWaitCursor() {
  if (wxIsBusy()) wxEndBusyCursor();
}

void WxControlLayer::RepaintView() {
  view_->Refresh();
}
