#include "state/text_rules.h"

#include <limits>

#include "base/text_encoding.h"

namespace {

// Box texts are worked on in copies of at most 511 bytes.
constexpr std::size_t kWorkingCopyBytes = 511;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsAsciiLetterOrDigit(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Length of the well-formed UTF-8 sequence at the start of `text`, or 0.
std::size_t SequenceAt(std::string_view text) {
  auto lead = static_cast<unsigned char>(text[0]);
  std::size_t length = lead >= 0xc2 && lead <= 0xdf   ? 2
                       : lead >= 0xe0 && lead <= 0xef ? 3
                       : lead >= 0xf0 && lead <= 0xf4 ? 4
                                                      : 0;
  if (length == 0 || length > text.size()) return 0;
  return IsValidUtf8(text.substr(0, length)) ? length : 0;
}

// Half-width katakana U+FF61..U+FF9F are EF BD A1..EF BD BF and EF BE 80..EF BE 9F.
bool IsHalfWidthKatakana(std::string_view sequence) {
  if (sequence.size() != 3) return false;
  auto second = static_cast<unsigned char>(sequence[1]);
  auto third = static_cast<unsigned char>(sequence[2]);
  if (static_cast<unsigned char>(sequence[0]) != 0xef) return false;
  return (second == 0xbd && third >= 0xa1) || (second == 0xbe && third <= 0x9f);
}

}  // namespace

std::int32_t ParseInt(std::string_view text) {
  text = CutAtCharacterBoundary(text, kWorkingCopyBytes);
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max();
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > kLimit + 1) value = kLimit + 1;
  }
  if (negative) return static_cast<std::int32_t>(-value);
  return static_cast<std::int32_t>(value > kLimit ? kLimit : value);
}

std::string SanitiseName(std::string_view text, char replacement) {
  text = CutAtCharacterBoundary(text, kWorkingCopyBytes);
  std::string result;
  result.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      result += IsAsciiLetterOrDigit(byte) ? static_cast<char>(byte) : replacement;
      ++i;
      continue;
    }
    std::size_t length = SequenceAt(text.substr(i));
    if (length == 0) {
      result += replacement;
      ++i;
      continue;
    }
    std::string_view sequence = text.substr(i, length);
    if (IsHalfWidthKatakana(sequence)) {
      result += replacement;
    } else {
      result += sequence;
    }
    i += length;
  }
  return result;
}
