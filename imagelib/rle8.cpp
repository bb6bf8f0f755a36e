#include "imagelib/rle8.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

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

// Encoding a row: the row is cut into maximal runs of equal indexes, and each run is either
// written as runs (2 bytes per 255 pixels) or folded into a literal stretch (2 bytes, then one
// per pixel, padded to an even count; at least 3 pixels). Short runs inside noisy stretches cost
// less folded, long runs less on their own; the cheapest choice for the whole row is found by
// dynamic programming over the runs, tracking whether a literal stretch is open and its length
// (1, 2, or at least 3 and odd or even). Of equally small codings the one of fewest pieces
// is taken, so a cost counts bytes in its high bits and pieces in its low ones.
enum LiteralState { kClosed, kOpenOne, kOpenTwo, kOpenOdd, kOpenEven, kStates };
// A length standing for each open state, enough to find the state after adding pixels.
constexpr int kRepresentativeLength[kStates] = {0, 1, 2, 3, 4};

constexpr LiteralState OpenState(int length) {
  if (length <= 2) return length == 1 ? kOpenOne : kOpenTwo;
  return length % 2 != 0 ? kOpenOdd : kOpenEven;
}

using Cost = std::int64_t;
constexpr Cost kByte = Cost{1} << 32;
constexpr Cost kPiece = 1;
constexpr Cost kUnreachable = std::numeric_limits<Cost>::max() / 2;
// The cheapest cost found so far of reaching each state, reached by named fields only so that
// the planning keeps them in registers.
struct Costs {
  Cost closed = kUnreachable;
  Cost openOne = kUnreachable;
  Cost openTwo = kUnreachable;
  Cost openOdd = kUnreachable;
  Cost openEven = kUnreachable;

  template <int kState>
  Cost& At() {
    if constexpr (kState == kClosed) return closed;
    if constexpr (kState == kOpenOne) return openOne;
    if constexpr (kState == kOpenTwo) return openTwo;
    if constexpr (kState == kOpenOdd) return openOdd;
    if constexpr (kState == kOpenEven) return openEven;
  }
};

// Bytes still owed to close a literal stretch in this state, or -1 when it cannot close yet.
constexpr Cost ClosingCost(int state) {
  if (state == kClosed || state == kOpenEven) return 0;
  return state == kOpenOdd ? kByte : -1;
}

// How one maximal run was coded, and the state it was reached from.
struct RunChoice {
  enum Kind : std::uint8_t { kAsRuns, kStartsLiteral, kExtendsLiteral } kind = kAsRuns;
  std::uint8_t from = kClosed;

  // Five bits: the state in the low three.
  constexpr std::uint32_t Code() const { return std::uint32_t{from} | std::uint32_t{kind} << 3; }
  static constexpr RunChoice OfCode(std::uint32_t code) {
    return {static_cast<Kind>(code >> 3), static_cast<std::uint8_t>(code & 7)};
  }
};
// The choices reaching each state after a run, five bits per state: going back through a row
// reads the word of a run before knowing which state it needs.
using RunChoices = std::uint32_t;
constexpr int kChoiceBits = 5;

// The states a run leads to depend only on whether it is one or two pixels long, or else on
// its parity: runs of one class are planned alike, with their states known when compiled, so
// that the costs stay in registers.
constexpr int LengthClass(int length) {
  return length <= 2 ? length : 4 - length % 2;
}

// The cheapest cost of each state after a run of `length` pixels (of class kClass), and the
// choice reaching it. Offers come in a fixed order and only a cheaper one replaces the one
// before. An unreachable state offers costs beyond kUnreachable, which never win.
template <int kClass>
Costs PlanRun(Costs cost, int length, RunChoices& choices) {
  Costs next;
  std::array<std::uint32_t, kStates> codes{};
  auto offer = [&]<int kState>(Cost total, RunChoice choice) {
    if (total < next.At<kState>()) {
      next.At<kState>() = total;
      codes[kState] = choice.Code();
    }
  };
  const int pieceCount = kClass <= 2 ? 1 : (length + kLongestRun - 1) / kLongestRun;
  [&]<int... kFrom>(std::integer_sequence<int, kFrom...>) {
    (
        [&] {
          const Cost before = cost.At<kFrom>();
          constexpr auto origin = static_cast<std::uint8_t>(kFrom);
          if constexpr (kFrom != kClosed) {
            offer.template operator()<OpenState(kRepresentativeLength[kFrom] + kClass)>(
                before + length * kByte, {RunChoice::kExtendsLiteral, origin});
          }
          constexpr Cost closing = ClosingCost(kFrom);
          if constexpr (closing >= 0) {
            offer.template operator()<kClosed>(before + closing + pieceCount * (2 * kByte + kPiece),
                                               {RunChoice::kAsRuns, origin});
            offer.template operator()<OpenState(kClass)>(
                before + closing + (2 + length) * kByte + kPiece,
                {RunChoice::kStartsLiteral, origin});
          }
        }(),
        ...);
  }
  (std::make_integer_sequence<int, kStates>{});
  choices = codes[0] | codes[1] << kChoiceBits | codes[2] << (2 * kChoiceBits) |
            codes[3] << (3 * kChoiceBits) | codes[4] << (4 * kChoiceBits);
  return next;
}

