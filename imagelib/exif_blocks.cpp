// Finding the Exif block of a picture file: walks over the segments of JPEG files and the
// chunks of PNG and WebP files, each bounded by the file's own bytes; HEIF and JPEG XL files
// through their libraries.
#include <cstring>
#include <optional>
#include <string_view>

#include "imagelib/exif_editing.h"
#include "imagelib/exif_orientation.h"
#include "imagelib/picture_formats.h"
#include "imagelib/picture_store.h"
#include "imagelib/regular_file.h"

namespace imagelib {
namespace {

std::uint32_t BigEndianAt(ByteSpan data, std::size_t at, int bytes) {
  std::uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) value = value << 8 | data[at + static_cast<std::size_t>(i)];
  return value;
}

std::uint32_t LittleEndian32At(ByteSpan data, std::size_t at) {
  return std::uint32_t{data[at]} | std::uint32_t{data[at + 1]} << 8 |
         std::uint32_t{data[at + 2]} << 16 | std::uint32_t{data[at + 3]} << 24;
}

bool Starts(ByteSpan data, std::string_view bytes) {
  return data.size() >= bytes.size() && std::memcmp(data.data(), bytes.data(), bytes.size()) == 0;
}

// Where the first APP1 segment that holds Exif lies, before the first scan: its marker's
// offset and the bytes of the segment with its marker.
struct SegmentPlace {
  std::size_t at = 0;
  std::size_t bytes = 0;
};
std::optional<SegmentPlace> JpegExifSegment(ByteSpan file) {
  constexpr std::uint8_t kApp1 = 0xE1;
  constexpr std::uint8_t kStartOfScan = 0xDA;
  std::size_t at = 2;
  while (at + 4 <= file.size()) {
    if (file[at] != 0xFF) return std::nullopt;
    const std::uint8_t marker = file[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == kStartOfScan || marker == 0xD9) return std::nullopt;
    const std::size_t length = BigEndianAt(file, at + 2, 2);
    if (length < 2 || file.size() - (at + 2) < length) return std::nullopt;
    if (marker == kApp1 && Starts(file.subspan(at + 4, length - 2), kExifHeader)) {
      return SegmentPlace{at, 2 + length};
    }
    at += 2 + length;
  }
  return std::nullopt;
}

}  // namespace

// The first APP1 segment that holds Exif, before the first scan.
Bytes JpegExif(ByteSpan file) {
  const auto segment = JpegExifSegment(file);
  if (!segment) return {};
  const ByteSpan block = file.subspan(segment->at + 4, segment->bytes - 4);
  return Bytes(block.begin(), block.end());
}

// The eXIf chunk, which holds the TIFF data alone.
Bytes PngExif(ByteSpan file) {
  std::size_t at = 8;
  while (file.size() - at >= 12) {
    const std::size_t length = BigEndianAt(file, at, 4);
    const ByteSpan type = file.subspan(at + 4, 4);
    if (length > file.size() - at - 12) return {};
    if (Starts(type, "eXIf")) return WithExifHeader(file.subspan(at + 8, length));
    if (Starts(type, "IEND")) return {};
    at += 12 + length;
  }
  return {};
}

// The EXIF chunk of an extended WebP file; writers differ on whether it starts with the header.
Bytes WebpExif(ByteSpan file) {
  std::size_t at = 12;
  while (at <= file.size() && file.size() - at >= 8) {
    const std::size_t length = LittleEndian32At(file, at + 4);
    if (length > file.size() - at - 8) return {};
    const ByteSpan chunk = file.subspan(at + 8, length);
    if (Starts(file.subspan(at, 4), "EXIF")) {
      return Starts(chunk, kExifHeader) ? Bytes(chunk.begin(), chunk.end()) : WithExifHeader(chunk);
    }
    at += 8 + length + (length & 1);
  }
  return {};
}

Bytes WithExifHeader(ByteSpan tiff) {
  Bytes block(kExifHeader.size() + tiff.size());
  std::memcpy(block.data(), kExifHeader.data(), kExifHeader.size());
  if (!tiff.empty()) std::memcpy(block.data() + kExifHeader.size(), tiff.data(), tiff.size());
  return block;
}

Bytes ExifBlockOf(ByteSpan file) {
  const PictureFormat* format = PictureFormatOf(file);
  if (format == nullptr || format->exif == nullptr) return {};
  return format->exif(file);
}

Bytes JpegWithExifBlock(ByteSpan jpeg, ByteSpan exif) {
  constexpr std::size_t kLargestSegment = 0xFFFF - 2;
  const auto segment = JpegExifSegment(jpeg);
  if (!segment || exif.size() > kLargestSegment) return Bytes(jpeg.begin(), jpeg.end());
  Bytes out(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(segment->at));
  if (!exif.empty()) {
    const std::size_t length = exif.size() + 2;
    out.insert(out.end(), {0xFF, 0xE1, static_cast<std::uint8_t>(length >> 8),
                           static_cast<std::uint8_t>(length & 0xFF)});
    out.insert(out.end(), exif.begin(), exif.end());
  }
  out.insert(out.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(segment->at + segment->bytes),
             jpeg.end());
  return out;
}

}  // namespace imagelib

int KeepSourceExif(PictureHandle handle, const char* sourcePath, int keep) {
  imagelib::Picture* picture = imagelib::FindPicture(handle);
  if (picture == nullptr) return 0;
  picture->exif.clear();
  auto file = imagelib::RegularFile::Open(sourcePath);
  if (!file || file->Size() > imagelib::kLargestFile) return 0;
  imagelib::Bytes bytes;
  if (!file->ReadMore(bytes, static_cast<std::size_t>(file->Size()))) return 0;
  picture->exif =
      imagelib::ExifForOutput(imagelib::ExifBlockOf(bytes), static_cast<imagelib::ExifKeep>(keep),
                              picture->width, picture->height);
  return picture->exif.empty() ? 0 : 1;
}
