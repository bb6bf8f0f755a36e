// The settings file Data/Confing.inf: its writer, its reader and the temporary-file clean-up.
#pragma once

#include <cstdio>

// Writes the 38 lines of the settings file to configPath. 1 on success, 0 (with a message) when
// the file cannot be written.
int SaveSettings();
// Reads the settings file over the state. 1 when it existed, had the right format and ended with
// its end line; 0 otherwise (with a message, except for a missing file).
int LoadSettings();
// 1 when the first line of the file at `path` carries `formatWord` (or a leading part of it) as
// its second word.
int CheckSettingsFormat(const char* path, const char* formatWord);

enum class SettingsLine { kContent, kSkip, kEndOfFile };
// Reads one line of at most 255 bytes (line break included) into `line` (256 bytes).
SettingsLine ReadSettingsLine(std::FILE* stream, char* line);
// 1 when `line` begins with `key`, byte for byte.
int KeyMatches(const char* line, const char* key);
// Deletes the two temporary picture files in Data/__Temp; failures are ignored.
void DeleteTempFiles();
