// Declarations shared by the decoders and encoders: they work on bytes in memory, and the
// public load and save calls move those bytes to and from files.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "imagelib/alpha_plane.h"
#include "imagelib/imagelib.h"
#include "imagelib/picture.h"
#include "imagelib/picture_strips.h"

namespace imagelib {

using ByteSpan = std::span<const std::uint8_t>;
using Bytes = std::vector<std::uint8_t>;

// The kind of picture the bytes hold (kIdentifiedBmp ... kIdentifiedJxl, or kIdentifiedNone),
// judged from their first bytes only.
int IdentifyPictureBytes(ByteSpan data);

// What a load asks of the decoder beyond the pixels.
struct DecodeRequest {
  AlphaUse alpha = AlphaUse::kOverWhite;
  // When set, the size the picture will be resized to right after the load: a decoder that can
  // decode at a reduced scale (JPEG) may then deliver a smaller picture that still covers it.
  ResizedSizeRule resizedTo;
};

// Decodes a file of any supported kind; null when the bytes are not a sound picture.
std::unique_ptr<Picture> DecodePicture(ByteSpan data, const DecodeRequest& request = {});

std::unique_ptr<Picture> DecodeBmp(ByteSpan data, AlphaUse alpha = AlphaUse::kOverWhite);
std::unique_ptr<Picture> DecodeJpeg(ByteSpan data, const ResizedSizeRule& resizedTo = {});
std::optional<PictureStrips> DecodeJpegStrips(ByteSpan data, const ResizedSizeRule& resizedTo,
                                              const StripRule& stripsOf);
std::unique_ptr<Picture> DecodePng(ByteSpan data, AlphaUse alpha = AlphaUse::kOverWhite);
std::unique_ptr<Picture> DecodeGif(ByteSpan data, AlphaUse alpha = AlphaUse::kOverWhite);
std::unique_ptr<Picture> DecodeWebp(ByteSpan data, AlphaUse alpha = AlphaUse::kOverWhite);
// JPEG XL files: a bare codestream or the container's signature box.
inline bool IsJxl(ByteSpan head) {
  constexpr std::uint8_t kCodestream[] = {0xFF, 0x0A};
  constexpr std::uint8_t kContainer[] = {0, 0, 0, 0x0C, 'J', 'X', 'L', ' ', 0x0D, 0x0A, 0x87, 0x0A};
  const auto starts = [head](std::span<const std::uint8_t> bytes) {
    return head.size() >= bytes.size() && std::equal(bytes.begin(), bytes.end(), head.begin());
  };
  return starts(kCodestream) || starts(kContainer);
}
// The still picture or an animation's first frame.
std::unique_ptr<Picture> DecodeJxl(ByteSpan data, AlphaUse alpha = AlphaUse::kOverWhite);
// The block of a JPEG XL file's Exif box, with the "Exif\0\0" header; empty when it has none.
Bytes JxlExif(ByteSpan data);
// HEIC and AVIF files, told apart by the brands of their file type box.
int HeifKindOf(ByteSpan head);
std::unique_ptr<Picture> DecodeHeif(ByteSpan data, AlphaUse alpha = AlphaUse::kOverWhite);
// The Exif block of a HEIF file's primary picture, with its "Exif\0\0" header; empty when it
// has none.
Bytes HeifExif(ByteSpan data);

// True when a picture of this size may be allocated for a file of `dataBytes` bytes whose
// coding can yield at most `pixelsPerByte` pixels per byte. A header that claims far more
// pixels than its data could hold is refused before anything is allocated; a small allowance
// keeps tiny files of plain colours readable.
inline bool IsPlausibleSize(std::int64_t width, std::int64_t height, std::uint64_t dataBytes,
                            std::uint64_t pixelsPerByte) {
  constexpr std::uint64_t kAllowancePixels = std::uint64_t{1} << 20;
  if (!IsAcceptableSize(width, height)) return false;
  const auto pixels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
  return pixels <= kAllowancePixels || pixels / pixelsPerByte <= dataBytes;
}

// A picture of the given size and depth with zeroed pixels (and a zeroed 256-entry palette
// for 8 bits). The size must have passed IsAcceptableSize.
std::unique_ptr<Picture> MakePicture(int width, int height, int bitsPerPixel);

// The same picture with no rows yet: room for all of them is reserved but not touched, so the
// memory in use grows only as a decoder appends the rows it has decoded.
std::unique_ptr<Picture> MakeRowlessPicture(int width, int height, int bitsPerPixel);

// The Exif block the picture behind the handle carries for its files; empty for none.
ByteSpan StoredExif(PictureHandle handle);

// The picture itself when it is uncompressed, otherwise its expanded copy in `scratch`;
// null when its run-length stream is damaged.
const Picture* UncompressedView(const Picture& picture, Picture& scratch);

// The picture itself when it is uncompressed 24-bit, otherwise a 24-bit copy in `scratch`.
const Picture* Bgr24View(const Picture& picture, Picture& scratch);
// The same for the stored picture of `handle`; null when there is none.
const Picture* StoredBgr24(PictureHandle handle, Picture& scratch);

// Replaces the file at `path` with `bytes`, or leaves everything as it was and returns false.
bool WriteFileAtomically(const char* path, ByteSpan bytes);

}  // namespace imagelib
