// The BMP encoder: a 40-byte INFO header and the picture as it is, 24 bits, 16 bits (5-5-5),
// 8 bits with its palette, or 8 bits run-length coded (BI_RLE8).
#include "engine/imagelib/bmp_format.h"
#include "engine/imagelib/codec_support.h"
#include "engine/imagelib/imagelib.h"
#include "engine/imagelib/picture_store.h"

namespace imagelib {
namespace {

void Put16(Bytes& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}
void Put32(Bytes& out, std::uint32_t value) {
  Put16(out, value & 0xffff);
  Put16(out, value >> 16);
}

std::optional<Bytes> EncodeBmp(const Picture& picture) {
  if (picture.bitsPerPixel != 8 && picture.bitsPerPixel != 16 && picture.bitsPerPixel != 24) {
    return std::nullopt;
  }
  const bool compressed = picture.IsCompressed();
  const std::size_t paletteBytes = picture.bitsPerPixel == 8 ? 4 * picture.palette.size() : 0;
  const std::size_t imageBytes = compressed ? picture.rle.size() : picture.pixels.size();
  const std::size_t pixelOffset = bmp::kFileHeaderSize + bmp::kInfoHeaderSize + paletteBytes;
  const std::uint64_t fileSize = std::uint64_t{pixelOffset} + imageBytes;
  if (fileSize > 0xffffffffu || picture.palette.size() > 256) return std::nullopt;

  Bytes out;
  out.reserve(fileSize);
  out.push_back('B');
  out.push_back('M');
  Put32(out, static_cast<std::uint32_t>(fileSize));
  Put32(out, 0);
  Put32(out, static_cast<std::uint32_t>(pixelOffset));

  Put32(out, bmp::kInfoHeaderSize);
  Put32(out, static_cast<std::uint32_t>(picture.width));
  Put32(out, static_cast<std::uint32_t>(picture.height));  // positive: rows bottom-up
  Put16(out, 1);
  Put16(out, static_cast<std::uint32_t>(picture.bitsPerPixel));
  Put32(out, compressed ? bmp::kRle8 : bmp::kRgb);
  Put32(out, static_cast<std::uint32_t>(imageBytes));
  constexpr std::uint32_t kPixelsPerMetreAt72Dpi = 2835;
  Put32(out, kPixelsPerMetreAt72Dpi);
  Put32(out, kPixelsPerMetreAt72Dpi);
  Put32(out, picture.bitsPerPixel == 8 ? static_cast<std::uint32_t>(picture.palette.size()) : 0);
  Put32(out, 0);

  if (picture.bitsPerPixel == 8) {
    for (const PaletteEntry& entry : picture.palette) {
      out.insert(out.end(), {entry.blue, entry.green, entry.red, 0});
    }
  }
  if (compressed) {
    out.insert(out.end(), picture.rle.begin(), picture.rle.end());
  } else {
    for (int y = picture.height - 1; y >= 0; --y) {
      out.insert(out.end(), picture.Row(y), picture.Row(y) + picture.Stride());
    }
  }
  return out;
}

}  // namespace
}  // namespace imagelib

int SaveBmp(const char* path, PictureHandle handle) {
  const imagelib::Picture* picture = imagelib::FindPicture(handle);
  if (picture == nullptr) return 0;
  const auto bytes = imagelib::EncodeBmp(*picture);
  return bytes && imagelib::WriteFileAtomically(path, *bytes) ? 1 : 0;
}
