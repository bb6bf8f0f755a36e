// Conversion between the Windows Japanese code page (cp932) and UTF-8.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// nullopt when the bytes are not cp932.
std::optional<std::string> Cp932ToUtf8(std::string_view text);

// nullopt when a character has no cp932 form.
std::optional<std::string> Utf8ToCp932(std::string_view text);

// How many bytes UTF-8 `text` takes as the program's limits count it, as Japanese Windows stores
// text: a character's bytes in cp932 where it has a cp932 form, its UTF-8 bytes where it has
// none. Never more than its UTF-8 bytes, nor less than a third of them.
std::size_t StoredLength(std::string_view text);
// The longest leading part of `text` whose StoredLength is at most `maxLength`, cut at a
// character boundary.
std::string_view CutToStoredLength(std::string_view text, std::size_t maxLength);

}  // namespace platform
