#include "engine/output_size.h"

#include <algorithm>

namespace {

// numerator / denominator to the nearest whole number, never below 1.
std::int64_t RoundedQuotient(std::int64_t numerator, std::int64_t denominator) {
  return std::max<std::int64_t>(1, (2 * numerator + denominator) / (2 * denominator));
}

// The side given, the other following the picture's shape.
PixelSize WithWidth(PixelSize picture, std::int64_t width) {
  return {width, RoundedQuotient(picture.height * width, picture.width)};
}

PixelSize WithHeight(PixelSize picture, std::int64_t height) {
  return {RoundedQuotient(picture.width * height, picture.height), height};
}

PixelSize Shaped(PixelSize picture, PixelSize frame, int shape) {
  switch (shape) {
    case kResizeFitInside:
      // Wider than the frame's shape: the width decides.
      return picture.width * frame.height >= picture.height * frame.width
                 ? WithWidth(picture, frame.width)
                 : WithHeight(picture, frame.height);
    case kResizeLongSide: {
      const std::int64_t longSide = std::max(frame.width, frame.height);
      return picture.width >= picture.height ? WithWidth(picture, longSide)
                                             : WithHeight(picture, longSide);
    }
    default:
      return frame;
  }
}

}  // namespace

PixelSize OutputSize(PixelSize picture, PixelSize frame, int shape, bool noEnlarge) {
  picture = {std::max<std::int64_t>(picture.width, 1), std::max<std::int64_t>(picture.height, 1)};
  frame = {std::max<std::int64_t>(frame.width, 1), std::max<std::int64_t>(frame.height, 1)};
  const PixelSize shaped = Shaped(picture, frame, shape);
  if (noEnlarge && picture.width <= shaped.width && picture.height <= shaped.height) return picture;
  return shaped;
}
