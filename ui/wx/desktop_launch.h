// Opening a page, a file or an address with the desktop's default program.
#pragma once

#include <string>

// Runs the desktop's opener (xdg-open) for `target` and reports whether it succeeded. The opener
// fails at once when no program can open the target; one still running after a short wait has
// started the program (some openers wait for it to close) and counts as a success.
bool OpenWithDesktop(const std::string& target);
