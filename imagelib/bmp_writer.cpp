// The BMP encoder: a 40-byte INFO header and the picture as it is, 24 bits, 16 bits (5-5-5),
// 8 bits with its palette, or 8 bits run-length coded (BI_RLE8).
#include <algorithm>
#include <string_view>

#include "imagelib/atomic_output.h"
#include "imagelib/bmp_format.h"
#include "imagelib/codec_support.h"
#include "imagelib/imagelib.h"
#include "imagelib/picture_store.h"

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

// The file header, the INFO header and the palette; nothing when the picture cannot be a BMP.
std::optional<Bytes> EncodeHead(const Picture& picture) {
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
  out.reserve(pixelOffset);
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
  return out;
}

std::string_view AsText(const std::uint8_t* bytes, std::size_t size) {
  return {reinterpret_cast<const char*>(bytes), size};
}

// The rows from bottom to top, gathered in blocks: a few large writes, and no copy of the whole
// picture.
bool WriteRows(const Picture& picture, AtomicOutput& file) {
  constexpr std::size_t kBlockBytes = std::size_t{1} << 18;
  const std::size_t stride = picture.Stride();
  Bytes block;
  block.reserve(std::max(kBlockBytes, stride));
  for (int y = picture.height - 1; y >= 0; --y) {
    if (block.size() + stride > block.capacity()) {
      if (!file.Write(AsText(block.data(), block.size()))) return false;
      block.clear();
    }
    block.insert(block.end(), picture.Row(y), picture.Row(y) + stride);
  }
  return file.Write(AsText(block.data(), block.size()));
}

bool WriteBmpFile(const char* path, const Picture& picture) {
  const auto head = EncodeHead(picture);
  if (!head || path == nullptr || *path == '\0') return false;
  AtomicOutput file(path);
  if (!file.IsOpen() || !file.Write(AsText(head->data(), head->size()))) return false;
  const bool body = picture.IsCompressed()
                        ? file.Write(AsText(picture.rle.data(), picture.rle.size()))
                        : WriteRows(picture, file);
  return body && file.Commit();
}

}  // namespace
}  // namespace imagelib

int SaveBmp(const char* path, PictureHandle handle) {
  const imagelib::Picture* picture = imagelib::FindPicture(handle);
  if (picture == nullptr) return 0;
  return imagelib::WriteBmpFile(path, *picture) ? 1 : 0;
}
