// JPEG XL files through libjxl: the still picture, or the first frame of an animation, turned
// and mirrored as the file says. Alpha shows over white (or is kept); the colours are brought to
// sRGB by libjxl itself for pictures stored in its own colour space (XYB: what lossy files
// hold), otherwise from the profile of the stored samples through our colour management. One
// thread, without libjxl's thread runner: the batch decodes one picture per core.
#include <algorithm>
#include <cstring>
#include <memory>

#include "imagelib/codec_support.h"
#include "imagelib/colour_management.h"
#include "imagelib/exif_editing.h"
#include "imagelib/failure_reason.h"
#include "imagelib/jxl_support.h"

namespace imagelib {
namespace {

// Lossless JPEG XL codes a plain picture in a few bytes, and patches repeat parts of it; a small
// file may hold a large plain picture, but not beyond this.
constexpr std::uint64_t kMostPixelsPerByte = 4096;

// Until the size is known, the headers need little; then a budget that grows with the
// picture's pixels: libjxl keeps the frame as 32-bit floating-point planes (alpha among them)
// with working room beside them.
constexpr std::size_t kHeaderBudget = std::size_t{64} << 20;
constexpr std::size_t kBudgetPerPixel = 40;

constexpr const char* kDamagedData = "JPEG XL の画像データが壊れています";

// Where the decoder's scanlines go: the picture's rows, through the colour conversion when
// the stored samples need one.
struct Destination {
  Picture* picture = nullptr;
  SrgbConversion* conversion = nullptr;  // RGB conversions only; grey ones come after
  int sampleBytes = 1;
  Bytes bgra;  // a scanline as B, G, R and alpha
};

void StoreScanline(void* opaque, std::size_t x, std::size_t y, std::size_t count,
                   const void* pixels) {
  auto& to = *static_cast<Destination*>(opaque);
  const auto* rgba = static_cast<const std::uint8_t*>(pixels);
  if (to.conversion != nullptr) {
    to.conversion->ConvertRgba(rgba, to.sampleBytes, to.bgra.data(), count);
  } else {
    for (std::size_t i = 0; i < count; ++i) {
      std::uint8_t* out = to.bgra.data() + 4 * i;
      out[0] = rgba[4 * i + 2];
      out[1] = rgba[4 * i + 1];
      out[2] = rgba[4 * i];
      out[3] = rgba[4 * i + 3];
    }
  }
  const int row = static_cast<int>(y);
  std::uint8_t* opacity = to.picture->AlphaRow(row);
  StoreBgraRow(to.bgra.data(), count, to.picture->Row(row) + 3 * x,
               opacity == nullptr ? nullptr : opacity + x);
}

// The colours of the samples the decoder hands out: sRGB for pictures in libjxl's own colour
// space, which it converts itself; otherwise the stored samples' profile.
ColourDescription DataColours(JxlDecoder* decoder, const JxlBasicInfo& info) {
  ColourDescription colours;
  if (!info.uses_original_profile) {
    JxlColorEncoding srgb;
    JxlColorEncodingSetToSRGB(&srgb, info.num_color_channels == 1 ? JXL_TRUE : JXL_FALSE);
    if (JxlDecoderSetPreferredColorProfile(decoder, &srgb) == JXL_DEC_SUCCESS) {
      colours.srgb = true;
      return colours;
    }
  }
  JxlColorEncoding encoding;
  if (JxlDecoderGetColorAsEncodedProfile(decoder, JXL_COLOR_PROFILE_TARGET_DATA, &encoding) ==
          JXL_DEC_SUCCESS &&
      encoding.color_space != JXL_COLOR_SPACE_UNKNOWN &&
      encoding.transfer_function == JXL_TRANSFER_FUNCTION_SRGB &&
      encoding.white_point == JXL_WHITE_POINT_D65 &&
      (encoding.color_space == JXL_COLOR_SPACE_GRAY || encoding.primaries == JXL_PRIMARIES_SRGB)) {
    colours.srgb = true;
    return colours;
  }
  std::size_t size = 0;
  if (JxlDecoderGetICCProfileSize(decoder, JXL_COLOR_PROFILE_TARGET_DATA, &size) !=
      JXL_DEC_SUCCESS) {
    return colours;
  }
  colours.iccProfile.resize(size);
  if (JxlDecoderGetColorAsICCProfile(decoder, JXL_COLOR_PROFILE_TARGET_DATA,
                                     colours.iccProfile.data(), size) != JXL_DEC_SUCCESS) {
    colours.iccProfile.clear();
  }
  return colours;
}

std::unique_ptr<Picture> Refused(const char* reason) {
  Refuse(reason);
  return nullptr;
}

}  // namespace

std::unique_ptr<Picture> DecodeJxl(ByteSpan data, AlphaUse alpha) {
  JxlMemoryBudget budget(kHeaderBudget);
  const JxlDecoderPtr decoder(JxlDecoderCreate(budget.Manager()));
  if (!decoder ||
      JxlDecoderSubscribeEvents(decoder.get(), JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING |
                                                   JXL_DEC_FULL_IMAGE) != JXL_DEC_SUCCESS ||
      JxlDecoderSetUnpremultiplyAlpha(decoder.get(), JXL_TRUE) != JXL_DEC_SUCCESS ||
      JxlDecoderSetInput(decoder.get(), data.data(), data.size()) != JXL_DEC_SUCCESS) {
    return Refused("JPEG XL の読み込みを始められませんでした");
  }
  JxlDecoderCloseInput(decoder.get());

  JxlBasicInfo info{};
  std::unique_ptr<Picture> picture;
  std::unique_ptr<SrgbConversion> conversion;
  Destination destination;
  // Only the first frame is decoded: the loop ends with it, and later frames are never read.
  for (;;) {
    switch (JxlDecoderProcessInput(decoder.get())) {
      case JXL_DEC_BASIC_INFO: {
        if (JxlDecoderGetBasicInfo(decoder.get(), &info) != JXL_DEC_SUCCESS) {
          return Refused(kDamagedData);
        }
        std::int64_t width = info.xsize;
        std::int64_t height = info.ysize;
        if (info.orientation >= JXL_ORIENT_TRANSPOSE) std::swap(width, height);
        if (!IsAcceptableSize(width, height)) {
          Refuse(TooLargeReason(width, height));
          return nullptr;
        }
        if (!IsPlausibleSize(width, height, data.size(), kMostPixelsPerByte)) {
          return Refused("JPEG XL の画像の大きさが画像データの量に見合わないため読めません");
        }
        const auto pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
        budget.SetLimit(kHeaderBudget + pixels * kBudgetPerPixel);
        picture = MakePicture(static_cast<int>(width), static_cast<int>(height), 24);
        if (info.alpha_bits > 0) AddAlphaPlane(*picture, alpha);
        break;
      }
      case JXL_DEC_COLOR_ENCODING:
        conversion = SrgbConversion::For(DataColours(decoder.get(), info));
        break;
      case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
        if (!picture) return Refused(kDamagedData);
        // Samples deeper than 8 bits keep their precision into an RGB conversion.
        const bool converts = conversion && !conversion->IsGrey();
        destination.picture = picture.get();
        destination.conversion = converts ? conversion.get() : nullptr;
        destination.sampleBytes = converts && info.bits_per_sample > 8 ? 2 : 1;
        destination.bgra.resize(4 * static_cast<std::size_t>(picture->width));
        const JxlPixelFormat format{4,
                                    destination.sampleBytes == 2 ? JXL_TYPE_UINT16 : JXL_TYPE_UINT8,
                                    JXL_NATIVE_ENDIAN, 0};
        if (JxlDecoderSetImageOutCallback(decoder.get(), &format, StoreScanline, &destination) !=
            JXL_DEC_SUCCESS) {
          return Refused(kDamagedData);
        }
        break;
      }
      case JXL_DEC_FULL_IMAGE:
        if (conversion && conversion->IsGrey()) conversion->Convert(*picture);
        return picture;
      case JXL_DEC_NEED_MORE_INPUT:
        return Refused("JPEG XL ファイルが途中で切れています");
      case JXL_DEC_ERROR:
        return Refused(picture
                           ? "JPEG XL の画像データが壊れているか、読むためのメモリーが足りません"
                           : "JPEG XL ファイルの構造が壊れています");
      default:
        return Refused(kDamagedData);
    }
  }
}