// Pieces of a row: pixels [start, start + length), as one literal stretch or as runs.
struct RowPiece {
  int start = 0;
  int length = 0;
  bool literal = false;
};

// Plans rows one after another, keeping its working lists between rows.
class RowPlanner {
 public:
  // The pieces of a row in order, valid until the next call.
  const std::vector<RowPiece>& Plan(const std::uint8_t* row, int width);

 private:
  // Where each maximal run starts, then the row's width.
  std::vector<int> starts_;
  std::vector<RunChoices> choices_;
  std::vector<RunChoice> chosen_;
  std::vector<RowPiece> pieces_;
};

const std::vector<RowPiece>& RowPlanner::Plan(const std::uint8_t* row, int width) {
  // Every pixel is written as a possible start and kept when it differs from the one before:
  // in a dithered row runs are short, and a loop per run would guess wrong at most ends.
  starts_.resize(static_cast<std::size_t>(width) + 1);
  std::size_t runCount = 0;
  for (int x = 0; x < width; ++x) {
    starts_[runCount] = x;
    runCount += x == 0 || row[x] != row[x - 1] ? 1 : 0;
  }
  starts_[runCount] = width;
  auto lengthOf = [&](std::size_t run) { return starts_[run + 1] - starts_[run]; };
  Costs cost;
  cost.closed = 0;
  choices_.resize(runCount);
  for (std::size_t i = 0; i < runCount; ++i) {
    const int length = lengthOf(i);
    switch (LengthClass(length)) {
      case 1:
        cost = PlanRun<1>(cost, length, choices_[i]);
        break;
      case 2:
        cost = PlanRun<2>(cost, length, choices_[i]);
        break;
      case 3:
        cost = PlanRun<3>(cost, length, choices_[i]);
        break;
      default:
        cost = PlanRun<4>(cost, length, choices_[i]);
        break;
    }
  }
  // The cheapest state that can end the row, then the choices back to its start.
  int state = kClosed;
  Cost least = cost.closed;
  if (cost.openOdd + ClosingCost(kOpenOdd) < least) {
    state = kOpenOdd;
    least = cost.openOdd + ClosingCost(kOpenOdd);
  }
  if (cost.openEven + ClosingCost(kOpenEven) < least) state = kOpenEven;
  chosen_.resize(runCount);
  for (std::size_t i = runCount; i-- > 0;) {
    chosen_[i] = RunChoice::OfCode(choices_[i] >> (kChoiceBits * state) & 31);
    state = chosen_[i].from;
  }
  // The piece being gathered stays out of the list until the next one starts, so that its
  // growing length is not stored and read back for every run.
  pieces_.clear();
  RowPiece piece;
  for (std::size_t i = 0; i < runCount; ++i) {
    if (chosen_[i].kind == RunChoice::kExtendsLiteral) {
      piece.length += lengthOf(i);
      continue;
    }
    if (i > 0) pieces_.push_back(piece);
    piece = {starts_[i], lengthOf(i), chosen_[i].kind != RunChoice::kAsRuns};
  }
  if (runCount > 0) pieces_.push_back(piece);
  return pieces_;
}

// Writes `length` pixels of one index as runs of at most 255.
void PutRun(std::uint8_t index, int length, Bytes& stream) {
  for (; length > 0; length -= kLongestRun) {
    stream.push_back(static_cast<std::uint8_t>(std::min(length, kLongestRun)));
    stream.push_back(index);
  }
}

// Writes at least 3 pixels as literal stretches of at most 255, each padded to an even length.
// Every stretch but the last is even; none is shorter than 3.
void PutLiteral(const std::uint8_t* pixels, int length, Bytes& stream) {
  while (length > 0) {
    int piece = length;
    if (length > kLongestRun)
      piece = length - (kLongestRun - 1) >= 3 ? kLongestRun - 1 : kLongestRun - 3;
    stream.push_back(kEscape);
    stream.push_back(static_cast<std::uint8_t>(piece));
    stream.insert(stream.end(), pixels, pixels + piece);
    if (piece % 2 != 0) stream.push_back(0);
    pixels += piece;
    length -= piece;
  }
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
  RowPlanner planner;
  for (int line = 0; line < picture.height; ++line) {
    const std::uint8_t* row = picture.Row(picture.height - 1 - line);
    for (const RowPiece& piece : planner.Plan(row, picture.width)) {
      if (piece.literal) {
        PutLiteral(row + piece.start, piece.length, stream);
      } else {
        PutRun(row[piece.start], piece.length, stream);
      }
    }
    stream.push_back(kEscape);
    stream.push_back(line + 1 == picture.height ? kEndOfPicture : kEndOfLine);
  }
  return stream;
}

}  // namespace imagelib
