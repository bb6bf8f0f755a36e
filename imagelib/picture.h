// The picture held behind a PictureHandle: a device-independent bitmap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace imagelib {

// The largest picture the library accepts, in pixels; headers that claim more are refused
// before anything is allocated.
inline constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 28;

struct PaletteEntry {
  std::uint8_t blue = 0;
  std::uint8_t green = 0;
  std::uint8_t red = 0;
  std::uint8_t reserved = 0;
};

struct Picture {
  int width = 0;
  int height = 0;
  // 24 (B, G, R bytes), 16 (5-5-5, little-endian) or 8 (palette indexes).
  int bitsPerPixel = 24;
  // The colours of an 8-bit picture; empty otherwise.
  std::vector<PaletteEntry> palette;
  // Rows from top to bottom, each Stride() bytes (padded to 4 bytes as in a DIB).
  // Empty while the picture is run-length compressed.
  std::vector<std::uint8_t> pixels;
  // The BI_RLE8 stream of a compressed 8-bit picture, rows from bottom to top as stored in a
  // file; empty when the picture is not compressed.
  std::vector<std::uint8_t> rle;
  // The opacity of each pixel (width bytes a row, top to bottom) of a 24-bit picture loaded to
  // keep its alpha, whose pixels then hold their own colours; empty for every other picture,
  // whose colours are as they show over white.
  std::vector<std::uint8_t> alpha;
  // The Exif block (starting "Exif\0\0") that JPEG, PNG, WebP and AVIF files saved from the
  // picture carry; empty for none.
  std::vector<std::uint8_t> exif;
  // The size of the file's picture (turned as the file says) when loaded from a file, which a
  // reduced decode makes larger than the picture; 0 for a picture made otherwise.
  int sourceWidth = 0;
  int sourceHeight = 0;

  bool IsCompressed() const { return !rle.empty(); }
  std::size_t Stride() const {
    return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bitsPerPixel) + 31) / 32 * 4;
  }
  std::uint8_t* Row(int y) { return pixels.data() + Stride() * static_cast<std::size_t>(y); }
  const std::uint8_t* Row(int y) const {
    return pixels.data() + Stride() * static_cast<std::size_t>(y);
  }
  bool HasAlpha() const { return !alpha.empty(); }
  // The row's opacities; null when the picture keeps no alpha.
  std::uint8_t* AlphaRow(int y) {
    return HasAlpha() ? alpha.data() + static_cast<std::size_t>(width) * static_cast<std::size_t>(y)
                      : nullptr;
  }
  const std::uint8_t* AlphaRow(int y) const {
    return HasAlpha() ? alpha.data() + static_cast<std::size_t>(width) * static_cast<std::size_t>(y)
                      : nullptr;
  }
};

// True when a picture of this size may be made: both sides positive and at most kMaxPixels.
bool IsAcceptableSize(std::int64_t width, std::int64_t height);

}  // namespace imagelib
