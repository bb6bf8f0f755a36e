// The program's message box: printf-style text, at most 511 bytes, OK button only.
#pragma once

#include <string>
#include <string_view>

[[gnu::format(printf, 1, 2)]] void ShowMessage(const char* format, ...);

// A path as a message names it: shortened in its middle when long, so that its start, its file
// name and the rest of the message all fit.
std::string PathForMessage(std::string_view path);
