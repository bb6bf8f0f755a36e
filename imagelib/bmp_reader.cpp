// The BMP decoder: core (OS/2 1.x), OS/2 2.x, INFO, V4 and V5 headers; 1, 2, 4, 8, 16, 24 and
// 32 bits; uncompressed, BI_RLE4, BI_RLE8 and bit fields; rows stored either way up.
#include <algorithm>
#include <array>
#include <bit>

#include "imagelib/bmp_format.h"
#include "imagelib/codec_support.h"
#include "imagelib/rle8.h"

namespace imagelib {
namespace {

using bmp::Read16;
using bmp::Read32;

// One channel of a bit-field pixel, scaled to 0..255.
struct ChannelMask {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint32_t maximum = 0;

  explicit ChannelMask(std::uint32_t bits = 0)
      : mask(bits),
        shift(bits == 0 ? 0 : std::countr_zero(bits)),
        maximum(bits == 0 ? 0 : bits >> std::countr_zero(bits)) {}

  std::uint8_t Extract(std::uint32_t pixel) const {
    if (maximum == 0) return 0;
    const std::uint64_t value = (pixel & mask) >> shift;
    return static_cast<std::uint8_t>((value * 255 + maximum / 2) / maximum);
  }
};

struct BmpLayout {
  std::int64_t width = 0;
  std::int64_t height = 0;
  bool topDown = false;
  int bitsPerPixel = 0;
  std::uint32_t compression = bmp::kRgb;
  bool hasMasks = false;
  std::array<std::uint32_t, 4> masks{};  // red, green, blue, alpha
  std::vector<PaletteEntry> palette;
  std::size_t pixelOffset = 0;
};

bool IsSupportedCoding(int bitsPerPixel, std::uint32_t compression) {
  switch (compression) {
    case bmp::kRgb:
      return bitsPerPixel == 1 || bitsPerPixel == 2 || bitsPerPixel == 4 || bitsPerPixel == 8 ||
             bitsPerPixel == 16 || bitsPerPixel == 24 || bitsPerPixel == 32;
    case bmp::kRle8:
      return bitsPerPixel == 8;
    case bmp::kRle4:
      return bitsPerPixel == 4;
    case bmp::kBitfields:
    case bmp::kAlphaBitfields:
      return bitsPerPixel == 16 || bitsPerPixel == 32;
    default:
      return false;
  }
}

// OS/2 2.x headers may be cut anywhere between these sizes.
constexpr std::uint32_t kSmallestOs2Header = 16;
constexpr std::uint32_t kLargestOs2Header = 64;

bool IsWindowsHeader(std::uint32_t headerSize) {
  return headerSize == bmp::kInfoHeaderSize || headerSize == bmp::kV2HeaderSize ||
         headerSize == bmp::kV3HeaderSize || headerSize == bmp::kV4HeaderSize ||
         headerSize == bmp::kV5HeaderSize;
}

std::optional<BmpLayout> ReadLayout(ByteSpan data) {
  if (data.size() < bmp::kFileHeaderSize + bmp::kCoreHeaderSize) return std::nullopt;
  const std::uint8_t* file = data.data();
  const std::uint32_t headerSize = Read32(file + 14);
  if (headerSize < bmp::kCoreHeaderSize || headerSize > data.size() - bmp::kFileHeaderSize) {
    return std::nullopt;
  }
  const std::uint8_t* header = file + bmp::kFileHeaderSize;
  BmpLayout layout;
  layout.pixelOffset = Read32(file + 10);
  int planes = 0;
  std::uint32_t coloursUsed = 0;
  std::size_t paletteEntrySize = 4;
  if (headerSize == bmp::kCoreHeaderSize) {
    layout.width = Read16(header + 4);
    layout.height = Read16(header + 6);
    planes = Read16(header + 8);
    layout.bitsPerPixel = Read16(header + 10);
    paletteEntrySize = 3;
  } else if ((headerSize >= kSmallestOs2Header && headerSize <= kLargestOs2Header) ||
             headerSize == bmp::kV4HeaderSize || headerSize == bmp::kV5HeaderSize) {
    layout.width = static_cast<std::int32_t>(Read32(header + 4));
    layout.height = static_cast<std::int32_t>(Read32(header + 8));
    planes = Read16(header + 12);
    layout.bitsPerPixel = Read16(header + 14);
    if (headerSize >= 20) layout.compression = Read32(header + 16);
    if (headerSize >= 36) coloursUsed = Read32(header + 32);
    // OS/2 2.x headers number their codings differently from 3 on (Huffman, RLE24).
    if (!IsWindowsHeader(headerSize) && layout.compression >= bmp::kBitfields) return std::nullopt;
  } else {
    return std::nullopt;
  }
  if (planes != 1 || !IsSupportedCoding(layout.bitsPerPixel, layout.compression)) {
    return std::nullopt;
  }
  if (layout.height < 0) {
    layout.topDown = true;
    layout.height = -layout.height;
  }
  const bool compressed = layout.compression == bmp::kRle8 || layout.compression == bmp::kRle4;
  if (compressed && layout.topDown) return std::nullopt;

  std::size_t paletteOffset = bmp::kFileHeaderSize + headerSize;
  if (layout.compression == bmp::kBitfields || layout.compression == bmp::kAlphaBitfields) {
    layout.hasMasks = true;
    const std::size_t maskCount = layout.compression == bmp::kAlphaBitfields ? 4 : 3;
    const std::uint8_t* masks = header + bmp::kInfoHeaderSize;
    if (headerSize == bmp::kInfoHeaderSize) {
      // The masks follow a 40-byte header.
      if (paletteOffset + 4 * maskCount > data.size()) return std::nullopt;
      paletteOffset += 4 * maskCount;
    }
    const std::size_t masksInHeader =
        headerSize == bmp::kInfoHeaderSize ? maskCount : (headerSize >= bmp::kV3HeaderSize ? 4 : 3);
    for (std::size_t i = 0; i < masksInHeader; ++i) layout.masks[i] = Read32(masks + 4 * i);
  }

  if (layout.bitsPerPixel <= 8) {
    const std::uint32_t maximum = 1u << layout.bitsPerPixel;
    std::size_t count = coloursUsed == 0 || coloursUsed > maximum ? maximum : coloursUsed;
    // A palette never runs into the pixels or past the end of the file.
    const std::size_t paletteEnd = layout.pixelOffset > paletteOffset
                                       ? std::min<std::size_t>(layout.pixelOffset, data.size())
                                       : data.size();
    if (paletteOffset > paletteEnd) return std::nullopt;
    count = std::min(count, (paletteEnd - paletteOffset) / paletteEntrySize);
    if (count == 0) return std::nullopt;
    layout.palette.resize(maximum);
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint8_t* entry = file + paletteOffset + i * paletteEntrySize;
      layout.palette[i] = {entry[0], entry[1], entry[2], 0};
    }
  }
  if (layout.pixelOffset < paletteOffset || layout.pixelOffset >= data.size()) {
    return std::nullopt;
  }
  return layout;
}

std::uint32_t ReadPixelBits(const std::uint8_t* row, std::int64_t x, int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 16:
      return Read16(row + 2 * x);
    case 32:
      return Read32(row + 4 * x);
    default: {
      const std::int64_t bit = x * bitsPerPixel;
      const int shift = 8 - bitsPerPixel - static_cast<int>(bit % 8);
      return (row[bit / 8] >> shift) & ((1u << bitsPerPixel) - 1);
    }
  }
}

