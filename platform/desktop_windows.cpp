#include "platform/desktop.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <filesystem>
#include <system_error>

#include "platform/files.h"
#include "platform/wide_text_windows.h"

namespace platform {

bool OpenWithDesktop(const std::string& target) {
  std::wstring resolved = Widen(target);
  if (!IsDesktopAddress(target)) {
    std::error_code error;
    const std::filesystem::path file = std::filesystem::absolute(PathOf(target), error);
    if (error || !std::filesystem::is_regular_file(file, error)) return false;
    resolved = file.lexically_normal().wstring();
  }
  // The shell's "open" verb: the program associated with the file type or address scheme. A
  // result above 32 means it was started.
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", resolved.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return result > 32;
}

}  // namespace platform
