#include "imagelib/picture_formats.h"

#include <algorithm>
#include <cstring>

#include "imagelib/exif_editing.h"

namespace imagelib {
namespace {

bool HasBytesAt(ByteSpan data, std::size_t at, std::string_view bytes) {
  return data.size() >= at + bytes.size() &&
         std::memcmp(data.data() + at, bytes.data(), bytes.size()) == 0;
}

const PictureFormat kFormats[] = {
    {kIdentifiedBmp, "BMP", "ビットマップ", "*.bmp",
     [](ByteSpan head) { return HasBytesAt(head, 0, "BM"); },
     [](ByteSpan data, const DecodeRequest& request) { return DecodeBmp(data, request.alpha); },
     nullptr, true},
    {kIdentifiedJpeg, "JPEG", "ジェイぺグ", "*.jp*g",
     [](ByteSpan head) { return HasBytesAt(head, 0, "\xFF\xD8\xFF"); },
     [](ByteSpan data, const DecodeRequest& request) {
       return DecodeJpeg(data, request.resizedTo);
     },
     JpegExif, true},
    {kIdentifiedPng, "PNG", "ピング", "*.png",
     [](ByteSpan head) { return HasBytesAt(head, 0, "\x89PNG\r\n\x1A\n"); },
     [](ByteSpan data, const DecodeRequest& request) { return DecodePng(data, request.alpha); },
     PngExif, true},
    {kIdentifiedGif, "GIF", "ジフ", "*.gif",
     [](ByteSpan head) { return HasBytesAt(head, 0, "GIF87a") || HasBytesAt(head, 0, "GIF89a"); },
     [](ByteSpan data, const DecodeRequest& request) { return DecodeGif(data, request.alpha); },
     nullptr, true},
    // "WEBP" follows the RIFF container's size.
    {kIdentifiedWebp, "WebP", "ウェブピー", "*.webp",
     [](ByteSpan head) { return HasBytesAt(head, 0, "RIFF") && HasBytesAt(head, 8, "WEBP"); },
     [](ByteSpan data, const DecodeRequest& request) { return DecodeWebp(data, request.alpha); },
     WebpExif, true},
    // HEIC and AVIF share their container; the brands of its file type box tell them apart.
    {kIdentifiedHeic, "HEIC", "ヒーフ", "*.heic;*.heif;*.hif",
     [](ByteSpan head) { return HeifKindOf(head) == kIdentifiedHeic; },
     [](ByteSpan data, const DecodeRequest& request) { return DecodeHeif(data, request.alpha); },
     HeifExif, false},
    {kIdentifiedAvif, "AVIF", "エーブイアイエフ", "*.avif;*.avifs",
     [](ByteSpan head) { return HeifKindOf(head) == kIdentifiedAvif; },
     [](ByteSpan data, const DecodeRequest& request) { return DecodeHeif(data, request.alpha); },
     HeifExif, true},
    // A bare codestream or the container's signature box.
    {kIdentifiedJxl, "JPEG XL", "ジェイペグエックスエル", "*.jxl", IsJxl,
     [](ByteSpan data, const DecodeRequest& request) { return DecodeJxl(data, request.alpha); },
     JxlExif, true},
};

}  // namespace

std::span<const PictureFormat> PictureFormats() {
  return kFormats;
}

const PictureFormat* PictureFormatOf(ByteSpan data) {
  const ByteSpan head = data.first(std::min(data.size(), kLongestSignature));
  for (const PictureFormat& format : kFormats) {
    if (format.matches(head)) return &format;
  }
  return nullptr;
}

const PictureFormat* PictureFormatOfKind(int kind) {
  for (const PictureFormat& format : kFormats) {
    if (format.kind == kind) return &format;
  }
  return nullptr;
}

}  // namespace imagelib
