// The manual: a local page below the program folder, opened in the user's web browser.
#pragma once

inline constexpr char kHelpPage[] = "Data/Help/Html/HTop.html";

// Opens the manual's start page; says so when it cannot be opened, like the preview.
void OpenHelpPage();
