// The settings files, Data/Confing.inf and Data/Trastel.inf beside it for the settings beyond
// Confing.inf's: their writer, their reader and the temporary-file clean-up.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "base/path_names.h"

struct AppState;

enum class SettingsStatus {
  kDone,         // read whole or written
  kMissing,      // there is no file to read
  kWrongFormat,  // its first line names another format
  kCannotOpen,   // it could not be opened or written
  kDamaged,      // a line no key begins, or no end line
};

// Writes the 38 lines of the settings file to configPath and the extras file beside it: kDone,
// or kCannotOpen with a message.
SettingsStatus SaveSettings();
// Reads the settings file over the state: kDone when it existed, had the right format and ended
// with its end line. Every other outcome but kMissing comes with a message; what was read up to
// a damaged line stays in the state. The extras file beside it is read too: unless it is read
// whole, its settings take their defaults (with a message unless it is missing).
SettingsStatus LoadSettings();
// A preset's file: the settings of both files in one, the output folder's only when asked.
std::string RenderPreset(AppState& state, bool withOutputFolder);
// Reads a preset's file over `state`: true when it has the preset's format and ends with its end
// line. What was read of a damaged file stays in `state`, so read into a copy.
bool ReadPreset(const char* path, AppState& state);
// 1 when the first line of the file at `path` carries `formatWord` (or a leading part of it) as
// its second word.
int CheckSettingsFormat(const char* path, const char* formatWord);

enum class SettingsLine { kContent, kSkip, kEndOfFile };
// A line of 255 bytes as Japanese Windows stores them, in UTF-8, with its line break and the
// terminating zero.
inline constexpr std::size_t kSettingsLineBytes = StoredTextBytes(255) + 2;
// Reads one line of at most kSettingsLineBytes - 1 bytes (line break included) into `line`; a
// longer one is read in pieces. The lines of files of earlier versions, 255 bytes at most, read
// the same.
SettingsLine ReadSettingsLine(std::FILE* stream, char (&line)[kSettingsLineBytes]);
// 1 when `line` begins with `key`, byte for byte.
int KeyMatches(const char* line, const char* key);
// Deletes the two temporary picture files in Data/__Temp; failures are ignored.
void DeleteTempFiles();
