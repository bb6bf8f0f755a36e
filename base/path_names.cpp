#include "base/path_names.h"

#include <cctype>
#include <cstring>
#include <string>

#include "platform/files.h"

namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

bool HasDrive(const std::string& path) {
  return path.size() >= 2 && path[1] == ':';
}

bool SameIgnoringCase(char a, char b) {
  return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

// Paths agree at a character when both have a separator there, whichever each uses: a file
// chosen in a Windows dialog has '\\' where the program folder has '/'.
bool SameInPath(char a, char b) {
  return (IsSeparator(a) && IsSeparator(b)) || SameIgnoringCase(a, b);
}

// Copies as much of `text` as fits into `buffer` with its terminator.
void StoreCut(char* buffer, std::size_t size, const std::string& text) {
  std::size_t length = std::min(text.size(), size - 1);
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
}

// Where the last element of the path begins: after its last separator, or at 0 for a bare name.
std::size_t NameStart(const std::string& path) {
  std::size_t separator = path.find_last_of("\\/");
  return separator == std::string::npos ? 0 : separator + 1;
}

}  // namespace

char* MakeRelativePath(char* buffer, std::size_t size, const char* baseFolder) {
  if (size == 0 || buffer[0] == '\0') return buffer;
  const std::string path = buffer;
  const std::string base = baseFolder;
  const char lastCharacter = path.back();

  std::size_t pathStart = 0;
  std::size_t baseStart = 0;
  if (HasDrive(path) && HasDrive(base)) {
    if (!SameIgnoringCase(path[0], base[0])) return buffer;
    pathStart = baseStart = 2;
  } else if (HasDrive(path)) {
    pathStart = 2;
  } else if (HasDrive(base)) {
    return buffer;  // Already relative.
  }

  // Walk both while they agree, remembering the last separator passed.
  std::size_t i = pathStart;
  std::size_t j = baseStart;
  std::size_t pathSeparator = std::string::npos;
  std::size_t baseSeparator = std::string::npos;
  while (i < path.size() && j < base.size() && SameInPath(path[i], base[j])) {
    if (IsSeparator(path[i])) {
      pathSeparator = i;
      baseSeparator = j;
    }
    ++i;
    ++j;
  }

  std::string result;
  if (j == base.size() && i < path.size() && IsSeparator(path[i])) {
    result = path.substr(i + 1);  // Inside the base: nothing to climb.
  } else {
    if (i == path.size() && j < base.size() && IsSeparator(base[j])) {
      pathSeparator = i;
      baseSeparator = j;
    }
    if (baseSeparator == std::string::npos) return buffer;  // Nothing in common.
    bool climbed = false;
    bool fits = true;
    for (std::size_t k = baseSeparator; k + 1 < base.size(); ++k) {
      if (!IsSeparator(base[k])) continue;
      if (result.size() + 3 + 1 > size) {
        fits = false;
        break;
      }
      result += "..";
      result += base[k];
      climbed = true;
    }
    if (fits) {
      std::string rest = pathSeparator < path.size() ? path.substr(pathSeparator + 1) : "";
      if (rest.empty()) {
        if (climbed) result.pop_back();
      } else {
        result += rest;
      }
    }
  }
  if (result.empty()) result = IsSeparator(lastCharacter) ? std::string(".") + lastCharacter : ".";
  StoreCut(buffer, size, result);
  return buffer;
}

char SeparatorOf(const std::string& path) {
  const std::size_t last = path.find_last_of(platform::kPathSeparators);
  return last == std::string::npos ? '/' : path[last];
}

std::string FileExtension(const std::string& path) {
  // Only the last element can carry the extension: a dot in a folder name, ".." included, is
  // no extension's dot.
  std::size_t dot = path.rfind('.');
  return dot == std::string::npos || dot < NameStart(path) ? std::string() : path.substr(dot + 1);
}

std::string FileNamePart(const std::string& path, bool withExtension) {
  std::string name = path.substr(NameStart(path));
  std::string extension = FileExtension(path);
  if (withExtension || extension.empty()) return name;
  std::size_t cut = extension.size() + 1;
  return cut > name.size() ? std::string() : name.substr(0, name.size() - cut);
}
