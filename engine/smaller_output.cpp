#include "engine/smaller_output.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "imagelib/atomic_output.h"
#include "imagelib/exif_editing.h"
#include "imagelib/exif_orientation.h"
#include "imagelib/imagelib.h"
#include "imagelib/regular_file.h"
#include "state/output_formats.h"

namespace {

// The formats whose files may stand for their own output, with what a copy must not carry.
struct CopiedFormat {
  int kind;
  // Metadata that EXIF_KEEP's editing does not reach (XMP, IPTC, text chunks, which may name a
  // place), searched for in every byte: compressed data that happens to hold such a name only
  // makes the test stricter.
  std::array<std::string_view, 4> otherMetadata;
  // Marks an animation, whose first frame alone was converted.
  std::string_view animation;
  // True when its Exif block can be rewritten in place (a JPEG's APP1); else a file with one is
  // copied only when all of it is kept.
  bool rewritesExif;
};

constexpr CopiedFormat kCopiedFormats[] = {
    {kIdentifiedJpeg, {"http://ns.adobe.com/xap/1.0/", "Photoshop 3.0"}, {}, true},
    {kIdentifiedPng, {"iTXt", "tEXt", "zTXt", "eXIf"}, "acTL", false},
    {kIdentifiedWebp, {"EXIF", "XMP "}, "ANIM", false},
};

bool Holds(const imagelib::Bytes& bytes, std::string_view text) {
  return !text.empty() &&
         std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
}

// The bytes to write instead of the output; nothing when the source may not stand for it.
std::optional<imagelib::Bytes> CopyOf(const imagelib::Bytes& bytes, const CopiedFormat& format,
                                      const PictureRecord& target) {
  if (Holds(bytes, format.animation)) return std::nullopt;
  const auto keep = static_cast<imagelib::ExifKeep>(target.EXIF_KEEP);
  const bool keepsAll = keep == imagelib::ExifKeep::kAll;
  for (const std::string_view name : format.otherMetadata) {
    if (!keepsAll && Holds(bytes, name)) return std::nullopt;
  }
  const imagelib::Bytes exif = imagelib::ExifBlockOf(bytes);
  if (exif.empty()) return bytes;
  if (!format.rewritesExif) return keepsAll ? std::optional(bytes) : std::nullopt;
  // Without its Exif, a turned photo would stand as stored.
  if (keep == imagelib::ExifKeep::kNone && imagelib::ExifOrientation(exif) != 1) {
    return std::nullopt;
  }
  return imagelib::JpegWithExifBlock(bytes, imagelib::ExifForSamePixels(exif, keep));
}

const CopiedFormat* CopiedFormatOf(int kind) {
  for (const CopiedFormat& format : kCopiedFormats) {
    if (format.kind == kind) return &format;
  }
  return nullptr;
}

}  // namespace

bool KeepSmallerSource(const PictureRecord& source, const PictureRecord& target,
                       bool pixelsUnchanged) {
  if (target.KEEP_SMALLER != kKeepSmallerSource || !pixelsUnchanged) return false;
  const int kind = IdentifyPictureFile(source.path, 0);
  const OutputFormatRow* output = OutputFormatRowOf(target.DIB_TYPE);
  const CopiedFormat* format = CopiedFormatOf(kind);
  if (output == nullptr || output->kind != kind || format == nullptr) return false;
  const std::optional<std::uint64_t> written = imagelib::WrittenSize(target.path);
  auto file = imagelib::RegularFile::Open(source.path);
  if (!written || !file || file->Size() >= *written) return false;
  imagelib::Bytes bytes;
  if (!file->ReadMore(bytes, static_cast<std::size_t>(file->Size()))) return false;
  const std::optional<imagelib::Bytes> copy = CopyOf(bytes, *format, target);
  if (!copy || copy->size() >= *written) return false;
  return imagelib::RewriteOutput(
      target.path, std::string_view(reinterpret_cast<const char*>(copy->data()), copy->size()));
}
