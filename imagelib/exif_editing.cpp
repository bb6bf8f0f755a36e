#include "imagelib/exif_editing.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <span>

#include "imagelib/exif_orientation.h"
#include "imagelib/tiff_structure.h"

namespace imagelib {
namespace {

constexpr std::uint16_t kShortType = 3;
constexpr std::uint16_t kLongType = 4;

constexpr std::uint16_t kImageWidthTag = 0x0100;
constexpr std::uint16_t kImageLengthTag = 0x0101;
constexpr std::uint16_t kStripOffsetsTag = 0x0111;
constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kStripBytesTag = 0x0117;
constexpr std::uint16_t kThumbnailAtTag = 0x0201;
constexpr std::uint16_t kThumbnailBytesTag = 0x0202;
constexpr std::uint16_t kExifDirectoryTag = 0x8769;
constexpr std::uint16_t kGpsDirectoryTag = 0x8825;
constexpr std::uint16_t kInteropDirectoryTag = 0xA005;
constexpr std::uint16_t kPixelWidthTag = 0xA002;
constexpr std::uint16_t kPixelHeightTag = 0xA003;

// What kDateAndCamera keeps of the main directory: the camera's maker and model, the program,
// the date, the resolution and the layout tags this editor sets.
constexpr std::uint16_t kDateAndCameraMainTags[] = {
    kImageWidthTag, kImageLengthTag, 0x010F, 0x0110, kOrientationTag, 0x011A,
    0x011B,         0x0128,          0x0131, 0x0132, 0x0213,          kExifDirectoryTag};
// ... and of the Exif directory: the exposure, the dates with their offsets and fractions, the
// colour space and sizes, the lens.
constexpr std::uint16_t kDateAndCameraExifTags[] = {
    0x829A, 0x829D, 0x8822, 0x8827, 0x8830, 0x8831, 0x8832, 0x8833, 0x8834, 0x8835, 0x9000,
    0x9003, 0x9004, 0x9010, 0x9011, 0x9012, 0x9101, 0x9102, 0x9201, 0x9202, 0x9203, 0x9204,
    0x9205, 0x9206, 0x9207, 0x9208, 0x9209, 0x920A, 0x9290, 0x9291, 0x9292, 0xA000, 0xA001,
    0xA002, 0xA003, 0xA20E, 0xA20F, 0xA210, 0xA217, 0xA300, 0xA301, 0xA401, 0xA402, 0xA403,
    0xA404, 0xA405, 0xA406, 0xA407, 0xA408, 0xA409, 0xA40A, 0xA40C, 0xA432, 0xA433, 0xA434};

bool Names(std::span<const std::uint16_t> tags, std::uint16_t tag) {
  return std::ranges::find(tags, tag) != tags.end();
}

bool IsDirectoryPointer(std::uint16_t tag) {
  return tag == kExifDirectoryTag || tag == kGpsDirectoryTag || tag == kInteropDirectoryTag;
}

class ExifEditor {
 public:
  explicit ExifEditor(Bytes tiff) : tiff_(std::move(tiff)) {}

  // False when the data has no readable main directory.
  bool Read() {
    TiffReader reader(tiff_);
    if (!reader.ReadByteOrder()) return false;
    littleEndian_ = reader.LittleEndian();
    const auto main = reader.Number(4, 4);
    if (!main || !IsWhole(*main)) return false;
    main_ = *main;
    return true;
  }

  void DropThumbnail() {
    const std::uint64_t nextAt = NextFieldOf(main_);
    const auto next = Reader().Number(nextAt, 4);
    if (next && *next != 0 && IsWhole(*next)) DiscardDirectory(*next, 1);
    Put(nextAt, 4, 0);
  }

  // Keeps the named tags only; the bytes of everything else, whatever the directories say, are
  // zeroed.
  void KeepOnlyDateAndCamera() {
    const auto exif = SubDirectory(main_, kExifDirectoryTag);
    // Values of a type of unknown size cannot be told from unused bytes.
    KeepEntries(main_, [&](const TiffEntry& entry) {
      return Names(kDateAndCameraMainTags, entry.tag) && TiffTypeBytes(entry.type) != 0 &&
             (entry.tag != kExifDirectoryTag || exif.has_value());
    });
    if (exif) {
      KeepEntries(*exif, [](const TiffEntry& entry) {
        return Names(kDateAndCameraExifTags, entry.tag) && TiffTypeBytes(entry.type) != 0;
      });
    }
    ZeroUnused();
  }

  void StandUpright(int width, int height) {
    SetNumber(main_, kOrientationTag, 1);
    SetNumber(main_, kImageWidthTag, static_cast<std::uint32_t>(width));
    SetNumber(main_, kImageLengthTag, static_cast<std::uint32_t>(height));
    if (const auto exif = SubDirectory(main_, kExifDirectoryTag)) {
      SetNumber(*exif, kPixelWidthTag, static_cast<std::uint32_t>(width));
      SetNumber(*exif, kPixelHeightTag, static_cast<std::uint32_t>(height));
    }
  }

