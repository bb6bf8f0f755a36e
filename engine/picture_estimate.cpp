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

// Larger outputs are sampled: strips of this many of the output's rows (a whole number of the
// 16-row blocks of JPEG and WebP), one tenth of its rows in at least two strips, spread over its
// height, are converted together as one picture, one under the other. They keep the output's
// detail and noise, which a reduced copy would lose; across the whole width, they see every
// column of a screenshot or a drawing. Strips of fewer rows would add more seams, which cost
// encoders that predict a row from the one above.
constexpr std::int64_t kStripRows = 64;
constexpr std::int64_t kSampledShare = 10;
constexpr std::int64_t kFewestStrips = 2;
// The AV1 encoder codes a picture whose sides both reach about 480 pixels more cheaply (a crop
// of a smooth photo 448 rows high took a quarter more bytes a row than one 480 rows high): an
// AVIF output whose sides reach this many is sampled by pieces of its strips at least this wide,
// one under the other, at least as many rows of them, so that the sample is coded as the output
// is.
constexpr std::int64_t kAvifLargeSide = 512;
// Outputs of up to this many pixels, or rows, are converted whole: their samples would be too
// small to tell their bytes, and the whole conversion costs little.
constexpr std::int64_t kMostWholePixels = 512 * 384;
constexpr std::int64_t kMostWholeRows = 4 * kStripRows;
// The corner whose file holds little more than what every file carries (headers, Exif).
constexpr int kFixedPartSide = 8;
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

// True when the output of a picture of this size is converted whole, whatever its pixels.
bool ConvertsWhole(const PictureRecord& target, PixelSize shown) {
  const PixelSize output = OutputOf(shown, target);
  return !IsPictureFormat(target.DIB_TYPE) || !KeepsShapeAsLoaded(target) ||
         Pixels(output) <= kMostWholePixels || output.height <= kMostWholeRows ||
         MayUseSourceBytes(target, shown);
}

bool ConvertsWhole(const PictureRecord& target, PixelSize shown, const imagelib::Picture& loaded) {
  return ConvertsWhole(target, shown) || loaded.IsCompressed() || loaded.bitsPerPixel % 8 != 0;
}

std::string Joined(std::vector<std::string> texts, const std::string& last) {
  if (!last.empty()) texts.push_back(last);
  std::string joined;
  for (const std::string& text : texts) joined += (joined.empty() ? "" : "\n") + text;
  return joined;
}

// The sample: the loaded picture's pieces that become the strips, one under the other.
struct Sample {
  imagelib::Picture rows;
  // The size in the output they become.
  PixelSize output{0, 0};
};

// The loaded rows of `count` strips of the output's rows, spread over its height: each in the
// middle of its share of the height, on a multiple of the strip's rows.
std::vector<imagelib::RowRange> StripRowsOf(std::int64_t outputRows, std::int64_t loadedRows,
                                            std::int64_t count) {
  std::vector<imagelib::RowRange> strips;
  for (std::int64_t piece = 0; piece < count; ++piece) {
    const std::int64_t first =
        std::min((2 * piece + 1) * outputRows / (2 * count) / kStripRows * kStripRows,
                 outputRows - kStripRows);
    const auto top = static_cast<int>(first * loadedRows / outputRows);
    const auto bottom =
        std::max(top + 1, static_cast<int>((first + kStripRows) * loadedRows / outputRows));
    strips.push_back({top, bottom});
  }
  return strips;
}

