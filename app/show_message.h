// The program's message box: printf-style text, at most 511 bytes, OK button only.
#pragma once

[[gnu::format(printf, 1, 2)]] void ShowMessage(const char* format, ...);
