// UTF-8 and the UTF-16 of the Windows wide-character functions (Windows build only).
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Invalid UTF-8 gives an empty string, which names no file.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace platform
