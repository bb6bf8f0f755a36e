// Turning a picture by any angle.
#include <cmath>
#include <cstdint>
#include <numbers>

#include "engine/imagelib/imagelib.h"
#include "engine/imagelib/operation_support.h"

namespace imagelib {
namespace {

constexpr int kFullTurn = 360000;
constexpr int kQuarterTurn = 90000;
constexpr int kFractionBits = 32;
constexpr std::int64_t kFixedOne = std::int64_t{1} << kFractionBits;

Picture BlankPicture(int width, int height) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  picture.pixels.assign(picture.Stride() * static_cast<std::size_t>(height), 0);
  return picture;
}

// Turns by a multiple of 90 degrees clockwise by moving pixels, without interpolation.
Picture TurnByQuarters(const Picture& source, int quarters) {
  int width = source.width;
  int height = source.height;
  bool sideways = quarters % 2 == 1;
  Picture result = BlankPicture(sideways ? height : width, sideways ? width : height);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* in = source.Row(y);
    for (int x = 0; x < width; ++x, in += 3) {
      int toX = quarters == 1 ? height - 1 - y : quarters == 2 ? width - 1 - x : y;
      int toY = quarters == 1 ? x : quarters == 2 ? height - 1 - y : width - 1 - x;
      std::uint8_t* out = result.Row(toY) + 3 * static_cast<std::size_t>(toX);
      out[0] = in[0];
      out[1] = in[1];
      out[2] = in[2];
    }
  }
  return result;
}

// Side of the canvas that holds the turned picture; a side that comes out a hair above a whole
// number through rounding is not widened by a pixel.
int CanvasSide(double length) {
  return static_cast<int>(std::ceil(length - 1e-6));
}

// Turns clockwise by any angle on a canvas just large enough for the whole turned picture.
// Each canvas pixel takes the bilinear blend of the four source pixels around the point it
// comes from; pixels outside the source count as the fill colour, so edges blend into it.
bool TurnByAngle(Picture& picture, int angle, ColourRef fill) {
  double radians = angle / 1000.0 * std::numbers::pi / 180.0;
  double cosine = std::cos(radians);
  double sine = std::sin(radians);
  int width = picture.width;
  int height = picture.height;
  int newWidth = CanvasSide(width * std::abs(cosine) + height * std::abs(sine));
  int newHeight = CanvasSide(width * std::abs(sine) + height * std::abs(cosine));
  if (!IsAcceptableSize(newWidth, newHeight)) return false;
  Picture result = BlankPicture(newWidth, newHeight);
  const std::uint8_t fillBgr[3] = {static_cast<std::uint8_t>(BlueOf(fill)),
                                   static_cast<std::uint8_t>(GreenOf(fill)),
                                   static_cast<std::uint8_t>(RedOf(fill))};
  auto sourcePixel = [&](std::int64_t x, std::int64_t y) -> const std::uint8_t* {
    if (x < 0 || y < 0 || x >= width || y >= height) return fillBgr;
    return picture.Row(static_cast<int>(y)) + 3 * x;
  };
  // Source position (in pixel-centre coordinates) of each canvas pixel, stepped in fixed point.
  auto fixed = [](double value) {
    return static_cast<std::int64_t>(std::llround(value * kFixedOne));
  };
  std::int64_t stepX = fixed(cosine);
  std::int64_t stepY = fixed(-sine);
  for (int y = 0; y < newHeight; ++y) {
    double offsetX = 0.5 - newWidth / 2.0;
    double offsetY = y + 0.5 - newHeight / 2.0;
    std::int64_t sourceX = fixed(offsetX * cosine + offsetY * sine + width / 2.0 - 0.5);
    std::int64_t sourceY = fixed(-offsetX * sine + offsetY * cosine + height / 2.0 - 0.5);
    std::uint8_t* out = result.Row(y);
    for (int x = 0; x < newWidth; ++x, out += 3, sourceX += stepX, sourceY += stepY) {
      std::int64_t left = sourceX >> kFractionBits;
      std::int64_t top = sourceY >> kFractionBits;
      if (left < -1 || top < -1 || left >= width || top >= height) {
        out[0] = fillBgr[0];
        out[1] = fillBgr[1];
        out[2] = fillBgr[2];
        continue;
      }
      // Weights in 1/256 steps.
      int fractionX = static_cast<int>((sourceX & (kFixedOne - 1)) >> (kFractionBits - 8));
      int fractionY = static_cast<int>((sourceY & (kFixedOne - 1)) >> (kFractionBits - 8));
      const std::uint8_t* topLeft = sourcePixel(left, top);
      const std::uint8_t* topRight = sourcePixel(left + 1, top);
      const std::uint8_t* bottomLeft = sourcePixel(left, top + 1);
      const std::uint8_t* bottomRight = sourcePixel(left + 1, top + 1);
      for (int channel = 0; channel < 3; ++channel) {
        int upper = topLeft[channel] * (256 - fractionX) + topRight[channel] * fractionX;
        int lower = bottomLeft[channel] * (256 - fractionX) + bottomRight[channel] * fractionX;
        out[channel] = static_cast<std::uint8_t>(
            (upper * (256 - fractionY) + lower * fractionY + 32768) >> 16);
      }
    }
  }
  picture = std::move(result);
  return true;
}

}  // namespace
}  // namespace imagelib

// Positive angles (in thousandths of a degree) turn clockwise. Whole quarter turns move pixels
// exactly; other angles grow the canvas to hold the turned picture and give the uncovered area
// the fill colour.
int RotatePicture(PictureHandle picture, int angleThousandths, ColourRef fill) {
  imagelib::Picture* found = imagelib::Find24Bit(picture);
  if (found == nullptr) return 0;
  int angle = angleThousandths % imagelib::kFullTurn;
  if (angle < 0) angle += imagelib::kFullTurn;
  if (angle == 0) return 1;
  if (angle % imagelib::kQuarterTurn == 0) {
    *found = imagelib::TurnByQuarters(*found, angle / imagelib::kQuarterTurn);
    return 1;
  }
  return imagelib::TurnByAngle(*found, angle, fill) ? 1 : 0;
}
