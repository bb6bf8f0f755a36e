// Text helpers for the program's UTF-8 byte strings.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/text_codes.h"

// The longest leading part of `text` that has at most `maxBytes` bytes and does not end inside
// a multi-byte UTF-8 character.
std::string_view CutAtCharacterBoundary(std::string_view text, std::size_t maxBytes);

// `text` itself when it has at most `maxBytes` bytes; otherwise its start and its end, cut at
// character boundaries, joined by "…", in at most `maxBytes` bytes.
std::string ShortenInMiddle(std::string_view text, std::size_t maxBytes);

bool IsValidUtf8(std::string_view text);

// Text written on Windows in cp932 (Shift_JIS) to and from UTF-8.
using platform::Cp932ToUtf8;
using platform::CutToStoredLength;
using platform::StoredLength;
using platform::Utf8ToCp932;
