#include "app/path_lists.h"

#include <fstream>
#include <iterator>

#include "base/text_encoding.h"
#include "platform/files.h"

std::vector<std::string> PathsOfList(std::string_view text) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  std::string decoded(text);
  if (!IsValidUtf8(decoded)) {
    if (auto converted = Cp932ToUtf8(text)) decoded = std::move(*converted);
  }
  std::vector<std::string> paths;
  std::size_t start = 0;
  while (start < decoded.size()) {
    std::size_t end = decoded.find('\n', start);
    if (end == std::string::npos) end = decoded.size();
    std::string line = decoded.substr(start, end - start);
    if (line.ends_with('\r')) line.pop_back();
    if (!line.empty()) paths.push_back(std::move(line));
    start = end + 1;
  }
  return paths;
}

std::optional<std::vector<std::string>> ReadPathList(const std::string& path) {
  std::ifstream file(platform::PathOf(path), std::ios::binary);
  if (!file) return std::nullopt;
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) return std::nullopt;
  return PathsOfList(text);
}

bool WritePathList(const std::string& path, const std::vector<std::string>& paths) {
  std::ofstream file(platform::PathOf(path), std::ios::binary | std::ios::trunc);
  for (const std::string& listed : paths) file << listed << '\n';
  file.close();
  return !file.fail();
}
