// A new empty folder for one test, so that runs of the same test at once (two builds, several
// desktop scalings, two developers) never share or remove each other's files.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>

// Made under the system's temporary folder, named from `prefix` and a unique suffix of a fixed
// length; the caller removes it.
inline std::filesystem::path MakeUniqueFolder(const std::string& prefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make " + pattern);
  return pattern;
}
