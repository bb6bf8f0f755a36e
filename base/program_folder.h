// The folder of the executable, with one trailing separator. Start-up sets it and makes it the
// working directory; every relative path of the program resolves against it.
#pragma once

#include <cstddef>
#include <string>

#include "base/path_names.h"

extern char programFolder[kPathBufferBytes];

// The longest program folder (counted by StoredLength), its separator included, that leaves
// room in a path for the settings file "Data/Confing.inf" below it.
inline constexpr std::size_t kMaxProgramFolderLength = kMaxPathLength - 16;

// Sets programFolder to `folder`, adding the trailing separator if missing. Returns false,
// changing nothing, if it is longer than kMaxProgramFolderLength.
bool SetProgramFolder(const char* folder);
