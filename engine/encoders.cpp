#include "engine/encoders.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

#include "engine/colour_numbers.h"
#include "engine/table_art.h"

namespace {

enum BmpDepth {
  kBmp24 = 0,
  kBmp16 = 1,
  kBmp8 = 2,
  kBmp8Rle = 3,
};

// The transparency flag and colour shared by single and animated GIFs.
struct GifTransparency {
  std::uint32_t flags = 0;
  ColourRef colour = 0;
};

GifTransparency TransparencyOf(const PictureRecord& target) {
  GifTransparency result;
  ColourRef colour = ColourByNumber(target.GIF_COLOR);
  if (target.GIF_COLOR != 0) {
    result.flags |= kGifFlagTransparent;
    result.colour = colour;
  }
  if (target.GIF_PRO != 0) result.flags |= kGifFlagInterlace;
  return result;
}

}  // namespace

int WriteBmp(PictureHandle picture, const char* path, const PictureRecord& target) {
  switch (target.BMP_TYPE) {
    case kBmp24:
      ConvertTo24Bit(picture);
      break;
    case kBmp16:
      ConvertTo16Bit(picture, 0, 0);
      break;
    case kBmp8:
      ConvertTo8Bit(picture, 0, 0);
      break;
    case kBmp8Rle:
      ConvertTo8Bit(picture, 0, 0);
      CompressRle(picture);
      break;
    default:  // Written as the pipeline left it.
      break;
  }
  return SaveBmp(path, picture);
}

namespace {

// The most bytes a file may take: its share of the run's budget and, for a JPEG, the size cap,
// whichever is smaller; 0 for no limit.
std::uint64_t ByteCap(const PictureRecord& target, bool jpeg) {
  // A kilobyte of the cap is 1000 bytes, so that a file under it is under a site's limit
  // whichever kilobyte the site counts.
  constexpr std::uint64_t kBytesPerKilobyte = 1000;
  const std::uint64_t sizeCap =
      jpeg && target.JPG_MAX_KB > 0
          ? static_cast<std::uint64_t>(target.JPG_MAX_KB) * kBytesPerKilobyte
          : 0;
  const std::uint64_t share =
      target.budgetShare > 0 ? static_cast<std::uint64_t>(target.budgetShare) : 0;
  if (sizeCap == 0 || share == 0) return std::max(sizeCap, share);
  return std::min(sizeCap, share);
}

// A capped save's value as the run counts it.
int SavedWithin(int saved) {
  return saved == kOverCap ? kSavedOverCap : saved;
}

}  // namespace

int WriteJpeg(PictureHandle picture, const char* path, const PictureRecord& target) {
  // JPG_TYPE is a compression percentage; the library wants a quality.
  const int quality = 100 - target.JPG_TYPE;
  const std::uint64_t cap = ByteCap(target, true);
  if (cap == 0) return SaveJpeg(path, picture, quality, target.JPG_PRO);
  return SavedWithin(SaveJpegWithin(path, picture, quality, target.JPG_PRO, cap));
}

int WritePng(PictureHandle picture, const char* path, const PictureRecord& target) {
  PngOptions options{};
  options.flags = kPngFlagAlways | kPngFlagBitValue;
  if (target.PNG_PRO != 0) options.flags |= kPngFlagInterlace;
  options.bitValue = 8;
  options.depthValue = 8;
  return SavePng(path, picture, &options);
}

int WriteGif(PictureHandle picture, const char* path, const PictureRecord& target) {
  GifTransparency transparency = TransparencyOf(target);
  GifOptions options{};
  options.flags = transparency.flags;
  options.transparent = transparency.colour;
  return SaveGif(path, picture, &options);
}

int WriteHtm(PictureHandle picture, const char* path, const PictureRecord& target) {
  BitmapInfoHeader header{};
  if (!GetPictureHeader(picture, &header)) return 0;
  return WriteTableArt(picture, path, header.biWidth, header.biHeight, target.HTM_TYPE + 1);
}

int WriteWebp(PictureHandle picture, const char* path, const PictureRecord& target) {
  // A lossless file has no quality to trade for bytes.
  const std::uint64_t cap = target.WEBP_LOSSLESS != 0 ? 0 : ByteCap(target, false);
  if (cap == 0) return SaveWebp(path, picture, target.WEBP_QUALITY, target.WEBP_LOSSLESS);
  return SavedWithin(SaveWebpWithin(path, picture, target.WEBP_QUALITY, cap));
}

