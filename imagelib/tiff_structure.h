// Bounds-checked access to the TIFF data inside an Exif block: numbers in the data's byte order
// and the entries of its directories. Nothing is read or written outside the data.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "imagelib/codec_support.h"

namespace imagelib {

inline constexpr std::size_t kTiffEntryBytes = 12;

// One directory entry; `at` is where its 12 bytes start.
struct TiffEntry {
  std::uint16_t tag = 0;
  std::uint16_t type = 0;
  std::uint32_t count = 0;
  std::uint64_t at = 0;

  std::uint64_t ValueFieldAt() const { return at + 8; }
};

// Bytes taken by one value of a TIFF type; 0 for a type the format does not define.
std::uint64_t TiffTypeBytes(std::uint16_t type);

class TiffReader {
 public:
  explicit TiffReader(ByteSpan tiff) : tiff_(tiff) {}

  // False when the data does not start with a TIFF header.
  bool ReadByteOrder();
  bool LittleEndian() const { return littleEndian_; }
  std::uint64_t Size() const { return tiff_.size(); }

  // The `bytes`-byte number (1 to 4) at `at`; nothing when it does not lie inside the data.
  std::optional<std::uint32_t> Number(std::uint64_t at, int bytes) const;

  // The entries of the directory at `at` that lie inside the data, in order, up to the first
  // that does not; nothing when not even its count does.
  std::optional<std::vector<TiffEntry>> Entries(std::uint64_t at) const;
  // The entry count the directory at `at` states; nothing when it lies outside the data.
  std::optional<std::uint32_t> EntryCount(std::uint64_t at) const { return Number(at, 2); }

  // Where an entry's values are (in the entry itself when they take four bytes or fewer) and
  // how many bytes they take; nothing for a type of unknown size or values outside the data.
  struct Span {
    std::uint64_t at = 0;
    std::uint64_t bytes = 0;
  };
  std::optional<Span> ValuesOf(const TiffEntry& entry) const;

 private:
  ByteSpan tiff_;
  bool littleEndian_ = false;
};

// Writes `bytes`-byte numbers in the given byte order; writes past the end are left out.
void PutTiffNumber(Bytes& tiff, bool littleEndian, std::uint64_t at, int bytes,
                   std::uint32_t value);

}  // namespace imagelib
