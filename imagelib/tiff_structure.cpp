#include "imagelib/tiff_structure.h"

namespace imagelib {

std::uint64_t TiffTypeBytes(std::uint16_t type) {
  // BYTE, ASCII, SHORT, LONG, RATIONAL, SBYTE, UNDEFINED, SSHORT, SLONG, SRATIONAL, FLOAT,
  // DOUBLE, IFD.
  constexpr std::uint8_t kBytes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
  return type < std::size(kBytes) ? kBytes[type] : 0;
}

bool TiffReader::ReadByteOrder() {
  if (tiff_.size() < 8 || tiff_[0] != tiff_[1]) return false;
  if (tiff_[0] != 'I' && tiff_[0] != 'M') return false;
  littleEndian_ = tiff_[0] == 'I';
  return Number(2, 2) == 42;
}

std::optional<std::uint32_t> TiffReader::Number(std::uint64_t at, int bytes) const {
  if (bytes < 1 || bytes > 4 || at > tiff_.size() ||
      tiff_.size() - at < static_cast<std::uint64_t>(bytes)) {
    return std::nullopt;
  }
  std::uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) {
    const std::uint32_t byte = tiff_[at + static_cast<std::size_t>(i)];
    value |= littleEndian_ ? byte << (8 * i) : byte << (8 * (bytes - 1 - i));
  }
  return value;
}

std::optional<std::vector<TiffEntry>> TiffReader::Entries(std::uint64_t at) const {
  const std::optional<std::uint32_t> count = EntryCount(at);
  if (!count) return std::nullopt;
  std::vector<TiffEntry> entries;
  for (std::uint32_t i = 0; i < *count; ++i) {
    TiffEntry entry;
    entry.at = at + 2 + kTiffEntryBytes * i;
    const auto tag = Number(entry.at, 2);
    const auto type = Number(entry.at + 2, 2);
    const auto values = Number(entry.at + 4, 4);
    if (!tag || !type || !values || !Number(entry.ValueFieldAt(), 4)) break;
    entry.tag = static_cast<std::uint16_t>(*tag);
    entry.type = static_cast<std::uint16_t>(*type);
    entry.count = *values;
    entries.push_back(entry);
  }
  return entries;
}

std::optional<TiffReader::Span> TiffReader::ValuesOf(const TiffEntry& entry) const {
  const std::uint64_t bytes = TiffTypeBytes(entry.type) * entry.count;
  if (TiffTypeBytes(entry.type) == 0) return std::nullopt;
  if (bytes <= 4) return Span{entry.ValueFieldAt(), bytes};
  const std::optional<std::uint32_t> at = Number(entry.ValueFieldAt(), 4);
  if (!at || *at > tiff_.size() || tiff_.size() - *at < bytes) return std::nullopt;
  return Span{*at, bytes};
}

void PutTiffNumber(Bytes& tiff, bool littleEndian, std::uint64_t at, int bytes,
                   std::uint32_t value) {
  if (at > tiff.size() || tiff.size() - at < static_cast<std::uint64_t>(bytes)) return;
  for (int i = 0; i < bytes; ++i) {
    const int shift = littleEndian ? 8 * i : 8 * (bytes - 1 - i);
    tiff[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> shift);
  }
}

}  // namespace imagelib
