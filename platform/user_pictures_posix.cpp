#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

#include "platform/files.h"
#include "platform/process.h"

namespace platform {
namespace {

// XDG_PICTURES_DIR as xdg-user-dir finds it: the file is read as the shell reads it, so the
// last line naming the folder wins. Its value is "$HOME/…" or an absolute path in double
// quotes, with backslash escapes.
std::optional<std::string> XdgPicturesFolder(const std::string& home) {
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  const std::string config =
      configHome != nullptr && configHome[0] == '/' ? configHome : home + "/.config";
  std::ifstream file(PathOf(config + "/user-dirs.dirs"));
  constexpr std::string_view kKey = "XDG_PICTURES_DIR=\"";
  std::optional<std::string> found;
  for (std::string line; std::getline(file, line);) {
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line.compare(start, kKey.size(), kKey) != 0) continue;
    std::string value;
    bool closed = false;
    for (std::size_t i = start + kKey.size(); i < line.size() && !closed; ++i) {
      if (line[i] == '\\' && i + 1 < line.size()) {
        value += line[++i];
      } else if (line[i] == '"') {
        closed = true;
      } else {
        value += line[i];
      }
    }
    if (!closed) continue;
    if (value == "$HOME" || value.starts_with("$HOME/")) {
      found = home + value.substr(5);
    } else if (value.starts_with('/')) {
      found = value;
    }
  }
  return found;
}

bool IsFolder(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_directory(PathOf(path), error);
}

}  // namespace

std::optional<std::string> UserPicturesFolder() {
  const char* homeVariable = std::getenv("HOME");
  if (homeVariable == nullptr || homeVariable[0] != '/') return std::nullopt;
  std::string home = homeVariable;
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  for (std::optional<std::string> folder :
       {XdgPicturesFolder(home), std::optional<std::string>(home + "/Pictures"),
        std::optional<std::string>(home)}) {
    if (!folder || !IsFolder(*folder)) continue;
    while (folder->size() > 1 && folder->back() == '/') folder->pop_back();
    return folder->back() == '/' ? *folder : *folder + "/";
  }
  return std::nullopt;
}

}  // namespace platform
