// The settings file a first start writes: the stored reference (whose output folder is
// /opt/トラステル/) with another output folder put in.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

inline std::string DefaultSettings(const std::string& folder) {
  std::ifstream in(
      std::filesystem::path(TRASTEL_SOURCE_DIR) / "tests/data/state/default_settings.inf",
      std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The output folder is the line after "#SAVE=".
  const std::size_t lineStart = text.find("\r\n", text.find("#SAVE=")) + 2;
  return text.replace(lineStart, text.find("\r\n", lineStart) - lineStart, folder);
}
