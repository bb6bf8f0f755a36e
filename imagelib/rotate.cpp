// Turning a picture by any angle.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "imagelib/alpha_plane.h"
#include "imagelib/failure_reason.h"
#include "imagelib/imagelib.h"
#include "imagelib/operation_support.h"
#include "imagelib/resampling.h"

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

// The cubic's four weights for each 1/256 step of a position between two pixels, in
// fractions of kWeightOne that sum to exactly kWeightOne, so flat areas stay exact. Ten bits
// keep the sums of 16 weighted samples within 32 bits.
constexpr int kPhases = 256;
constexpr int kWeightBits = 10;
constexpr int kWeightOne = 1 << kWeightBits;
using PhaseWeights = std::array<std::array<int, 4>, kPhases>;

PhaseWeights CubicPhases() {
  PhaseWeights phases{};
  for (int phase = 0; phase < kPhases; ++phase) {
    const double fraction = static_cast<double>(phase) / kPhases;
    std::array<int, 4>& weights = phases[phase];
    int sum = 0;
    for (int k = 0; k < 4; ++k) {
      weights[k] = static_cast<int>(std::lround(CatmullRom(k - 1 - fraction) * kWeightOne));
      sum += weights[k];
    }
    weights[fraction < 0.5 ? 1 : 2] += kWeightOne - sum;
  }
  return phases;
}

// Turns clockwise by any angle on a canvas just large enough for the whole turned picture.
// Each canvas pixel takes the cubic interpolation of the 4x4 source pixels around the point it
// comes from, clamped; pixels outside the source count as the fill colour, so edges blend into
// it.
bool TurnByAngle(Picture& picture, int angle, ColourRef fill) {
  static const PhaseWeights kPhaseWeights = CubicPhases();
  double radians = angle / 1000.0 * std::numbers::pi / 180.0;
  double cosine = std::cos(radians);
  double sine = std::sin(radians);
  int width = picture.width;
  int height = picture.height;
  int newWidth = CanvasSide(width * std::abs(cosine) + height * std::abs(sine));
  int newHeight = CanvasSide(width * std::abs(sine) + height * std::abs(cosine));
  if (!IsAcceptableSize(newWidth, newHeight)) {
    return Refuse("回転後の" + TooLargeReason(newWidth, newHeight));
  }
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
      const std::array<int, 4>& across = kPhaseWeights[static_cast<std::size_t>(
          (sourceX & (kFixedOne - 1)) >> (kFractionBits - 8))];
      const std::array<int, 4>& down = kPhaseWeights[static_cast<std::size_t>(
          (sourceY & (kFixedOne - 1)) >> (kFractionBits - 8))];
      // Inside the source the 4x4 pixels are read straight from their rows; only along the
      // edges is each one looked up, the fill colour standing in outside.
      int sums[3] = {0, 0, 0};
      if (left >= 1 && top >= 1 && left + 2 < width && top + 2 < height) {
        const std::size_t stride = picture.Stride();
        const std::uint8_t* row = picture.Row(static_cast<int>(top - 1)) + 3 * (left - 1);
        for (int j = 0; j < 4; ++j, row += stride) {
          for (int channel = 0; channel < 3; ++channel) {
            const std::uint8_t* sample = row + channel;
            sums[channel] += down[j] * (across[0] * sample[0] + across[1] * sample[3] +
                                        across[2] * sample[6] + across[3] * sample[9]);
          }
        }
      } else {
        for (int j = 0; j < 4; ++j) {
          for (int channel = 0; channel < 3; ++channel) {
            int blend = 0;
            for (int i = 0; i < 4; ++i) {
              blend += across[i] * sourcePixel(left - 1 + i, top - 1 + j)[channel];
            }
            sums[channel] += down[j] * blend;
          }
        }
      }
      constexpr int kHalf = 1 << (2 * kWeightBits - 1);
      for (int channel = 0; channel < 3; ++channel) {
        out[channel] = static_cast<std::uint8_t>(
            std::clamp((sums[channel] + kHalf) >> (2 * kWeightBits), 0, 255));
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
    imagelib::WithAlphaPlane(*found, false, [angle](imagelib::Picture& plane, bool) {
      plane = imagelib::TurnByQuarters(plane, angle / imagelib::kQuarterTurn);
      return true;
    });
    return 1;
  }
  // A picture that keeps its alpha gets transparent corners instead of the fill colour.
  constexpr ColourRef kTransparent = MakeColour(0, 0, 0);
  constexpr ColourRef kShownTransparent = MakeColour(255, 255, 255);
  const bool keepsAlpha = found->HasAlpha();
  return imagelib::WithAlphaPlane(*found, true,
                                  [&](imagelib::Picture& plane, bool isAlphaPlane) {
                                    const ColourRef corners = isAlphaPlane ? kTransparent
                                                              : keepsAlpha ? kShownTransparent
                                                                           : fill;
                                    return imagelib::TurnByAngle(plane, angle, corners);
                                  })
             ? 1
             : 0;
}