bool IsNativeRgb555(const BmpLayout& layout) {
  return layout.bitsPerPixel == 16 &&
         (!layout.hasMasks || (layout.masks[0] == 0x7c00 && layout.masks[1] == 0x03e0 &&
                               layout.masks[2] == 0x001f && layout.masks[3] == 0));
}

std::unique_ptr<Picture> DecodeRows(ByteSpan data, const BmpLayout& layout, AlphaUse use) {
  const auto width = static_cast<int>(layout.width);
  const auto height = static_cast<int>(layout.height);
  const std::size_t sourceStride =
      (static_cast<std::size_t>(layout.width) * static_cast<std::size_t>(layout.bitsPerPixel) +
       31) /
      32 * 4;
  if (sourceStride * static_cast<std::size_t>(height) > data.size() - layout.pixelOffset) {
    return nullptr;
  }
  const std::uint8_t* pixels = data.data() + layout.pixelOffset;
  auto rowInFile = [&](int y) {
    const int line = layout.topDown ? y : height - 1 - y;
    return pixels + sourceStride * static_cast<std::size_t>(line);
  };

  if (layout.bitsPerPixel <= 8) {
    auto picture = MakePicture(width, height, 8);
    picture->palette = layout.palette;
    for (int y = 0; y < height; ++y) {
      const std::uint8_t* source = rowInFile(y);
      std::uint8_t* target = picture->Row(y);
      for (int x = 0; x < width; ++x) {
        target[x] = static_cast<std::uint8_t>(ReadPixelBits(source, x, layout.bitsPerPixel));
      }
    }
    return picture;
  }
  if (layout.bitsPerPixel == 24 || IsNativeRgb555(layout)) {
    auto picture = MakePicture(width, height, layout.bitsPerPixel);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * (layout.bitsPerPixel / 8);
    for (int y = 0; y < height; ++y) std::copy_n(rowInFile(y), rowBytes, picture->Row(y));
    return picture;
  }

  // Bit fields, and 32-bit pixels whose fourth byte is unused.
  const auto& masks =
      layout.hasMasks ? layout.masks : std::array<std::uint32_t, 4>{0xff0000, 0xff00, 0xff, 0};
  const ChannelMask red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);
  bool usesAlpha = false;
  for (int y = 0; y < height && alpha.maximum != 0 && !usesAlpha; ++y) {
    for (int x = 0; x < width && !usesAlpha; ++x) {
      usesAlpha = alpha.Extract(ReadPixelBits(rowInFile(y), x, layout.bitsPerPixel)) != 0;
    }
  }
  auto picture = MakePicture(width, height, 24);
  if (usesAlpha) AddAlphaPlane(*picture, use);
  Bytes bgra(4 * static_cast<std::size_t>(width));
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* source = rowInFile(y);
    for (int x = 0; x < width; ++x) {
      const std::uint32_t pixel = ReadPixelBits(source, x, layout.bitsPerPixel);
      std::uint8_t* sample = bgra.data() + 4 * static_cast<std::size_t>(x);
      sample[0] = blue.Extract(pixel);
      sample[1] = green.Extract(pixel);
      sample[2] = red.Extract(pixel);
      sample[3] = usesAlpha ? alpha.Extract(pixel) : 255;
    }
    StoreBgraRow(bgra.data(), static_cast<std::size_t>(width), picture->Row(y),
                 picture->AlphaRow(y));
  }
  return picture;
}

