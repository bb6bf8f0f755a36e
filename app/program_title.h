// The main window's title, the same on every system.
#pragma once

inline constexpr char kProgramTitle[] = "ヴィンボトラステル２ Ver 2.00 Updata 2006_0116";
