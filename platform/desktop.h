// Opening a page, a file or an address with the desktop's default program.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// An address the desktop opens as it stands, rather than a file.
inline bool IsDesktopAddress(std::string_view target) {
  return target.starts_with("http://") || target.starts_with("https://") ||
         target.starts_with("mailto:");
}

// Opens `target` (an http:, https: or mailto: address, or a file, relative to the current
// folder or absolute) with the program the desktop associates with it; false when the file does
// not exist or nothing could be opened. On POSIX desktops the opener (xdg-open) fails at once when
// no program can open the target; one still running after a short wait has started the program
// (some openers wait for it to close) and counts as a success.
bool OpenWithDesktop(const std::string& target);

}  // namespace platform
