// Text helpers for the program's UTF-8 byte strings.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The longest leading part of `text` that has at most `maxBytes` bytes and does not end inside
// a multi-byte UTF-8 character.
std::string_view CutAtCharacterBoundary(std::string_view text, std::size_t maxBytes);

// `text` itself when it has at most `maxBytes` bytes; otherwise its start and its end, cut at
// character boundaries, joined by "…", in at most `maxBytes` bytes.
std::string ShortenInMiddle(std::string_view text, std::size_t maxBytes);

bool IsValidUtf8(std::string_view text);

// Converts cp932 (Shift_JIS as written on Windows) to UTF-8; nullopt if the bytes are not cp932.
std::optional<std::string> Cp932ToUtf8(std::string_view text);

// Converts UTF-8 to cp932; nullopt if a character has no cp932 form.
std::optional<std::string> Utf8ToCp932(std::string_view text);
