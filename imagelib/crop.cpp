// Cutting a rectangle out of a picture.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "imagelib/imagelib.h"
#include "imagelib/operation_support.h"
#include "imagelib/picture_store.h"

// The rectangle is clipped to the picture; when nothing of it lies inside, the result is a copy
// of the whole picture. Callers replace their handle by the returned one and never release the
// handle they passed, so the old picture is released here once the new one exists.
PictureHandle CropPicture(PictureHandle picture, int x, int y, int width, int height) {
  const imagelib::Picture* source = imagelib::FindExpanded(picture);
  if (source == nullptr) return 0;
  std::int64_t left = std::max<std::int64_t>(x, 0);
  std::int64_t top = std::max<std::int64_t>(y, 0);
  std::int64_t right = std::min<std::int64_t>(std::int64_t{x} + width, source->width);
  std::int64_t bottom = std::min<std::int64_t>(std::int64_t{y} + height, source->height);
  if (left >= right || top >= bottom) {
    left = 0;
    top = 0;
    right = source->width;
    bottom = source->height;
  }
  auto result = std::make_unique<imagelib::Picture>();
  result->width = static_cast<int>(right - left);
  result->height = static_cast<int>(bottom - top);
  result->bitsPerPixel = source->bitsPerPixel;
  result->palette = source->palette;
  result->pixels.resize(result->Stride() * static_cast<std::size_t>(result->height));
  std::size_t bytesPerPixel = static_cast<std::size_t>(source->bitsPerPixel / 8);
  std::size_t rowBytes = bytesPerPixel * static_cast<std::size_t>(result->width);
  for (int row = 0; row < result->height; ++row) {
    std::memcpy(
        result->Row(row),
        source->Row(static_cast<int>(top) + row) + bytesPerPixel * static_cast<std::size_t>(left),
        rowBytes);
  }
  if (source->HasAlpha()) {
    result->alpha.resize(static_cast<std::size_t>(result->width) *
                         static_cast<std::size_t>(result->height));
    for (int row = 0; row < result->height; ++row) {
      std::memcpy(result->AlphaRow(row), source->AlphaRow(static_cast<int>(top) + row) + left,
                  static_cast<std::size_t>(result->width));
    }
  }
  PictureHandle cropped = imagelib::StorePicture(std::move(result));
  ReleasePicture(picture);
  return cropped;
}
