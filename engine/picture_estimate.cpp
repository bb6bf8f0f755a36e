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

// Larger outputs are sampled: tiles of this many of the output's rows (JPEG codes 16 at a time)
// and a quarter of its width, spread over it row by row and column by column, one sixteenth
// of its pixels, are converted together as one picture, one tile under the other. They keep the
// output's detail and noise, which a reduced copy would lose.
constexpr std::int64_t kTileRows = 64;
constexpr std::int64_t kMostTileColumns = 4;
constexpr std::int64_t kNarrowestTile = 256;
constexpr std::int64_t kSampledShare = 16;
constexpr std::int64_t kFewestTiles = 4;
// Outputs of up to this many pixels, or rows, are converted whole: their samples would be too
// small to tell their bytes, and the whole conversion costs little.
constexpr std::int64_t kMostWholePixels = 512 * 384;
constexpr std::int64_t kMostWholeRows = 4 * kTileRows;
// The copy whose file holds little more than what every file carries (headers, Exif).
constexpr PixelSize kFixedPartSize{8, 8};
// The JPEG quality the size cap's search ends at (JPG_TYPE is a compression percentage).
constexpr int kLowestJpegCompression = 99;
constexpr std::int64_t kBytesPerKilobyte = 1000;

std::int64_t Pixels(PixelSize size) {
  return size.width * size.height;
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

bool ConvertsWhole(const PictureRecord& target, PixelSize shown, const imagelib::Picture& loaded) {
  const PixelSize output = OutputOf(shown, target);
  return !IsPictureFormat(target.DIB_TYPE) || !KeepsShapeAsLoaded(target) ||
         Pixels(output) <= kMostWholePixels || output.height <= kMostWholeRows ||
         MayUseSourceBytes(target, shown) || loaded.IsCompressed() || loaded.bitsPerPixel % 8 != 0;
}

std::string Joined(std::vector<std::string> texts, const std::string& last) {
  if (!last.empty()) texts.push_back(last);
  std::string joined;
  for (const std::string& text : texts) joined += (joined.empty() ? "" : "\n") + text;
  return joined;
}

// The sample: the loaded picture's parts that become the tiles, one under the other.
struct Sample {
  imagelib::Picture rows;
  // The size in the output they become.
  PixelSize output{0, 0};
};

Sample SampleOf(const imagelib::Picture& loaded, PixelSize output) {
  const std::int64_t columns =
      std::clamp<std::int64_t>(output.width / kNarrowestTile, 1, kMostTileColumns);
  const std::int64_t tiles =
      std::max(kFewestTiles, output.height * columns / (kTileRows * kSampledShare));
  // A whole number of JPEG's 16-pixel blocks, so that no tile's edge is padded.
  const std::int64_t tileWidth = std::max<std::int64_t>(1, output.width / columns / 16 * 16);
  // The same width in the loaded picture for every tile.
  const std::int64_t width = std::max<std::int64_t>(1, tileWidth * loaded.width / output.width);
  Sample sample;
  imagelib::Picture& rows = sample.rows;
  rows.width = static_cast<int>(width);
  rows.bitsPerPixel = loaded.bitsPerPixel;
  rows.palette = loaded.palette;
  const std::size_t pixelBytes = static_cast<std::size_t>(loaded.bitsPerPixel / 8);
  for (std::int64_t tile = 0; tile < tiles; ++tile) {
    // In the middle of its share of the output's height, on a multiple of the tile's; the
    // columns taken in turn.
    const std::int64_t first =
        std::min((2 * tile + 1) * output.height / (2 * tiles) / kTileRows * kTileRows,
                 output.height - kTileRows);
    const auto top = static_cast<int>(first * loaded.height / output.height);
    const auto bottom =
        std::max(top + 1, static_cast<int>((first + kTileRows) * loaded.height / output.height));
    const std::int64_t left =
        std::min((tile % columns) * tileWidth * loaded.width / output.width, loaded.width - width);
    for (int y = top; y < bottom; ++y) {
      const std::uint8_t* row = loaded.Row(y) + static_cast<std::size_t>(left) * pixelBytes;
      rows.pixels.insert(rows.pixels.end(), row,
                         row + static_cast<std::size_t>(width) * pixelBytes);
      rows.pixels.resize(rows.pixels.size() + rows.Stride() -
                         static_cast<std::size_t>(width) * pixelBytes);
      if (!loaded.alpha.empty()) {
        const auto opacity =
            loaded.alpha.begin() +
            static_cast<std::ptrdiff_t>(static_cast<std::int64_t>(y) * loaded.width + left);
        rows.alpha.insert(rows.alpha.end(), opacity, opacity + width);
      }
    }
    rows.height += bottom - top;
  }
  sample.output = {tileWidth, tiles * kTileRows};
  return sample;
}

// The bytes of `picture` brought to `size` and converted with `settings`; nothing when that
// failed.
std::optional<std::int64_t> ConvertedBytes(const PictureRecord& source,
                                           const PictureRecord& settings,
                                           const imagelib::Picture& picture, PixelSize size) {
  PictureHandle copy = imagelib::StorePicture(std::make_unique<imagelib::Picture>(picture));
  if (PixelSize{picture.width, picture.height} != size) {
    const PictureSize to = AsPictureSize(size);
    if (ResizePicture(copy, to.width, to.height) == 0) {
      ReleasePicture(copy);
      return std::nullopt;
    }
  }
  // The conversion releases the copy.
  if (ConvertLoadedWith(source, settings, copy) == 0) return std::nullopt;
  const std::optional<std::uint64_t> written = imagelib::WrittenSize(settings.path);
  if (!written) return std::nullopt;
  return static_cast<std::int64_t>(*written);
}

// The output's bytes: what every file carries (the fixed part's) and the tiles' share of the
// rest, for all the output's pixels.
std::optional<std::int64_t> Predicted(const PictureRecord& source, const PictureRecord& settings,
                                      const Sample& sample, PixelSize output) {
  const auto tiles = ConvertedBytes(source, settings, sample.rows, sample.output);
  const auto fixed = ConvertedBytes(source, settings, sample.rows, kFixedPartSize);
  if (!tiles || !fixed) return std::nullopt;
  const double share = static_cast<double>(std::max<std::int64_t>(*tiles - *fixed, 0));
  return *fixed + std::llround(share * static_cast<double>(Pixels(output)) /
                               static_cast<double>(Pixels(sample.output)));
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

void Predict(const PictureRecord& source, const PictureRecord& target,
             const imagelib::Picture& loaded, PictureEstimate& estimate, MessageCapture& capture) {
  estimate.output = OutputOf(estimate.source, target);
  const Sample sample = SampleOf(loaded, estimate.output);
  // The sample is converted as it is: no resize of the run's, no size cap, no copy of the source.
  PictureRecord settings = target;
  settings.RESIZE_TYPE = 0;
  settings.JPG_MAX_KB = 0;
  settings.KEEP_SMALLER = 0;
  settings.JXL_FROM_JPEG = 0;
  std::optional<std::int64_t> bytes = Predicted(source, settings, sample, estimate.output);
  const std::int64_t cap = std::int64_t{target.JPG_MAX_KB} * kBytesPerKilobyte;
  if (bytes && target.DIB_TYPE == kFormatJpeg && cap > 0 && *bytes > cap) {
    // The run lowers the quality until the file fits: at most the cap, unless even the lowest
    // quality's file is larger.
    settings.JPG_TYPE = kLowestJpegCompression;
    const std::optional<std::int64_t> lowest = Predicted(source, settings, sample, estimate.output);
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
  // Loaded as the run loads it: the same decode, the same picture before its resize.
  PictureHandle slot = 0;
  if (!LoadForConversion(source, target, slot)) {
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
  const imagelib::Picture& picture = *imagelib::FindPicture(slot);
  if (!ConvertsWhole(target, estimate.source, picture)) {
    Predict(source, target, picture, estimate, capture);
    return estimate;
  }
  // The conversion releases the picture.
  loaded.Release();
  ConvertWhole(source, target, slot, estimate, capture);
  return estimate;
}
