// The program's icon, from the program's resources.
#pragma once

#include <windows.h>

// The icon drawn at `size` pixels square, kept for the rest of the process; null when the
// running program carries no icon (the tests).
HICON ProgramIcon(int size);
