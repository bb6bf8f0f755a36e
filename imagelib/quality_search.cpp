#include "imagelib/quality_search.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace imagelib {
namespace {

// The next step to try between a step that fits (`fits`, 0 when none is known yet) and one that
// does not (`over`, whose file took `overBytes`): where the file size, taken to grow as a power
// of the quality, would meet the cap, kept strictly inside the interval. Steps count from 1.
int NextStep(int fits, std::uint64_t fitsBytes, int over, std::uint64_t overBytes,
             std::uint64_t maxBytes) {
  // Between quality 10 and 95 a photo's file grows roughly as quality^0.6.
  double exponent = 0.6;
  if (fits > 0 && fitsBytes > 0 && overBytes > fitsBytes) {
    exponent = std::log(static_cast<double>(overBytes) / static_cast<double>(fitsBytes)) /
               std::log(static_cast<double>(over) / fits);
  }
  const double ratio = static_cast<double>(std::max<std::uint64_t>(maxBytes, 1)) /
                       static_cast<double>(std::max<std::uint64_t>(overBytes, 1));
  const double guess = over * std::pow(ratio, 1.0 / std::max(exponent, 0.1));
  return std::clamp(static_cast<int>(guess), fits + 1, over - 1);
}

}  // namespace

std::optional<FittedFile> EncodeWithin(int lowest, int quality, std::uint64_t maxBytes,
                                       const std::function<Bytes(int quality)>& encode) {
  // Qualities as steps from 1 at `lowest`, so that 0 stands for "none fits yet".
  auto encodeStep = [&](int step) { return encode(step + lowest - 1); };
  // The search keeps the best file that fits and the smallest step known not to, until they
  // are neighbours.
  int over = std::max(quality, lowest) - lowest + 1;
  Bytes overFile = encodeStep(over);
  if (overFile.empty()) return std::nullopt;
  int fits = 0;
  Bytes fitsFile;
  if (overFile.size() <= maxBytes) {
    fits = over;
    fitsFile = std::move(overFile);
  }
  bool halvedLast = true;
  while (fits + 1 < over) {
    // A guess that did not halve the interval is followed by its middle, which bounds the
    // encodes at twice those of a plain bisection.
    const int width = over - fits;
    const int next = halvedLast ? NextStep(fits, fitsFile.size(), over, overFile.size(), maxBytes)
                                : fits + width / 2;
    Bytes file = encodeStep(next);
    if (file.empty()) return std::nullopt;
    if (file.size() <= maxBytes) {
      fits = next;
      fitsFile = std::move(file);
    } else {
      over = next;
      overFile = std::move(file);
    }
    halvedLast = 2 * (over - fits) <= width;
  }
  if (fits > 0) return FittedFile{std::move(fitsFile), true};
  return FittedFile{std::move(overFile), false};
}

}  // namespace imagelib