// `count` pieces `width` of the output's pixels wide, spread over its height and, when narrower
// than it, over its width column by column.
Sample SampleOf(const imagelib::Picture& loaded, PixelSize output, std::int64_t count,
                std::int64_t width) {
  const std::int64_t loadedWidth = std::max<std::int64_t>(1, width * loaded.width / output.width);
  const std::int64_t columns = std::max<std::int64_t>(1, output.width / width);
  const auto pixelBytes = static_cast<std::size_t>(loaded.bitsPerPixel / 8);
  const std::size_t rowBytes = static_cast<std::size_t>(loadedWidth) * pixelBytes;
  Sample sample;
  imagelib::Picture& rows = sample.rows;
  rows.width = static_cast<int>(loadedWidth);
  rows.bitsPerPixel = loaded.bitsPerPixel;
  rows.palette = loaded.palette;
  std::int64_t piece = 0;
  for (const imagelib::RowRange strip : StripRowsOf(output.height, loaded.height, count)) {
    const std::int64_t left = std::min((piece++ % columns) * width * loaded.width / output.width,
                                       loaded.width - loadedWidth);
    for (int y = strip.top; y < strip.bottom; ++y) {
      const std::uint8_t* row = loaded.Row(y) + static_cast<std::size_t>(left) * pixelBytes;
      rows.pixels.insert(rows.pixels.end(), row, row + rowBytes);
      rows.pixels.resize(rows.pixels.size() + rows.Stride() - rowBytes);
      if (!loaded.alpha.empty()) {
        const auto opacity =
            loaded.alpha.begin() +
            static_cast<std::ptrdiff_t>(static_cast<std::int64_t>(y) * loaded.width + left);
        rows.alpha.insert(rows.alpha.end(), opacity, opacity + loadedWidth);
      }
    }
    rows.height += strip.bottom - strip.top;
  }
  sample.output = {width, count * kStripRows};
  return sample;
}

// `strips` full-width strips of `loaded`, which becomes `loadedOutput` of the output; for a
// large AVIF output as many pixels in pieces, but at least enough for them to be as high as they
// are wide. The pieces split the width into equal columns at least kAvifLargeSide wide, each
// taken as often: columns of a fixed width would leave the right edge out, and pieces shared
// unevenly among them weigh some parts of the width more (a screenshot's text, say).
Sample SampleFor(const imagelib::Picture& loaded, PixelSize loadedOutput, PixelSize output,
                 const PictureRecord& target, std::int64_t strips) {
  if (target.DIB_TYPE != kFormatAvif || std::min(output.width, output.height) < kAvifLargeSide) {
    return SampleOf(loaded, loadedOutput, strips, loadedOutput.width);
  }
  const std::int64_t columns = std::max<std::int64_t>(1, loadedOutput.width / kAvifLargeSide);
  const std::int64_t pieces =
      std::max(kAvifLargeSide / kStripRows, strips * loadedOutput.width / kAvifLargeSide);
  return SampleOf(loaded, loadedOutput, (pieces + columns - 1) / columns * columns,
                  loadedOutput.width / columns);
}

