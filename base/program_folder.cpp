#include "base/program_folder.h"

#include <cstring>
#include <string>

#include "base/text_encoding.h"

char programFolder[kPathBufferBytes] = "";

bool SetProgramFolder(const char* folder) {
  std::string text(folder);
  if (text.empty() || text.back() != '/') text += '/';
  if (StoredLength(text) > kMaxProgramFolderLength) return false;
  std::memcpy(programFolder, text.c_str(), text.size() + 1);
  return true;
}
