// The about box (template 100), shown modally until "ok" or closing.
#pragma once

class wxWindow;

void ShowAboutDialog(wxWindow* owner);
