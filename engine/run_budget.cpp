#include "engine/run_budget.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "state/output_formats.h"

std::int64_t BudgetBytes(const PictureRecord& target) {
  constexpr std::int64_t kBytesPerMegabyte = 1000 * 1000;
  const bool sized = target.DIB_TYPE == kFormatJpeg || target.DIB_TYPE == kFormatWebp ||
                     target.DIB_TYPE == kFormatAvif;
  return sized && target.BUDGET_MB > 0 ? target.BUDGET_MB * kBytesPerMegabyte : 0;
}

std::vector<std::int64_t> BudgetShares(std::span<const std::int64_t> predicted,
                                       std::int64_t budget) {
  std::int64_t known = 0;
  int knownCount = 0;
  for (std::int64_t bytes : predicted) {
    if (bytes > 0) {
      known += bytes;
      ++knownCount;
    }
  }
  const std::int64_t average = knownCount > 0 ? known / knownCount : 1;
  std::vector<std::int64_t> wanted;
  long double total = 0;
  for (std::int64_t bytes : predicted) {
    wanted.push_back(bytes < 0 ? 0 : bytes == 0 ? std::max<std::int64_t>(average, 1) : bytes);
    total += static_cast<long double>(wanted.back());
  }
  std::vector<std::int64_t> shares;
  for (std::int64_t bytes : wanted) {
    if (bytes == 0) {
      shares.push_back(0);
      continue;
    }
    // Rounded down, so that the shares add up to the budget at most.
    const auto share = static_cast<std::int64_t>(static_cast<long double>(budget) * bytes / total);
    shares.push_back(std::max<std::int64_t>(share, 1));
  }
  return shares;
}

namespace {

// Bytes by quality 0, 10, ..., 100, in proportion: the files of eight photos of the bench's
// corpus (bench/photo_corpus.sh) resized to a 1600-pixel long side, so that an entry's bytes at
// one quality tell its bytes at another. The JPEG's quality 0 is its lowest, 1.
using QualityCurve = std::array<double, 11>;
constexpr QualityCurve kJpegCurve = {107119, 133090,  218408,  356371,  497501,  656805,
                                     839373, 1124725, 1618078, 4753086, 20476349};
constexpr QualityCurve kWebpCurve = {81464,  140078, 183202,  240762,  311356, 406248,
                                     551458, 725022, 1216994, 2821230, 6129044};
constexpr QualityCurve kAvifCurve = {14222,  26260,   42715,   68028,   112322, 209454,
                                     685028, 1207794, 2042353, 4047966, 9998056};

// The curve's bytes at `quality`, between its points as a straight line of their logarithms.
double CurveAt(const QualityCurve& curve, double quality) {
  const double place = std::clamp(quality, 0.0, 100.0) / 10;
  const auto below = static_cast<std::size_t>(std::min(place, 9.0));
  const double part = place - static_cast<double>(below);
  return std::exp(std::log(curve[below]) * (1 - part) + std::log(curve[below + 1]) * part);
}

// The highest quality up to `chosen` whose bytes, as the curve has them grow, are at most
// `ratio` of the chosen quality's; the lowest when none is.
double QualityWithin(const QualityCurve& curve, int chosen, double ratio) {
  const double wanted = CurveAt(curve, chosen) * ratio;
  double quality = chosen;
  while (quality > 0 && CurveAt(curve, quality) > wanted) quality -= 0.5;
  return std::max(quality, 0.0);
}

struct FormatCurve {
  const QualityCurve& curve;
  int chosen;
  int lowest;
};

FormatCurve CurveOf(const PictureRecord& target) {
  if (target.DIB_TYPE == kFormatJpeg) return {kJpegCurve, 100 - target.JPG_TYPE, 1};
  if (target.DIB_TYPE == kFormatWebp) return {kWebpCurve, target.WEBP_QUALITY, 0};
  return {kAvifCurve, target.AVIF_QUALITY, 0};
}

}  // namespace

BudgetForecast ForecastBudget(const std::vector<EntryEstimate>& entries,
                              const PictureRecord& target) {
  BudgetForecast forecast;
  std::vector<std::int64_t> predicted;
  for (const EntryEstimate& entry : entries) {
    predicted.push_back(entry.Written() ? entry.picture.bytes : -1);
  }
  forecast.shares = BudgetShares(predicted, BudgetBytes(target));
  const FormatCurve format = CurveOf(target);
  double qualities = 0;
  int written = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (predicted[i] < 0) continue;
    const std::int64_t share = forecast.shares[i];
    const std::int64_t bytes = predicted[i] > 0 ? predicted[i] : share;
    forecast.totalBytes += std::min(bytes, share);
    const double ratio = static_cast<double>(share) / static_cast<double>(bytes);
    qualities += ratio >= 1 ? format.chosen
                            : std::max<double>(format.lowest,
                                               QualityWithin(format.curve, format.chosen, ratio));
    ++written;
  }
  forecast.averageQuality = written > 0 ? static_cast<int>(std::lround(qualities / written)) : 0;
  return forecast;
}