// A run-length coded picture: RLE8 stays compressed (re-encoded, so the stored stream is
// always well formed); RLE4 is expanded.
std::unique_ptr<Picture> DecodeRunLengths(ByteSpan data, const BmpLayout& layout) {
  constexpr std::uint64_t kLongestRunPerByte = 128;
  const ByteSpan stream = data.subspan(layout.pixelOffset);
  if (!IsPlausibleSize(layout.width, layout.height, stream.size(), kLongestRunPerByte)) {
    return nullptr;
  }
  auto picture = MakePicture(static_cast<int>(layout.width), static_cast<int>(layout.height), 8);
  picture->palette = layout.palette;
  const int bitsPerIndex = layout.compression == bmp::kRle8 ? 8 : 4;
  if (!DecodeRle(stream, bitsPerIndex, *picture)) return nullptr;
  if (bitsPerIndex == 8) {
    picture->rle = EncodeRle8(*picture);
    picture->pixels.clear();
    picture->pixels.shrink_to_fit();
  }
  return picture;
}

}  // namespace

std::unique_ptr<Picture> DecodeBmp(ByteSpan data, AlphaUse alpha) {
  const auto layout = ReadLayout(data);
  if (!layout || !IsAcceptableSize(layout->width, layout->height)) return nullptr;
  if (layout->compression == bmp::kRle8 || layout->compression == bmp::kRle4) {
    return DecodeRunLengths(data, *layout);
  }
  return DecodeRows(data, *layout, alpha);
}

}  // namespace imagelib