  // The data up to the end of the last directory or value still in use.
  Bytes Take() && {
    tiff_.resize(static_cast<std::size_t>(LiveEnd()));
    return std::move(tiff_);
  }

 private:
  TiffReader Reader() const {
    TiffReader reader(tiff_);
    reader.ReadByteOrder();
    return reader;
  }

  static std::uint64_t NextFieldOf(std::uint64_t directory, std::uint64_t count) {
    return directory + 2 + kTiffEntryBytes * count;
  }
  std::uint64_t NextFieldOf(std::uint64_t directory) const {
    return NextFieldOf(directory, Reader().EntryCount(directory).value_or(0));
  }

  // True when the directory's count, all its entries and its next-directory field lie inside
  // the data.
  bool IsWhole(std::uint64_t directory) const {
    const TiffReader reader = Reader();
    const auto count = reader.EntryCount(directory);
    return count && reader.Number(NextFieldOf(directory, *count), 4).has_value();
  }

  std::optional<std::uint64_t> SubDirectory(std::uint64_t directory, std::uint16_t tag) const {
    const TiffReader reader = Reader();
    for (const TiffEntry& entry : reader.Entries(directory).value_or(std::vector<TiffEntry>{})) {
      if (entry.tag != tag) continue;
      const auto at = reader.Number(entry.ValueFieldAt(), 4);
      if (at && IsWhole(*at)) return *at;
    }
    return std::nullopt;
  }

  void Put(std::uint64_t at, int bytes, std::uint32_t value) {
    PutTiffNumber(tiff_, littleEndian_, at, bytes, value);
  }

  void Zero(std::uint64_t at, std::uint64_t bytes) {
    if (at >= tiff_.size()) return;
    bytes = std::min<std::uint64_t>(bytes, tiff_.size() - at);
    std::fill_n(tiff_.begin() + static_cast<std::ptrdiff_t>(at), bytes, std::uint8_t{0});
  }

  // Zeroes the entry's values stored outside it and, for a pointer, the directory it points to.
  void Discard(const TiffEntry& entry, int depth) {
    const TiffReader reader = Reader();
    if (const auto values = reader.ValuesOf(entry); values && values->bytes > 4) {
      Zero(values->at, values->bytes);
    }
    if (!IsDirectoryPointer(entry.tag) || depth >= 2) return;
    const auto at = reader.Number(entry.ValueFieldAt(), 4);
    if (at && IsWhole(*at)) DiscardDirectory(*at, depth + 1);
  }

  // Zeroes a directory, its values and the picture data it points to (a thumbnail's).
  void DiscardDirectory(std::uint64_t directory, int depth) {
    const std::vector<TiffEntry> entries =
        Reader().Entries(directory).value_or(std::vector<TiffEntry>{});
    ZeroPictureData(entries, kThumbnailAtTag, kThumbnailBytesTag);
    ZeroPictureData(entries, kStripOffsetsTag, kStripBytesTag);
    for (const TiffEntry& entry : entries) Discard(entry, depth);
    Zero(directory, NextFieldOf(directory, entries.size()) + 4 - directory);
  }

  // Zeroes the pieces whose starts the `startTag` entry lists and whose lengths the `bytesTag`
  // entry does.
  void ZeroPictureData(const std::vector<TiffEntry>& entries, std::uint16_t startTag,
                       std::uint16_t bytesTag) {
    const auto starts = std::ranges::find(entries, startTag, &TiffEntry::tag);
    const auto lengths = std::ranges::find(entries, bytesTag, &TiffEntry::tag);
    const auto isNumber = [](const TiffEntry& entry) {
      return entry.type == kShortType || entry.type == kLongType;
    };
    if (starts == entries.end() || lengths == entries.end() || !isNumber(*starts) ||
        !isNumber(*lengths)) {
      return;
    }
    const TiffReader reader = Reader();
    const auto startValues = reader.ValuesOf(*starts);
    const auto lengthValues = reader.ValuesOf(*lengths);
    if (!startValues || !lengthValues) return;
    const std::uint64_t startBytes = TiffTypeBytes(starts->type);
    const std::uint64_t lengthBytes = TiffTypeBytes(lengths->type);
    const std::uint64_t pieces = std::min(starts->count, lengths->count);
    for (std::uint64_t i = 0; i < pieces; ++i) {
      const auto start =
          reader.Number(startValues->at + i * startBytes, static_cast<int>(startBytes));
      const auto length =
          reader.Number(lengthValues->at + i * lengthBytes, static_cast<int>(lengthBytes));
      if (start && length) Zero(*start, *length);
    }
  }

