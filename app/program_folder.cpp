#include "app/program_folder.h"

#include <unistd.h>

#include <cstring>
#include <string>

char programFolder[256] = "";

bool SetProgramFolder(const char* folder) {
  std::string text(folder);
  if (text.empty() || text.back() != '/') text += '/';
  if (text.size() >= sizeof programFolder) return false;
  std::memcpy(programFolder, text.c_str(), text.size() + 1);
  return true;
}

bool FindProgramFolder() {
  char executable[4096];
  ssize_t length = readlink("/proc/self/exe", executable, sizeof executable - 1);
  if (length <= 0) return false;
  executable[length] = '\0';
  char* lastSeparator = std::strrchr(executable, '/');
  if (lastSeparator == nullptr) return false;
  lastSeparator[1] = '\0';
  return SetProgramFolder(executable);
}
