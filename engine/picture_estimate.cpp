#include "engine/picture_estimate.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

#include "base/show_message.h"
#include "engine/encoders.h"
#include "engine/entry_job.h"
#include "engine/entry_output.h"
#include "engine/pipeline.h"
#include "imagelib/atomic_output.h"
#include "imagelib/picture_store.h"

namespace {

// The reduced copy is this many times smaller on each side than the output, and a second one
// twice smaller again, so that the rate at which the bytes grow with the pixels is measured.
constexpr std::int64_t kReduction = 4;
// Outputs of up to this many pixels are converted whole: their reduced copies would be too
// small to tell their bytes, and the whole conversion costs little.
constexpr std::int64_t kMostWholePixels = 512 * 384;
// The copy whose file holds little more than what every file carries (headers, Exif).
constexpr PixelSize kFixedPartSize{8, 8};
// The JPEG quality the size cap's search ends at (JPG_TYPE is a compression percentage).
constexpr int kLowestJpegCompression = 99;
constexpr std::int64_t kBytesPerKilobyte = 1000;

std::int64_t Pixels(PixelSize size) {
  return size.width * size.height;
}

PixelSize Reduced(PixelSize size, std::int64_t by) {
  return {std::max<std::int64_t>(1, (size.width + by / 2) / by),
          std::max<std::int64_t>(1, (size.height + by / 2) / by)};
}

PictureSize AsPictureSize(PixelSize size) {
  return {static_cast<int>(std::min<std::int64_t>(size.width, INT32_MAX)),
          static_cast<int>(std::min<std::int64_t>(size.height, INT32_MAX))};
}

// The output's size for a picture that keeps its shape as loaded.
PixelSize OutputOf(PixelSize shown, const PictureRecord& target) {
  return target.RESIZE_TYPE != 0 ? ResizedSize(shown, target) : shown;
}

// True when the run's output may be made of the source's own bytes (KEEP_SMALLER's copy, JPEG
// XL's recompression of a JPEG), which only the whole conversion tells.
bool MayUseSourceBytes(const PictureRecord& target, PixelSize shown) {
  const bool unchanged = target.FILTER_TYPE == 0 && OutputOf(shown, target) == shown;
  return unchanged &&
         (target.KEEP_SMALLER != 0 || (target.DIB_TYPE == kFormatJxl && target.JXL_FROM_JPEG != 0));
}

bool ConvertsWhole(const PictureRecord& target, PixelSize shown) {
  return !IsPictureFormat(target.DIB_TYPE) || !KeepsShapeAsLoaded(target) ||
         Pixels(OutputOf(shown, target)) <= kMostWholePixels || MayUseSourceBytes(target, shown);
}

// The decode size: the run's own for a whole conversion, just over the reduced copy's otherwise.
ResizedSizeRule DecodedFor(const PictureRecord& target) {
  return [target, run = ResizeOnLoad(target)](PictureSize shown) {
    const PixelSize size{shown.width, shown.height};
    if (ConvertsWhole(target, size)) return run ? run(shown) : shown;
    // The decoder gives at least twice the size asked for.
    return AsPictureSize(Reduced(OutputOf(size, target), 2 * kReduction));
  };
}

std::string Joined(std::vector<std::string> texts, const std::string& last) {
  if (!last.empty()) texts.push_back(last);
  std::string joined;
  for (const std::string& text : texts) joined += (joined.empty() ? "" : "\n") + text;
  return joined;
}

// The bytes of one conversion of a copy of `picture` at `size`; nothing when it failed.
struct Trial {
  std::int64_t pixels = 0;
  std::int64_t bytes = 0;
};

std::optional<Trial> Convert(const PictureRecord& source, const PictureRecord& settings,
                             PictureHandle picture, PixelSize size) {
  const imagelib::Picture* original = imagelib::FindPicture(picture);
  if (original == nullptr) return std::nullopt;
  PictureHandle copy = imagelib::StorePicture(std::make_unique<imagelib::Picture>(*original));
  BitmapInfoHeader header{};
  GetPictureHeader(copy, &header);
  if (PixelSize{header.biWidth, header.biHeight} != size) {
    const PictureSize to = AsPictureSize(size);
    if (ResizePicture(copy, to.width, to.height) == 0) {
      ReleasePicture(copy);
      return std::nullopt;
    }
  }
  if (ConvertLoadedWith(source, settings, copy) == 0) return std::nullopt;
  const std::optional<std::uint64_t> written = imagelib::WrittenSize(settings.path);
  if (!written) return std::nullopt;
  return Trial{Pixels(size), static_cast<std::int64_t>(*written)};
}

// The output's bytes from a reduced copy, a copy half its size and the fixed part: the fixed
// part plus the picture's share, grown from the larger copy's to the output's pixels at the
// rate it grew between the two copies (between a line drawing's, with the square root of the
// pixels, and noise's, with the pixels).
std::optional<std::int64_t> Predicted(const PictureRecord& source, const PictureRecord& settings,
                                      PictureHandle reduced, PixelSize reducedSize,
                                      PixelSize output) {
  const auto large = Convert(source, settings, reduced, reducedSize);
  const auto small = Convert(source, settings, reduced, Reduced(reducedSize, 2));
  const auto fixed = Convert(source, settings, reduced, kFixedPartSize);
  if (!large || !small || !fixed) return std::nullopt;
  const double largeShare = static_cast<double>(large->bytes - fixed->bytes);
  const double smallShare = static_cast<double>(small->bytes - fixed->bytes);
  double rate = 1.0;
  if (largeShare > 0 && smallShare > 0 && large->pixels > small->pixels) {
    rate = std::clamp(std::log(largeShare / smallShare) /
                          std::log(static_cast<double>(large->pixels) / small->pixels),
                      0.5, 1.0);
  }
  const double grown = std::max(largeShare, 0.0) *
                       std::pow(static_cast<double>(Pixels(output)) / large->pixels, rate);
  return fixed->bytes + static_cast<std::int64_t>(std::llround(grown));
}

void ConvertWhole(const PictureRecord& source, const PictureRecord& target, PictureHandle& slot,
                  PictureEstimate& estimate, MessageCapture& capture) {
  PixelSize written{};
  std::string failure;
  const int saved = ConvertLoadedWith(source, target, slot, &written, &failure);
  if (saved == 0) {
    const std::string missing = ConversionFailure(source.path);
    estimate.failure = Joined(capture.Take(), missing.empty() ? failure : missing);
    return;
  }
  estimate.output = written;
  estimate.bytes = static_cast<std::int64_t>(imagelib::WrittenSize(target.path).value_or(0));
  estimate.bytesExact = true;
  estimate.overSizeCap = saved == kSavedOverCap;
}

void Predict(const PictureRecord& source, const PictureRecord& target, PictureHandle slot,
             PictureEstimate& estimate, MessageCapture& capture) {
  estimate.output = OutputOf(estimate.source, target);
  const PixelSize reducedSize = Reduced(estimate.output, kReduction);
  // Reduced once, so that its copies are small.
  const PictureSize reduced = AsPictureSize(reducedSize);
  if (ResizePicture(slot, reduced.width, reduced.height) == 0) {
    estimate.failure = Joined(capture.Take(), LastFailureReason());
    return;
  }
  // The copies are converted as they are: no resize, no size cap, no copy of the source.
  PictureRecord settings = target;
  settings.RESIZE_TYPE = 0;
  settings.JPG_MAX_KB = 0;
  settings.KEEP_SMALLER = 0;
  settings.JXL_FROM_JPEG = 0;
  std::optional<std::int64_t> bytes =
      Predicted(source, settings, slot, reducedSize, estimate.output);
  const std::int64_t cap = std::int64_t{target.JPG_MAX_KB} * kBytesPerKilobyte;
  if (bytes && target.DIB_TYPE == kFormatJpeg && cap > 0 && *bytes > cap) {
    // The run lowers the quality until the file fits: at most the cap, unless even the lowest
    // quality's file is larger.
    settings.JPG_TYPE = kLowestJpegCompression;
    const std::optional<std::int64_t> lowest =
        Predicted(source, settings, slot, reducedSize, estimate.output);
    estimate.overSizeCap = lowest && *lowest > cap;
    bytes = estimate.overSizeCap ? lowest : cap;
  }
  if (!bytes) {
    estimate.failure = Joined(capture.Take(), LastFailureReason());
    return;
  }
  estimate.bytes = *bytes;
}

}  // namespace

PictureEstimate EstimatePicture(const PictureRecord& source, const PictureRecord& target) {
  PictureEstimate estimate;
  MessageCapture capture;
  // Every output goes when this ends, never renamed to its target.
  imagelib::OutputStaging staging;
  PictureHandle slot = 0;
  if (!LoadForConversion(source, target, slot, DecodedFor(target))) {
    ShowLoadFailure(source);
    estimate.failure = Joined(capture.Take(), ConversionFailure(source.path));
    return estimate;
  }
  ScopedPicture loaded(slot);
  PictureSize shown{};
  GetSourceSize(slot, &shown);
  estimate.source = {shown.width, shown.height};
  if (IsAnimated(target)) {
    // Its frames make one file: their sizes are told, its bytes are not.
    if (KeepsShapeAsLoaded(target)) estimate.output = OutputOf(estimate.source, target);
    return estimate;
  }
  if (ConvertsWhole(target, estimate.source)) {
    ConvertWhole(source, target, slot, estimate, capture);
    // The conversion released the picture.
    loaded.Release();
    return estimate;
  }
  Predict(source, target, slot, estimate, capture);
  return estimate;
}
