// The program's local pages (the manual, the previews), opened in the user's web browser.
#pragma once

inline constexpr char kHelpPage[] = "Data/Help/Html/HTop.html";

// Opens `page` (relative to the program folder) with the desktop's default program and says
// why when it cannot: the page is missing, or it exists and the browser could not open it.
void OpenLocalPage(const char* page);
// Opens the manual's start page.
void OpenHelpPage();
