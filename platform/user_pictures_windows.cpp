#include <windows.h>
// After windows.h, which they need.
#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <memory>

#include "platform/process.h"
#include "platform/wide_text_windows.h"

namespace platform {
namespace {

struct ShellTextFree {
  void operator()(wchar_t* text) const { CoTaskMemFree(text); }
};

}  // namespace

std::optional<std::string> UserPicturesFolder() {
  PWSTR path = nullptr;
  const HRESULT result = SHGetKnownFolderPath(FOLDERID_Pictures, KF_FLAG_DEFAULT, nullptr, &path);
  const std::unique_ptr<wchar_t, ShellTextFree> owned(path);
  if (FAILED(result) || path == nullptr) return std::nullopt;
  std::string text = Narrow(path);
  if (text.empty()) return std::nullopt;
  std::replace(text.begin(), text.end(), '\\', '/');
  if (text.back() != '/') text += '/';
  return text;
}

}  // namespace platform
