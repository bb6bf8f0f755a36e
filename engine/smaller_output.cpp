#include "engine/smaller_output.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "imagelib/atomic_output.h"
#include "imagelib/exif_editing.h"
#include "imagelib/exif_orientation.h"
#include "imagelib/imagelib.h"
#include "imagelib/regular_file.h"
#include "state/output_formats.h"

namespace {

bool Holds(const imagelib::Bytes& bytes, std::string_view text) {
  return std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
}

// Metadata a copy would carry that EXIF_KEEP's editing does not reach: XMP and IPTC blocks of a
// JPEG, text chunks of a PNG, which may name a place. Searched for in every byte, so compressed
// data that happens to hold such a name only makes the test stricter.
bool HoldsOtherMetadata(const imagelib::Bytes& bytes, int kind) {
  if (kind == kIdentifiedJpeg) {
    return Holds(bytes, "http://ns.adobe.com/xap/1.0/") || Holds(bytes, "Photoshop 3.0");
  }
  return Holds(bytes, "iTXt") || Holds(bytes, "tEXt") || Holds(bytes, "zTXt") ||
         Holds(bytes, "eXIf");
}

// The bytes to write instead of the output; nothing when the source may not stand for it.
std::optional<imagelib::Bytes> CopyOf(const imagelib::Bytes& bytes, int kind,
                                      const PictureRecord& target) {
  const auto keep = static_cast<imagelib::ExifKeep>(target.EXIF_KEEP);
  if (keep != imagelib::ExifKeep::kAll && HoldsOtherMetadata(bytes, kind)) return std::nullopt;
  if (kind == kIdentifiedPng) {
    // An animation's first frame was converted: the copy would be the whole animation.
    if (Holds(bytes, "acTL")) return std::nullopt;
    return bytes;
  }
  const imagelib::Bytes exif = imagelib::ExifBlockOf(bytes);
  if (exif.empty()) return bytes;
  // Without its Exif, a turned photo would stand as stored.
  if (keep == imagelib::ExifKeep::kNone && imagelib::ExifOrientation(exif) != 1) {
    return std::nullopt;
  }
  return imagelib::JpegWithExifBlock(bytes, imagelib::ExifForSamePixels(exif, keep));
}

}  // namespace

bool KeepSmallerSource(const PictureRecord& source, const PictureRecord& target,
                       bool pixelsUnchanged) {
  if (target.KEEP_SMALLER != kKeepSmallerSource || !pixelsUnchanged) return false;
  const int kind = IdentifyPictureFile(source.path, 0);
  const OutputFormatRow* format = OutputFormatRowOf(target.DIB_TYPE);
  if (format == nullptr || format->kind != kind ||
      (kind != kIdentifiedJpeg && kind != kIdentifiedPng)) {
    return false;
  }
  const std::optional<std::uint64_t> written = imagelib::WrittenSize(target.path);
  auto file = imagelib::RegularFile::Open(source.path);
  if (!written || !file || file->Size() >= *written) return false;
  imagelib::Bytes bytes;
  if (!file->ReadMore(bytes, static_cast<std::size_t>(file->Size()))) return false;
  const std::optional<imagelib::Bytes> copy = CopyOf(bytes, kind, target);
  if (!copy || copy->size() >= *written) return false;
  return imagelib::RewriteOutput(
      target.path, std::string_view(reinterpret_cast<const char*>(copy->data()), copy->size()));
}
