// The filters that resizing and turning resample pictures with.
#pragma once

#include <cmath>
#include <numbers>

namespace imagelib {

// Lanczos' windowed sinc over three lobes: shrinking with it keeps fine detail sharp without
// the moiré an area average leaves on fine patterns.
inline constexpr double kLanczosRadius = 3;
inline double Lanczos3(double x) {
  x = std::abs(x);
  if (x < 1e-9) return 1;
  if (x >= kLanczosRadius) return 0;
  const double pix = std::numbers::pi * x;
  return kLanczosRadius * std::sin(pix) * std::sin(pix / kLanczosRadius) / (pix * pix);
}

// The Catmull-Rom cubic: interpolates (it passes through the samples) for enlarging and turning.
inline constexpr double kCubicRadius = 2;
inline double CatmullRom(double x) {
  x = std::abs(x);
  if (x < 1) return (1.5 * x - 2.5) * x * x + 1;
  if (x < 2) return ((-0.5 * x + 2.5) * x - 4) * x + 2;
  return 0;
}

}  // namespace imagelib
