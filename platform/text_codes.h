// Conversion between the Windows Japanese code page (cp932) and UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// nullopt when the bytes are not cp932.
std::optional<std::string> Cp932ToUtf8(std::string_view text);

// nullopt when a character has no cp932 form.
std::optional<std::string> Utf8ToCp932(std::string_view text);

}  // namespace platform
