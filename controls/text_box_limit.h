// How long a text the user may type or paste into a text box, counted by StoredLength (bytes as
// Japanese Windows stores them): what one settings line keeps of a text (tests/state checks it
// against every text setting of the binding table).
#pragma once

#include <string_view>

// A settings line holds 255 bytes with its key, its tab and its line end: the longest key of a
// typed text ("#FOLDER_NAME=\t") and "\r\n" leave 239 bytes.
inline constexpr int kTextBoxLength = 255 -
                                      static_cast<int>(std::string_view("#FOLDER_NAME=\t").size()) -
                                      static_cast<int>(std::string_view("\r\n").size());
static_assert(kTextBoxLength == 239);
