// The running process: where its executable is, its id, other processes, interruptions and the
// console it writes to.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The folder of the running executable, ending with '/'; nothing if it cannot be found.
std::optional<std::string> ExecutableFolder();
// The folder where the user's own settings of the program belong, ending with '/' (it may not
// exist yet): $XDG_CONFIG_HOME/trastel/ (by default ~/.config/trastel/) on Linux,
// %APPDATA%/Trastel/ on Windows. Nothing when the environment names no such place.
std::optional<std::string> UserSettingsFolder();
// True for a program folder that the system's packages own (below /usr on Linux; on Windows
// below the Program Files folders): settings never go there, even where an administrator could
// write.
bool IsInstalledProgramFolder(const std::string& folder);
// The user's own pictures folder, ending with '/': on Linux the one xdg-user-dirs names
// (XDG_PICTURES_DIR in user-dirs.dirs), else ~/Pictures, else the home folder, whichever exists
// first; on Windows the Pictures known folder. Nothing when there is none.
std::optional<std::string> UserPicturesFolder();

unsigned long CurrentProcessId();

// True when no process with id `id` is running.
bool HasProcessEnded(unsigned long id);

// True when `stream` writes to a console (a terminal) rather than a file or pipe.
bool IsConsole(std::FILE* stream);

// Makes `stream` take UTF-8 text as the console shows it.
void UseUtf8Console(std::FILE* stream);

// Writes UTF-8 `text` to `stream`. A Windows console is given it as UTF-16, which it shows
// whatever its code page; files and pipes get the UTF-8 bytes.
void WriteText(std::FILE* stream, std::string_view text);

// While alive, an interruption of the process by the user or the system (Ctrl+C, a terminal
// closing, a request to end) first calls `onInterrupt`, then ends the process as the
// interruption would have. `onInterrupt` may use only async-signal-safe calls.
class InterruptHandling {
 public:
  explicit InterruptHandling(void (*onInterrupt)());
  ~InterruptHandling();
  InterruptHandling(const InterruptHandling&) = delete;
  InterruptHandling& operator=(const InterruptHandling&) = delete;
};

}  // namespace platform
