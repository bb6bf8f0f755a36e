// What the user may type or paste into an edit box: digit boxes take digits only, and a text
// box takes no more bytes than one settings line keeps of its text.
#pragma once

#include <windows.h>

// A settings line holds 255 bytes with its key, its tab and its line end ("#FOLDER_NAME=\t"
// and "\r\n", 16 bytes): 239 bytes of UTF-8 text.
inline constexpr int kTextBoxBytes = 239;

enum class EditRule { kDigitsOnly, kLimitBytes };

// Filters every typed or pasted insertion into `box` before it is made; what the program sets
// stays as it is.
void ApplyEditRule(HWND box, EditRule rule);
