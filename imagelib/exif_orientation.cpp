#include "imagelib/exif_orientation.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

#include "imagelib/alpha_plane.h"
#include "imagelib/tiff_structure.h"

namespace imagelib {
namespace {

constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kShortType = 3;

struct Point {
  std::ptrdiff_t x = 0;
  std::ptrdiff_t y = 0;
};

// The stored pixel that lands at (x, y) of the upright picture; `width` and `height` are the
// stored picture's.
Point StoredPixel(int orientation, std::ptrdiff_t x, std::ptrdiff_t y, std::ptrdiff_t width,
                  std::ptrdiff_t height) {
  switch (orientation) {
    case 2:
      return {width - 1 - x, y};
    case 3:
      return {width - 1 - x, height - 1 - y};
    case 4:
      return {x, height - 1 - y};
    case 5:
      return {y, x};
    case 6:
      return {y, height - 1 - x};
    case 7:
      return {width - 1 - y, height - 1 - x};
    case 8:
      return {width - 1 - y, x};
    default:
      return {x, y};
  }
}

}  // namespace

int ExifOrientation(ByteSpan exif) {
  if (exif.size() < kExifHeader.size() ||
      std::memcmp(exif.data(), kExifHeader.data(), kExifHeader.size()) != 0) {
    return 1;
  }
  TiffReader tiff(exif.subspan(kExifHeader.size()));
  if (!tiff.ReadByteOrder()) return 1;
  // Only the first directory is read: no offset is followed twice, so no loop can form.
  const std::optional<std::uint32_t> directory = tiff.Number(4, 4);
  const auto entries = directory ? tiff.Entries(*directory) : std::nullopt;
  if (!entries) return 1;
  for (const TiffEntry& entry : *entries) {
    if (entry.tag != kOrientationTag) continue;
    const std::optional<std::uint32_t> value = tiff.Number(entry.ValueFieldAt(), 2);
    if (entry.type != kShortType || entry.count < 1 || !value) return 1;
    return *value >= 1 && *value <= 8 ? static_cast<int>(*value) : 1;
  }
  return 1;
}

namespace {

void TurnUpright(Picture& picture, int orientation) {
  const bool swapsSides = SwapsSides(orientation);
  auto upright = MakePicture(swapsSides ? picture.height : picture.width,
                             swapsSides ? picture.width : picture.height, picture.bitsPerPixel);
  upright->palette = picture.palette;
  // The map from upright to stored pixels is affine: a start and one step along each axis.
  const auto bytes = static_cast<std::ptrdiff_t>(picture.bitsPerPixel / 8);
  const auto stride = static_cast<std::ptrdiff_t>(picture.Stride());
  const auto offset = [&](Point point) { return point.y * stride + point.x * bytes; };
  const auto stored = [&](std::ptrdiff_t x, std::ptrdiff_t y) {
    return offset(StoredPixel(orientation, x, y, picture.width, picture.height));
  };
  const std::ptrdiff_t start = stored(0, 0);
  const std::ptrdiff_t stepX = stored(1, 0) - start;
  const std::ptrdiff_t stepY = stored(0, 1) - start;
  for (int y = 0; y < upright->height; ++y) {
    std::uint8_t* target = upright->Row(y);
    const std::ptrdiff_t rowStart = start + stepY * y;
    for (int x = 0; x < upright->width; ++x) {
      std::memcpy(target + bytes * x, picture.pixels.data() + rowStart + stepX * x,
                  static_cast<std::size_t>(bytes));
    }
  }
  picture = std::move(*upright);
}

}  // namespace

void ApplyOrientation(Picture& picture, int orientation) {
  if (orientation < 2 || orientation > 8 || picture.IsCompressed()) return;
  WithAlphaPlane(picture, false, [orientation](Picture& plane, bool /*isAlphaPlane*/) {
    TurnUpright(plane, orientation);
    return true;
  });
}

}  // namespace imagelib
