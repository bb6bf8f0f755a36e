#include "engine/imagelib/rle8.h"

#include <algorithm>

namespace imagelib {
namespace {

constexpr std::uint8_t kEscape = 0;
constexpr std::uint8_t kEndOfLine = 0;
constexpr std::uint8_t kEndOfPicture = 1;
constexpr std::uint8_t kDelta = 2;
constexpr int kLongestRun = 255;

// Writes pixels into a picture stored bottom-up, clipping at its edges.
class RleCanvas {
 public:
  RleCanvas(Picture& picture) : picture_(picture) {}

  bool IsFull() const { return line_ >= picture_.height; }
  void Put(std::uint8_t index) {
    if (x_ < picture_.width && !IsFull()) picture_.Row(picture_.height - 1 - line_)[x_] = index;
    ++x_;
  }
  void NextLine() {
    x_ = 0;
    ++line_;
  }
  void Move(int right, int up) {
    x_ += right;
    line_ += up;
  }

 private:
  Picture& picture_;
  int x_ = 0;
  int line_ = 0;
};

// The index of pixel `i` of a run whose byte holds one (8 bits) or two (4 bits) indexes.
std::uint8_t IndexInByte(std::uint8_t byte, int i, int bitsPerIndex) {
  if (bitsPerIndex == 8) return byte;
  return (i % 2 == 0) ? byte >> 4 : byte & 0x0f;
}

}  // namespace

bool DecodeRle(ByteSpan stream, int bitsPerIndex, Picture& picture) {
  RleCanvas canvas(picture);
  std::size_t at = 0;
  while (at + 2 <= stream.size()) {
    const std::uint8_t count = stream[at];
    const std::uint8_t value = stream[at + 1];
    at += 2;
    if (count != kEscape) {
      for (int i = 0; i < count; ++i) canvas.Put(IndexInByte(value, i, bitsPerIndex));
    } else if (value == kEndOfLine) {
      canvas.NextLine();
    } else if (value == kEndOfPicture) {
      return true;
    } else if (value == kDelta) {
      if (at + 2 > stream.size()) return false;
      canvas.Move(stream[at], stream[at + 1]);
      at += 2;
    } else {
      const std::size_t bytes = bitsPerIndex == 8 ? value : (value + 1u) / 2;
      if (at + bytes > stream.size()) return false;
      for (int i = 0; i < value; ++i) {
        canvas.Put(IndexInByte(stream[at + static_cast<std::size_t>(i * bitsPerIndex / 8)], i,
                               bitsPerIndex));
      }
      at += (bytes + 1) & ~std::size_t{1};
    }
    // Whatever follows the last row cannot change the picture.
    if (canvas.IsFull()) return true;
  }
  return false;
}

Bytes EncodeRle8(const Picture& picture) {
  Bytes stream;
  stream.reserve(picture.pixels.size() / 2 + 2 * static_cast<std::size_t>(picture.height) + 2);
  const int width = picture.width;
  for (int line = 0; line < picture.height; ++line) {
    const std::uint8_t* row = picture.Row(picture.height - 1 - line);
    int x = 0;
    while (x < width) {
      int run = 1;
      while (x + run < width && run < kLongestRun && row[x + run] == row[x]) ++run;
      // Literal stretches shorter than three pixels cost less as runs of one.
      int literal = 0;
      if (run == 1) {
        while (x + literal < width && literal < kLongestRun &&
               !(x + literal + 1 < width && row[x + literal] == row[x + literal + 1])) {
          ++literal;
        }
      }
      if (literal >= 3) {
        stream.push_back(kEscape);
        stream.push_back(static_cast<std::uint8_t>(literal));
        stream.insert(stream.end(), row + x, row + x + literal);
        if (literal % 2 != 0) stream.push_back(0);
        x += literal;
      } else {
        stream.push_back(static_cast<std::uint8_t>(run));
        stream.push_back(row[x]);
        x += run;
      }
    }
    stream.push_back(kEscape);
    stream.push_back(line + 1 == picture.height ? kEndOfPicture : kEndOfLine);
  }
  return stream;
}

}  // namespace imagelib
