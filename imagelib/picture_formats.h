// The picture formats the library reads, one row each: how a file of the format is recognised,
// read and offered in the open dialog. A new format is a row here and its codec files.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "imagelib/codec_support.h"

namespace imagelib {

struct PictureFormat {
  int kind;  // kIdentified*
  // The format's name in texts that list the formats ("JPEG").
  std::string_view name;
  // The open dialog's name for its files and their patterns ("*.heic;*.heif").
  std::string_view dialogName;
  std::string_view patterns;
  // True when the file's first bytes (at most kLongestSignature of them) are of this format.
  bool (*matches)(ByteSpan head);
  std::unique_ptr<Picture> (*decode)(ByteSpan data, const DecodeRequest& request);
  // The Exif block of a file, with its "Exif\0\0" header; null for a format that has none.
  Bytes (*exif)(ByteSpan file);
  // Web browsers show its files as they are; the others are shown through a PNG copy.
  bool browsersShow;
};

// The first bytes of a file that decide its format: enough for a HEIF file type box with a
// few compatible brands.
inline constexpr std::size_t kLongestSignature = 40;

// Every format, in the order the open dialog offers them.
std::span<const PictureFormat> PictureFormats();
// The format of the bytes, judged from their first kLongestSignature bytes; null for none.
const PictureFormat* PictureFormatOf(ByteSpan data);
// The format of kind `kind`; null for kIdentifiedNone or an unknown kind.
const PictureFormat* PictureFormatOfKind(int kind);

}  // namespace imagelib
