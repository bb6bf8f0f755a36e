// The manual: a local page below the program folder, opened in the user's web browser.
#pragma once

inline constexpr char kHelpPage[] = "Data/Help/Html/HTop.html";

// Opens the manual's start page. A missing page shows no message of the program's own.
void OpenHelpPage();
