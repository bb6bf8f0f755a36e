#include "base/text_encoding.h"

namespace {

// Number of bytes of the UTF-8 sequence that starts with `lead`, or 0 for a byte that cannot
// start one.
std::size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xc2 && lead <= 0xdf) return 2;
  if (lead >= 0xe0 && lead <= 0xef) return 3;
  if (lead >= 0xf0 && lead <= 0xf4) return 4;
  return 0;
}

bool IsContinuationByte(char byte) {
  return (static_cast<unsigned char>(byte) & 0xc0) == 0x80;
}

}  // namespace

std::string_view CutAtCharacterBoundary(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  std::size_t end = maxBytes;
  // Step back over continuation bytes to the start of the character that would be cut.
  while (end > 0 && IsContinuationByte(text[end])) --end;
  return text.substr(0, end);
}

std::string ShortenInMiddle(std::string_view text, std::size_t maxBytes) {
  constexpr std::string_view kEllipsis = "…";
  if (text.size() <= maxBytes) return std::string(text);
  if (maxBytes < kEllipsis.size()) return std::string(CutAtCharacterBoundary(text, maxBytes));
  const std::size_t kept = maxBytes - kEllipsis.size();
  std::string_view head = CutAtCharacterBoundary(text, kept - kept / 2);
  // The end starts at the first character that begins within its share.
  std::size_t tailStart = text.size() - kept / 2;
  while (tailStart < text.size() && IsContinuationByte(text[tailStart])) ++tailStart;
  return std::string(head) + std::string(kEllipsis) + std::string(text.substr(tailStart));
}

bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = SequenceLength(lead);
    if (length == 0 || i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if (!IsContinuationByte(text[i + k])) return false;
    }
    if (length >= 3) {
      auto second = static_cast<unsigned char>(text[i + 1]);
      // Overlong forms, surrogates and values past U+10FFFF.
      if (lead == 0xe0 && second < 0xa0) return false;
      if (lead == 0xed && second >= 0xa0) return false;
      if (lead == 0xf0 && second < 0x90) return false;
      if (lead == 0xf4 && second >= 0x90) return false;
    }
    i += length;
  }
  return true;
}
