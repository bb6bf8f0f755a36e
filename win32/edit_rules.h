// What the user may type or paste into an edit box: digit boxes take digits only, and a text
// box takes no more bytes than one settings line keeps of its text.
#pragma once

#include "controls/text_box_limit.h"

#include <windows.h>

enum class EditRule { kDigitsOnly, kLimitBytes };

// Filters every typed or pasted insertion into `box` before it is made; what the program sets
// stays as it is.
void ApplyEditRule(HWND box, EditRule rule);
