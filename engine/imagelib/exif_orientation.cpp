#include "engine/imagelib/exif_orientation.h"

#include <libexif/exif-data.h>

#include <cstddef>
#include <cstring>
#include <memory>

namespace imagelib {
namespace {

struct ExifDataReleaser {
  void operator()(ExifData* data) const { exif_data_unref(data); }
};

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
  std::unique_ptr<ExifData, ExifDataReleaser> data(exif_data_new());
  if (!data || exif.empty()) return 1;
  // Read the tags as written: libexif would otherwise add the tags it deems mandatory.
  exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
  exif_data_load_data(data.get(), exif.data(), static_cast<unsigned int>(exif.size()));
  ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
  if (entry == nullptr || entry->format != EXIF_FORMAT_SHORT || entry->components < 1 ||
      entry->size < 2) {
    return 1;
  }
  const int orientation = exif_get_short(entry->data, exif_data_get_byte_order(data.get()));
  return orientation >= 1 && orientation <= 8 ? orientation : 1;
}

void ApplyOrientation(Picture& picture, int orientation) {
  if (orientation < 2 || orientation > 8 || picture.IsCompressed()) return;
  const bool swapsSides = orientation >= 5;
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

}  // namespace imagelib
