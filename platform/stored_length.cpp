#include "platform/text_codes.h"

#include <utility>

namespace platform {
namespace {

bool IsContinuationByte(char byte) {
  return (static_cast<unsigned char>(byte) & 0xc0) == 0x80;
}

// The StoredLength of the character that starts `text`, and its UTF-8 bytes.
std::pair<std::size_t, std::size_t> FirstCharacterLengths(std::string_view text) {
  std::size_t bytes = 1;
  while (bytes < text.size() && IsContinuationByte(text[bytes])) ++bytes;
  if (bytes == 1) return {1, 1};
  const std::optional<std::string> cp932 = Utf8ToCp932(text.substr(0, bytes));
  return {cp932 ? cp932->size() : bytes, bytes};
}

}  // namespace

std::size_t StoredLength(std::string_view text) {
  std::size_t length = 0;
  while (!text.empty()) {
    const auto [stored, bytes] = FirstCharacterLengths(text);
    length += stored;
    text.remove_prefix(bytes);
  }
  return length;
}

std::string_view CutToStoredLength(std::string_view text, std::size_t maxLength) {
  std::size_t length = 0;
  std::size_t end = 0;
  while (end < text.size()) {
    const auto [stored, bytes] = FirstCharacterLengths(text.substr(end));
    if (length + stored > maxLength) break;
    length += stored;
    end += bytes;
  }
  return text.substr(0, end);
}

}  // namespace platform
