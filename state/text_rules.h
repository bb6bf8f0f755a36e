// Conversions of box texts: numbers read the way the number boxes are read, and names made safe
// for file and folder names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Skips leading white space, takes an optional sign and the decimal digits up to the first other
// character; a text without digits gives 0. Values beyond 32 bits stop at the nearest limit.
std::int32_t ParseInt(std::string_view text);

// Keeps ASCII letters, digits and every whole multi-byte UTF-8 character; any other byte
// (blank, punctuation, control character, broken sequence) and each half-width katakana
// character become one `replacement`.
std::string SanitiseName(std::string_view text, char replacement);