Bytes JxlExif(ByteSpan data) {
  // A bare codestream has no boxes.
  if (data.size() < 2 || (data[0] == 0xFF && data[1] == 0x0A)) return {};
  JxlMemoryBudget budget(kHeaderBudget);
  const JxlDecoderPtr decoder(JxlDecoderCreate(budget.Manager()));
  if (!decoder || JxlDecoderSubscribeEvents(decoder.get(), JXL_DEC_BOX) != JXL_DEC_SUCCESS ||
      JxlDecoderSetDecompressBoxes(decoder.get(), JXL_TRUE) != JXL_DEC_SUCCESS ||
      JxlDecoderSetInput(decoder.get(), data.data(), data.size()) != JXL_DEC_SUCCESS) {
    return {};
  }
  JxlDecoderCloseInput(decoder.get());
  // A compressed box may hold more than its bytes: the buffer grows, up to a bound.
  constexpr std::size_t kLargestExif = std::size_t{16} << 20;
  Bytes box;
  std::size_t filled = 0;
  bool inExif = false;
  for (;;) {
    const JxlDecoderStatus status = JxlDecoderProcessInput(decoder.get());
    if (status == JXL_DEC_BOX || status == JXL_DEC_SUCCESS) {
      if (inExif) {
        filled = box.size() - JxlDecoderReleaseBoxBuffer(decoder.get());
        break;
      }
      if (status == JXL_DEC_SUCCESS) return {};
      JxlBoxType type;
      if (JxlDecoderGetBoxType(decoder.get(), type, JXL_TRUE) != JXL_DEC_SUCCESS) return {};
      if (std::memcmp(type, "Exif", 4) != 0) continue;
      inExif = true;
      box.resize(64 << 10);
      if (JxlDecoderSetBoxBuffer(decoder.get(), box.data(), box.size()) != JXL_DEC_SUCCESS) {
        return {};
      }
    } else if (status == JXL_DEC_BOX_NEED_MORE_OUTPUT && inExif && box.size() < kLargestExif) {
      const std::size_t used = box.size() - JxlDecoderReleaseBoxBuffer(decoder.get());
      box.resize(box.size() * 2);
      if (JxlDecoderSetBoxBuffer(decoder.get(), box.data() + used, box.size() - used) !=
          JXL_DEC_SUCCESS) {
        return {};
      }
    } else {
      return {};
    }
  }
  // The box starts with the distance from its fifth byte to the TIFF header.
  if (filled < 4) return {};
  const std::uint32_t skip = std::uint32_t{box[0]} << 24 | std::uint32_t{box[1]} << 16 |
                             std::uint32_t{box[2]} << 8 | box[3];
  if (skip > filled - 4) return {};
  return WithExifHeader(ByteSpan(box).subspan(4 + skip, filled - 4 - skip));
}

}  // namespace imagelib
