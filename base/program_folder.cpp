#include "base/program_folder.h"

#include <limits.h>
#include <unistd.h>

#include <cstring>
#include <string>

char programFolder[kPathBufferBytes] = "";

bool SetProgramFolder(const char* folder) {
  std::string text(folder);
  if (text.empty() || text.back() != '/') text += '/';
  if (text.size() > kMaxProgramFolderBytes) return false;
  std::memcpy(programFolder, text.c_str(), text.size() + 1);
  return true;
}

std::optional<std::string> ExecutableFolder() {
  char executable[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", executable, sizeof executable);
  if (length <= 0 || static_cast<std::size_t>(length) >= sizeof executable) return std::nullopt;
  std::string path(executable, static_cast<std::size_t>(length));
  std::size_t lastSeparator = path.rfind('/');
  if (lastSeparator == std::string::npos) return std::nullopt;
  return path.substr(0, lastSeparator + 1);
}