int WriteAvif(PictureHandle picture, const char* path, const PictureRecord& target) {
  const std::uint64_t cap = ByteCap(target, false);
  if (cap == 0) return SaveAvif(path, picture, target.AVIF_QUALITY, target.AVIF_SPEED);
  return SavedWithin(SaveAvifWithin(path, picture, target.AVIF_QUALITY, target.AVIF_SPEED, cap));
}

int WriteJxl(PictureHandle picture, const char* path, const PictureRecord& target) {
  return SaveJxl(path, picture, target.JXL_QUALITY, target.JXL_EFFORT + 1, target.JXL_LOSSLESS);
}

namespace {

// The record of one frame of the animated GIF.
AnimationFrame AnimationRecord(PictureHandle picture, const PictureRecord& target) {
  GifTransparency transparency = TransparencyOf(target);
  AnimationFrame record{};
  record.flags = kGifFlagFrameValid | transparency.flags;
  record.transparent = transparency.colour;
  record.frameValue = 2;
  // Settings are stored unchecked, so an absurd delay is held to what the record can carry.
  record.delayMs = static_cast<std::uint16_t>(
      std::clamp<std::int64_t>(target.GIF_SPEED * INT64_C(10), 0, 65535));
  record.picture = picture;
  return record;
}

}  // namespace

int WriteAnimatedGif(const PictureHandle* frames, int count, const char* path,
                     const PictureRecord& target) {
  std::vector<AnimationFrame> records;
  for (int i = 0; i < count; ++i) records.push_back(AnimationRecord(frames[i], target));
  return SaveAnimatedGif(path, records.data(), count, 0);
}

std::optional<imagelib::CodedGifFrame> CodeFrame(PictureHandle picture,
                                                 const PictureRecord& target) {
  if (target.DIB_TYPE != kFormatGif) return std::nullopt;
  return imagelib::CodeAnimationFrame(AnimationRecord(picture, target));
}

int SaveCodedAnimation(std::span<const imagelib::CodedGifFrame> frames,
                       const PictureRecord& target) {
  if (target.DIB_TYPE != kFormatGif) return 0;
  return imagelib::WriteCodedAnimation(target.path, frames) ? 1 : 0;
}

namespace {

// The writer of each written row of kOutputFormats, in its order, and what its files keep.
struct OutputWriter {
  int format;
  int (*write)(PictureHandle, const char*, const PictureRecord&);
  bool storesAlpha;
  bool storesExif;
};

constexpr OutputWriter kWriters[] = {
    {kFormatBmp, WriteBmp, false, false}, {kFormatJpeg, WriteJpeg, false, true},
    {kFormatPng, WritePng, false, true},  {kFormatGif, WriteGif, false, false},
    {kFormatHtm, WriteHtm, false, false}, {kFormatWebp, WriteWebp, true, true},
    {kFormatAvif, WriteAvif, true, true}, {kFormatJxl, WriteJxl, true, true},
};

constexpr bool WritersMatchFormats() {
  for (std::size_t i = 0; i < std::size(kWriters); ++i) {
    if (kWriters[i].format != kOutputFormats[i].format) return false;
  }
  return std::size(kWriters) == WrittenFormatCount();
}
static_assert(WritersMatchFormats(), "one writer for each written format, in its order");

const OutputWriter* WriterOf(int format) {
  if (format < 0 || format >= static_cast<int>(std::size(kWriters))) return nullptr;
  return &kWriters[format];
}

}  // namespace

bool IsPictureFormat(int format) {
  return WriterOf(format) != nullptr && kOutputFormats[format].kind != kIdentifiedNone;
}

bool StoresAlpha(int format) {
  const OutputWriter* writer = WriterOf(format);
  return writer != nullptr && writer->storesAlpha;
}

bool StoresExif(int format) {
  const OutputWriter* writer = WriterOf(format);
  return writer != nullptr && writer->storesExif;
}

int SaveByFormat(PictureHandle picture, const PictureRecord& target) {
  const OutputWriter* writer = WriterOf(target.DIB_TYPE);
  return writer != nullptr ? writer->write(picture, target.path, target) : 0;
}

int SaveAnimation(std::span<const PictureHandle> frames, const PictureRecord& target) {
  if (target.DIB_TYPE != kFormatGif) return 0;
  return WriteAnimatedGif(frames.data(), static_cast<int>(frames.size()), target.path, target);
}

int SaveAnimation() {
  AppState* state = GetAppState();
  const auto count =
      static_cast<std::size_t>(std::clamp(state->paths->itemCount, 0, kFrameSlotCount));
  return SaveAnimation(std::span<const PictureHandle>(state->frameImages, count), *state->target);
}
