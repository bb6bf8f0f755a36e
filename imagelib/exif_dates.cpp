#include "imagelib/exif_dates.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "imagelib/exif_editing.h"
#include "imagelib/exif_orientation.h"
#include "imagelib/picture_formats.h"
#include "imagelib/regular_file.h"
#include "imagelib/tiff_structure.h"

namespace imagelib {
namespace {

constexpr std::uint16_t kDateTimeTag = 0x0132;
constexpr std::uint16_t kExifDirectoryTag = 0x8769;
constexpr std::uint16_t kDateTimeOriginalTag = 0x9003;
constexpr std::uint16_t kAsciiType = 2;
constexpr std::uint16_t kLongType = 4;
// "YYYY:MM:DD hh:mm:ss"
constexpr std::size_t kDateLength = 19;

std::optional<platform::LocalTime> DateOf(const TiffReader& tiff, const TiffEntry& entry) {
  if (entry.type != kAsciiType || entry.count < kDateLength) return std::nullopt;
  const auto values = tiff.ValuesOf(entry);
  if (!values) return std::nullopt;
  std::string text;
  for (std::size_t i = 0; i < kDateLength; ++i) {
    const auto byte = tiff.Number(values->at + i, 1);
    if (!byte) return std::nullopt;
    text += static_cast<char>(*byte);
  }
  int fields[6] = {};
  constexpr std::size_t kStarts[6] = {0, 5, 8, 11, 14, 17};
  constexpr std::size_t kLengths[6] = {4, 2, 2, 2, 2, 2};
  for (int field = 0; field < 6; ++field) {
    for (std::size_t i = 0; i < kLengths[field]; ++i) {
      const char digit = text[kStarts[field] + i];
      if (digit < '0' || digit > '9') return std::nullopt;
      fields[field] = fields[field] * 10 + (digit - '0');
    }
  }
  const platform::LocalTime date{fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]};
  if (date.year < 1 || date.month < 1 || date.month > 12 || date.day < 1 || date.day > 31 ||
      date.hour > 23 || date.minute > 59 || date.second > 59) {
    return std::nullopt;
  }
  return date;
}

std::optional<platform::LocalTime> DateIn(const TiffReader& tiff,
                                          const std::vector<TiffEntry>& entries,
                                          std::uint16_t tag) {
  for (const TiffEntry& entry : entries) {
    if (entry.tag == tag) return DateOf(tiff, entry);
  }
  return std::nullopt;
}

}  // namespace

std::optional<platform::LocalTime> ExifDateTaken(ByteSpan exif) {
  if (exif.size() < kExifHeader.size() ||
      std::memcmp(exif.data(), kExifHeader.data(), kExifHeader.size()) != 0) {
    return std::nullopt;
  }
  TiffReader tiff(exif.subspan(kExifHeader.size()));
  if (!tiff.ReadByteOrder()) return std::nullopt;
  // The first directory and the Exif directory it points to, each read once: no loop can form.
  const std::optional<std::uint32_t> first = tiff.Number(4, 4);
  const auto entries = first ? tiff.Entries(*first) : std::nullopt;
  if (!entries) return std::nullopt;
  for (const TiffEntry& entry : *entries) {
    if (entry.tag != kExifDirectoryTag || entry.type != kLongType || entry.count != 1) continue;
    const auto at = tiff.Number(entry.ValueFieldAt(), 4);
    const auto exifEntries = at ? tiff.Entries(*at) : std::nullopt;
    if (!exifEntries) break;
    if (auto taken = DateIn(tiff, *exifEntries, kDateTimeOriginalTag)) return taken;
    break;
  }
  return DateIn(tiff, *entries, kDateTimeTag);
}

std::optional<platform::LocalTime> FileDateTaken(const char* path) {
  // A JPEG's Exif comes first; other formats may keep theirs anywhere, so the whole file is read
  // when its start holds none and its format has a place for one.
  constexpr std::size_t kHead = 256 * 1024;
  auto file = RegularFile::Open(path);
  if (!file || file->Size() > kLargestFile) return std::nullopt;
  Bytes bytes;
  if (!file->ReadMore(bytes, kHead)) return std::nullopt;
  Bytes exif = ExifBlockOf(bytes);
  if (exif.empty() && file->Size() > bytes.size()) {
    const PictureFormat* format = PictureFormatOf(bytes);
    if (format == nullptr || format->exif == nullptr) return std::nullopt;
    if (!file->ReadMore(bytes, static_cast<std::size_t>(file->Size() - bytes.size()))) {
      return std::nullopt;
    }
    exif = ExifBlockOf(bytes);
  }
  return ExifDateTaken(exif);
}

}  // namespace imagelib
