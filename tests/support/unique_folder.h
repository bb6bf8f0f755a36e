// A new empty folder for one test, so that runs of the same test at once (two builds, several
// desktop scalings, two developers) never share or remove each other's files.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

#include "platform/files.h"

// Made under the system's temporary folder, named from `prefix` and a unique suffix of a fixed
// length; the caller removes it.
inline std::filesystem::path MakeUniqueFolder(const std::string& prefix) {
  const std::string start = platform::TemporaryFolder() + "/" + prefix + "-";
  const auto folder = platform::MakeUniqueFolder(start);
  if (!folder) throw std::runtime_error("cannot make " + start + "…");
  return *folder;
}
