// The about box (template 100), shown modally over `owner` until "ok" or closing.
#pragma once

#include <windows.h>

void ShowAboutDialog(HWND owner);