  // Keeps the entries `keeps` accepts, in their order, closing the gaps in the directory; the
  // others' values are zeroed.
  template <typename Predicate>
  void KeepEntries(std::uint64_t directory, Predicate keeps) {
    const auto entries = Reader().Entries(directory);
    if (!entries) return;
    const std::uint64_t oldEnd = NextFieldOf(directory) + 4;
    const auto next = Reader().Number(NextFieldOf(directory), 4).value_or(0);
    std::uint64_t kept = 0;
    for (const TiffEntry& entry : *entries) {
      if (!keeps(entry)) {
        Discard(entry, 1);
        continue;
      }
      const std::uint64_t to = NextFieldOf(directory, kept++);
      std::memmove(tiff_.data() + to, tiff_.data() + entry.at, kTiffEntryBytes);
    }
    Put(directory, 2, static_cast<std::uint32_t>(kept));
    const std::uint64_t nextAt = NextFieldOf(directory, kept);
    Put(nextAt, 4, next);
    Zero(nextAt + 4, oldEnd - (nextAt + 4));
  }

  // Gives the tag, when the directory has it, the one value `value` as a SHORT or a LONG.
  void SetNumber(std::uint64_t directory, std::uint16_t tag, std::uint32_t value) {
    for (const TiffEntry& entry : Reader().Entries(directory).value_or(std::vector<TiffEntry>{})) {
      if (entry.tag != tag) continue;
      Discard(entry, 2);
      const bool fitsShort = value <= 0xFFFF;
      Put(entry.at + 2, 2, fitsShort ? kShortType : kLongType);
      Put(entry.at + 4, 4, 1);
      Put(entry.ValueFieldAt(), 4, 0);
      Put(entry.ValueFieldAt(), fitsShort ? 2 : 4, value);
    }
  }

  // The header, the main directory and the directories it points to, with their values;
  // nothing when a value of unknown size could lie anywhere.
  std::optional<std::vector<TiffReader::Span>> LiveSpans() const {
    std::vector<TiffReader::Span> spans = {{0, 8}};
    std::vector<std::uint64_t> directories = {main_};
    const auto exif = SubDirectory(main_, kExifDirectoryTag);
    if (exif) directories.push_back(*exif);
    if (const auto gps = SubDirectory(main_, kGpsDirectoryTag)) directories.push_back(*gps);
    if (exif) {
      if (const auto interop = SubDirectory(*exif, kInteropDirectoryTag)) {
        directories.push_back(*interop);
      }
    }
    const TiffReader reader = Reader();
    for (const std::uint64_t directory : directories) {
      spans.push_back({directory, NextFieldOf(directory) + 4 - directory});
      for (const TiffEntry& entry : reader.Entries(directory).value_or(std::vector<TiffEntry>{})) {
        if (TiffTypeBytes(entry.type) == 0) return std::nullopt;
        if (const auto values = reader.ValuesOf(entry)) spans.push_back(*values);
      }
    }
    return spans;
  }

  // Zeroes every byte outside the live spans, so that what was left out cannot be read from
  // the data by any means. The spans are known: entries of unknown size are not kept.
  void ZeroUnused() {
    const auto spans = LiveSpans();
    if (!spans) return;
    std::vector<bool> live(tiff_.size(), false);
    for (const TiffReader::Span& span : *spans) {
      const std::uint64_t end = std::min<std::uint64_t>(span.at + span.bytes, tiff_.size());
      for (std::uint64_t at = span.at; at < end; ++at) live[at] = true;
    }
    for (std::size_t at = 0; at < tiff_.size(); ++at) {
      if (!live[at]) tiff_[at] = 0;
    }
  }

  // The end of the last live span; the whole data when that is not known.
  std::uint64_t LiveEnd() const {
    const auto spans = LiveSpans();
    if (!spans) return tiff_.size();
    std::uint64_t end = 0;
    for (const TiffReader::Span& span : *spans) end = std::max(end, span.at + span.bytes);
    return std::min<std::uint64_t>(end, tiff_.size());
  }

  Bytes tiff_;
  bool littleEndian_ = false;
  std::uint64_t main_ = 0;
};

}  // namespace

namespace {

// The block with what `keep` keeps, stood upright at `size` when one is given.
Bytes Edited(ByteSpan exif, ExifKeep keep, std::optional<PictureSize> size) {
  if (keep == ExifKeep::kNone || exif.size() < kExifHeader.size() ||
      std::memcmp(exif.data(), kExifHeader.data(), kExifHeader.size()) != 0) {
    return {};
  }
  ExifEditor editor(Bytes(exif.begin() + kExifHeader.size(), exif.end()));
  if (!editor.Read()) return {};
  editor.DropThumbnail();
  if (size) editor.StandUpright(size->width, size->height);
  if (keep == ExifKeep::kDateAndCamera) editor.KeepOnlyDateAndCamera();
  return WithExifHeader(std::move(editor).Take());
}

}  // namespace

Bytes ExifForOutput(ByteSpan exif, ExifKeep keep, int width, int height) {
  return Edited(exif, keep, PictureSize{width, height});
}

Bytes ExifForSamePixels(ByteSpan exif, ExifKeep keep) {
  return Edited(exif, keep, std::nullopt);
}

}  // namespace imagelib
