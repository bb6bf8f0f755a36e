// Lists of pictures as text files, one path per line: what --list reads and --failed-list
// writes, so that a run's failed pictures can be given to the next run.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The paths of a list's text: UTF-8 (a byte order mark allowed), or cp932 as Windows programs
// save it; CR LF or LF line ends; blank lines left out.
std::vector<std::string> PathsOfList(std::string_view text);

// The paths of the list file at `path`; nullopt when it cannot be read.
std::optional<std::vector<std::string>> ReadPathList(const std::string& path);

// Writes `paths` as a list in UTF-8, replacing the file; false when it cannot be written.
bool WritePathList(const std::string& path, const std::vector<std::string>& paths);