// The picture's top left corner, at most `side` pixels square: cut, not reduced, as reducing a
// large sample to a few pixels would cost more than converting it.
imagelib::Picture CornerOf(const imagelib::Picture& picture, int side) {
  imagelib::Picture corner;
  corner.width = std::min(side, picture.width);
  corner.height = std::min(side, picture.height);
  corner.bitsPerPixel = picture.bitsPerPixel;
  corner.palette = picture.palette;
  const std::size_t rowBytes = corner.Stride();
  for (int y = 0; y < corner.height; ++y) {
    corner.pixels.insert(corner.pixels.end(), picture.Row(y), picture.Row(y) + rowBytes);
    if (picture.HasAlpha()) {
      corner.alpha.insert(corner.alpha.end(), picture.AlphaRow(y),
                          picture.AlphaRow(y) + corner.width);
    }
  }
  return corner;
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

// The output's bytes: what every file carries (the fixed part's) and the rest of the sample's,
// which hold `coverage` of the output's.
std::optional<std::int64_t> Predicted(const PictureRecord& source, const PictureRecord& settings,
                                      const Sample& sample, double coverage) {
  const auto strips = ConvertedBytes(source, settings, sample.rows, sample.output);
  const imagelib::Picture corner = CornerOf(sample.rows, kFixedPartSide);
  const auto fixed = ConvertedBytes(source, settings, corner, {corner.width, corner.height});
  if (!strips || !fixed) return std::nullopt;
  const double share = static_cast<double>(std::max<std::int64_t>(*strips - *fixed, 0));
  return *fixed + std::llround(share / coverage);
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

// The estimate's bytes predicted from a sample that holds `coverage` of the output's.
void Predict(const PictureRecord& source, const PictureRecord& target, const Sample& sample,
             double coverage, PictureEstimate& estimate, MessageCapture& capture) {
  // The sample is converted as it is: no resize of the run's, no size cap, no copy of the source.
  PictureRecord settings = target;
  settings.RESIZE_TYPE = 0;
  settings.JPG_MAX_KB = 0;
  settings.KEEP_SMALLER = 0;
  settings.JXL_FROM_JPEG = 0;
  std::optional<std::int64_t> bytes = Predicted(source, settings, sample, coverage);
  const std::int64_t cap = std::int64_t{target.JPG_MAX_KB} * kBytesPerKilobyte;
  if (bytes && target.DIB_TYPE == kFormatJpeg && cap > 0 && *bytes > cap) {
    // The run lowers the quality until the file fits: at most the cap, unless even the lowest
    // quality's file is larger.
    settings.JPG_TYPE = kLowestJpegCompression;
    const std::optional<std::int64_t> lowest = Predicted(source, settings, sample, coverage);
    estimate.overSizeCap = lowest && *lowest > cap;
    bytes = estimate.overSizeCap ? lowest : cap;
  }
  if (!bytes) {
    estimate.failure = Joined(capture.Take(), LastFailureReason());
    return;
  }
  estimate.bytes = *bytes;
}

// The full-width strips a large output is predicted from: a tenth of its rows.
std::int64_t StripCount(PixelSize output) {
  return std::max(kFewestStrips, output.height / (kStripRows * kSampledShare));
}

// The estimate's bytes predicted from the sample of `strips` strips of `loaded`, which becomes
// `loadedOutput` of estimate.output: the output's whole picture, or the rows of those strips.
void PredictFromStrips(const PictureRecord& source, const PictureRecord& target,
                       const imagelib::Picture& loaded, PixelSize loadedOutput, std::int64_t strips,
                       PictureEstimate& estimate, MessageCapture& capture) {
  const Sample sample = SampleFor(loaded, loadedOutput, estimate.output, target, strips);
  Predict(source, target, sample,
          static_cast<double>(Pixels(sample.output)) / static_cast<double>(Pixels(estimate.output)),
          estimate, capture);
}

// A large output of a file whose strips decode alone (a JPEG's), predicted from them without
// decoding the rows between: they are the rows the whole picture's sample would take, or its
// columns when the file turns it a quarter. Not for such a picture's AVIF output, sampled in
// square pieces, nor for a narrow one. False, with nothing measured, when the file has no
// strips or its output is converted whole.
bool PredictFromDecodedStrips(const PictureRecord& source, const PictureRecord& target,
                              PictureEstimate& estimate, MessageCapture& capture) {
  if (!IsPictureFormat(target.DIB_TYPE) || !KeepsShapeAsLoaded(target)) return false;
  PixelSize output{0, 0};
  PixelSize stripsOutput{0, 0};
  const std::optional<imagelib::PictureStrips> strips =
      LoadStripsForConversion(source, target, [&](PictureSize shown, bool turned, int rows) {
        const PixelSize size{shown.width, shown.height};
        if (ConvertsWhole(target, size)) return std::vector<imagelib::RowRange>{};
        output = OutputOf(size, target);
        const PixelSize stored = turned ? PixelSize{output.height, output.width} : output;
        if (turned && (target.DIB_TYPE == kFormatAvif || stored.height <= kMostWholeRows)) {
          return std::vector<imagelib::RowRange>{};
        }
        const std::int64_t count = StripCount(stored);
        stripsOutput = turned ? PixelSize{count * kStripRows, output.height}
                              : PixelSize{output.width, count * kStripRows};
        return StripRowsOf(stored.height, rows, count);
      });
  if (!strips) return false;
  estimate.source = {strips->shown.width, strips->shown.height};
  estimate.output = output;
  // The strips together are the picture of an output of their rows (or columns), all sampled.
  PredictFromStrips(source, target, *strips->rows, stripsOutput, stripsOutput.height / kStripRows,
                    estimate, capture);
  return true;
}

}  // namespace

PictureEstimate EstimatePicture(const PictureRecord& source, const PictureRecord& target) {
  PictureEstimate estimate;
  MessageCapture capture;
  // Every output goes when this ends, never renamed to its target.
  imagelib::OutputStaging staging(imagelib::OutputStaging::Use::kMeasuredOnly);
  if (!IsAnimated(target) && PredictFromDecodedStrips(source, target, estimate, capture)) {
    return estimate;
  }
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
    estimate.output = OutputOf(estimate.source, target);
    PredictFromStrips(source, target, picture, estimate.output, StripCount(estimate.output),
                      estimate, capture);
    return estimate;
  }
  // The conversion releases the picture.
  loaded.Release();
  ConvertWhole(source, target, slot, estimate, capture);
  return estimate;
}
