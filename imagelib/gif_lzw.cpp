#include "imagelib/gif_lzw.h"

#include <array>

namespace imagelib {
namespace {

constexpr int kMostCodeBits = 12;
constexpr int kTableSize = 1 << kMostCodeBits;

// The codes of the sub-blocks, least significant bit first; reading stops at the terminating
// empty sub-block or at the end of the data.
class CodeReader {
 public:
  explicit CodeReader(ByteSpan data) : data_(data) {}

  // The next code of `bits` bits; false when the data has ended.
  bool Read(int bits, int& code) {
    while (count_ < bits) {
      if (blockLeft_ == 0) {
        if (at_ >= data_.size() || data_[at_] == 0) return false;
        blockLeft_ = data_[at_++];
      }
      if (at_ >= data_.size()) return false;
      buffer_ |= std::uint32_t{data_[at_++]} << count_;
      count_ += 8;
      --blockLeft_;
    }
    code = static_cast<int>(buffer_ & ((1u << bits) - 1));
    buffer_ >>= bits;
    count_ -= bits;
    return true;
  }

 private:
  ByteSpan data_;
  std::size_t at_ = 0;
  std::size_t blockLeft_ = 0;
  std::uint32_t buffer_ = 0;
  int count_ = 0;
};

// The string table: each code past the literals is an earlier code followed by one value.
struct StringTable {
  std::array<std::uint16_t, kTableSize> prefix{};
  std::array<std::uint16_t, kTableSize> last{};
  std::array<std::uint16_t, kTableSize> first{};
};

}  // namespace

bool DecodeWideLzw(ByteSpan data, int minimumCodeSize, std::size_t pixels,
                   std::vector<std::uint8_t>& indexes) {
  const int clear = 1 << minimumCodeSize;
  const int end = clear + 1;
  StringTable table;
  for (int code = 0; code < clear; ++code) {
    table.last[code] = table.first[code] = static_cast<std::uint16_t>(code);
  }
  std::array<std::uint16_t, kTableSize> reversed{};
  CodeReader reader(data);
  int bits = minimumCodeSize + 1;
  int next = end + 1;
  int previous = -1;
  indexes.clear();
  while (indexes.size() < pixels) {
    int code = 0;
    if (!reader.Read(bits, code) || code == end) return false;
    if (code == clear) {
      bits = minimumCodeSize + 1;
      next = end + 1;
      previous = -1;
      continue;
    }
    if (code > next || (code == next && previous < 0) || (code > end && previous < 0)) {
      return false;
    }
    // A full table takes no more strings until the next clear code.
    if (previous >= 0 && next < kTableSize) {
      table.prefix[next] = static_cast<std::uint16_t>(previous);
      table.first[next] = table.first[previous];
      table.last[next] = table.first[code == next ? previous : code];
      ++next;
      if (next == 1 << bits && bits < kMostCodeBits) ++bits;
    }
    int length = 0;
    for (int at = code;; at = table.prefix[at]) {
      reversed[length++] = table.last[at];
      if (at < clear) break;
    }
    while (length > 0 && indexes.size() < pixels) {
      const std::uint16_t index = reversed[--length];
      if (index > 0xff) return false;
      indexes.push_back(static_cast<std::uint8_t>(index));
    }
    previous = code;
  }
  return true;
}

}  // namespace imagelib
