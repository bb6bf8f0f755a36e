// JPEG decoding through libjpeg-turbo.
#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "imagelib/codec_support.h"
#include "imagelib/colour_management.h"
#include "imagelib/exif_orientation.h"
#include "imagelib/jpeg_data_end.h"
#include "imagelib/jpeg_markers.h"
#include "imagelib/jpeg_support.h"

namespace imagelib {
namespace {

// Files with more scans than this are refused before decoding: each scan of a progressive
// file re-reads the whole picture, so a crafted file of many tiny scans would take minutes.
constexpr int kMostScans = 1000;

// Each scan decodes every block of the components it covers, so the work of a file is the sum
// of those blocks over its scans. Real encoders cover each block a handful of times (six to ten
// scans); a file that asks for more than 20 times its blocks, beyond a small allowance for small
// pictures, is refused before decoding. Without this, a file of one scan repeated a thousand
// times would keep the decoder busy for minutes on a large picture.
constexpr std::uint64_t kMostScansPerBlock = 20;
constexpr std::uint64_t kScanBlockAllowance = std::uint64_t{1} << 22;

bool IsAffordableWork(const JpegLayout& layout) {
  return layout.scanBlocks <=
         std::max(kScanBlockAllowance, kMostScansPerBlock * layout.frameBlocks);
}

// A Huffman-coded scan spends at least one bit per 8x8 block, which bounds the pixels that a
// given amount of entropy-coded data can describe.
constexpr std::uint64_t kMostPixelsPerHuffmanByte = 8 * 64;

// Arithmetic coding can spend almost nothing on plain blocks, so its data bounds the picture
// only by choice: more than 16 blocks per bit of data is refused. Real pictures stay far
// below that; a few hundred bytes claiming a giant plain picture (hostile or not) are refused.
constexpr std::uint64_t kMostPixelsPerArithmeticByte = 8 * 64 * 16;

// What libjpeg may allocate beyond the coefficients of the whole picture (tables, row buffers).
constexpr long kJpegWorkingMemory = 32L << 20;

// The bytes that libjpeg needs to hold the coefficients of every block of the picture, as a
// progressive or multi-scan file makes it do.
long CoefficientBytes(const jpeg_decompress_struct& decoder) {
  std::uint64_t bytes = 0;
  for (int i = 0; i < decoder.num_components; ++i) {
    const jpeg_component_info& component = decoder.comp_info[i];
    const std::uint64_t columns = component.width_in_blocks + component.h_samp_factor;
    const std::uint64_t rows = component.height_in_blocks + component.v_samp_factor;
    bytes += columns * rows * DCTSIZE2 * sizeof(JCOEF);
  }
  return static_cast<long>(bytes);
}

// What the markers say about showing the picture: its Exif block and its colour profile, and
// for CMYK files the conversion of their inks.
struct JpegMetadata {
  Bytes exif;
  Bytes iccProfile;
  std::unique_ptr<CmykConversion> inks;
};

constexpr unsigned kExifMarker = JPEG_APP0 + 1;
constexpr unsigned kIccMarker = JPEG_APP0 + 2;

// Copies the Exif block and the profile (which may be spread over several markers) out of the
// markers libjpeg kept while reading the header.
void CollectMetadata(jpeg_decompress_struct& decoder, JpegMetadata& metadata) {
  for (jpeg_saved_marker_ptr marker = decoder.marker_list; marker != nullptr;
       marker = marker->next) {
    if (marker->marker == kExifMarker && metadata.exif.empty() &&
        marker->data_length >= kExifHeader.size() &&
        std::memcmp(marker->data, kExifHeader.data(), kExifHeader.size()) == 0) {
      metadata.exif.assign(marker->data, marker->data + marker->data_length);
    }
  }
  JOCTET* profile = nullptr;
  unsigned int length = 0;
  if (jpeg_read_icc_profile(&decoder, &profile, &length)) {
    const std::unique_ptr<JOCTET, decltype(&std::free)> owned(profile, std::free);
    metadata.iccProfile.assign(profile, profile + length);
  }
}

// The smallest DCT scale (n/8) whose picture is still twice the size it is resized to: a scaled
// decode averages blocks, and the resampling's own filter must be left to shape the last
// halving for the output to look as the whole picture's does. Only scales up to a half: the
// larger ones cost libjpeg-turbo more than a whole decode. 8 decodes it whole.
unsigned ScaleEighths(const jpeg_decompress_struct& decoder, int orientation,
                      const ResizedSizeRule& resizedTo) {
  if (!resizedTo) return 8;
  const bool turned = SwapsSides(orientation);
  const auto storedWidth = static_cast<std::uint64_t>(decoder.image_width);
  const auto storedHeight = static_cast<std::uint64_t>(decoder.image_height);
  const PictureSize shown{static_cast<int>(turned ? storedHeight : storedWidth),
                          static_cast<int>(turned ? storedWidth : storedHeight)};
  const PictureSize output = resizedTo(shown);
  const auto needWidth = 2 * static_cast<std::uint64_t>(turned ? output.height : output.width);
  const auto needHeight = 2 * static_cast<std::uint64_t>(turned ? output.width : output.height);
  for (unsigned eighths = 1; eighths <= 4; ++eighths) {
    // libjpeg rounds a scaled side up.
    if ((storedWidth * eighths + 7) / 8 >= needWidth &&
        (storedHeight * eighths + 7) / 8 >= needHeight) {
      return eighths;
    }
  }
  return 8;
}

// A decode of strips of rows: the rows between them are passed over, their data read but not
// made into pixels, which costs libjpeg-turbo about half as much.
struct StripPlan {
  StripRule stripsOf;
  std::vector<RowRange> strips;
};

// The rows of a picture `height` rows high that the strips cover, at most.
int RowsOf(const std::vector<RowRange>& strips, int height) {
  int rows = 0;
  for (const RowRange& strip : strips) {
    rows += std::max(0, std::min(strip.bottom, height) - std::max(strip.top, 0));
  }
  return std::min(rows, height);
}

// Fills `picture` from the data; only the rows of the strips with `plan`, one under the other.
// Creates no objects with destructors after its setjmp, so a jump out of libjpeg skips nothing;
// the caller destroys the decoder either way.
bool RunDecoder(jpeg_decompress_struct& decoder, JpegErrorHandler& handler,
                JpegDataEndWatch& dataEnd, const JpegLayout& layout, ByteSpan data,
                const ResizedSizeRule& resizedTo, std::unique_ptr<Picture>& picture,
                JpegMetadata& metadata, StripPlan* plan) {
  if (setjmp(handler.jump) != 0) return false;
  jpeg_create_decompress(&decoder);
  if (layout.arithmetic) dataEnd.Install(decoder);
  jpeg_mem_src(&decoder, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_save_markers(&decoder, kExifMarker, 0xffff);
  jpeg_save_markers(&decoder, kIccMarker, 0xffff);
  jpeg_read_header(&decoder, TRUE);
  CollectMetadata(decoder, metadata);
  const std::uint64_t pixelsPerByte =
      layout.arithmetic ? kMostPixelsPerArithmeticByte : kMostPixelsPerHuffmanByte;
  if (!IsPlausibleSize(decoder.image_width, decoder.image_height, layout.entropyBytes,
                       pixelsPerByte)) {
    return false;
  }
  decoder.mem->max_memory_to_use = CoefficientBytes(decoder) + kJpegWorkingMemory;

  const bool grey = decoder.jpeg_color_space == JCS_GRAYSCALE;
  const bool cmyk = decoder.jpeg_color_space == JCS_CMYK || decoder.jpeg_color_space == JCS_YCCK;
  decoder.out_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_BGR;
  decoder.scale_num = ScaleEighths(decoder, ExifOrientation(metadata.exif), resizedTo);
  decoder.scale_denom = 8;
  jpeg_start_decompress(&decoder);
  if (plan != nullptr) {
    const bool turned = SwapsSides(ExifOrientation(metadata.exif));
    const auto across = static_cast<int>(turned ? decoder.image_height : decoder.image_width);
    const auto down = static_cast<int>(turned ? decoder.image_width : decoder.image_height);
    try {
      plan->strips =
          plan->stripsOf({across, down}, turned, static_cast<int>(decoder.output_height));
    } catch (const std::bad_alloc&) {
      return false;
    }
    if (plan->strips.empty()) return false;
  }
  auto strip = plan != nullptr ? plan->strips.cbegin() : std::vector<RowRange>::const_iterator{};

  const int width = static_cast<int>(decoder.output_width);
  const int height = static_cast<int>(decoder.output_height);
  // Rows are added as they are decoded: a header that claims more rows than the data holds
  // costs only the rows decoded before the data runs out. Room is kept for the strips' rows
  // alone when only they are decoded.
  picture = MakeRowlessPicture(width, plan != nullptr ? RowsOf(plan->strips, height) : height,
                               grey ? 8 : 24);
  if (grey) {
    for (int i = 0; i < 256; ++i) {
      const auto level = static_cast<std::uint8_t>(i);
      picture->palette[i] = {level, level, level, 0};
    }
  }
  JSAMPARRAY cmykRow =
      cmyk ? (*decoder.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&decoder), JPOOL_IMAGE,
                                          static_cast<JDIMENSION>(width) * 4, 1)
           : nullptr;
  // Adobe's writers store CMYK inverted.
  if (cmyk)
    metadata.inks = std::make_unique<CmykConversion>(metadata.iccProfile, decoder.saw_Adobe_marker);
  // Rows of the strips are stored one under the other, the rows between passed over.
  int stored = 0;
  while (decoder.output_scanline < decoder.output_height) {
    if (plan != nullptr) {
      const auto at = static_cast<int>(decoder.output_scanline);
      while (strip != plan->strips.cend() && at >= strip->bottom) ++strip;
      // The data after the last strip is left unread.
      if (strip == plan->strips.cend()) break;
      if (at < strip->top) {
        jpeg_skip_scanlines(&decoder, static_cast<JDIMENSION>(strip->top - at));
        continue;
      }
    }
    const int y = stored++;
    picture->pixels.resize(picture->pixels.size() + picture->Stride());
    JSAMPROW row = cmyk ? cmykRow[0] : picture->Row(y);
    jpeg_read_scanlines(&decoder, &row, 1);
    if (cmyk)
      metadata.inks->ConvertRow(cmykRow[0], picture->Row(y), static_cast<std::size_t>(width));
  }
  if (plan != nullptr) {
    picture->height = stored;
    return true;
  }
  jpeg_finish_decompress(&decoder);
  return true;
}

// The picture, or with `plan` its strips, in sRGB, turned as the file says. Its size as the file
// holds it, turned as the file says, in `shown`.
std::unique_ptr<Picture> Decode(ByteSpan data, const JpegLayout& layout,
                                const ResizedSizeRule& resizedTo, StripPlan* plan,
                                PictureSize& shown) {
  JpegErrorHandler handler;
  InstallErrorHandler(handler);
  jpeg_decompress_struct decoder{};
  decoder.err = &handler.manager;
  std::unique_ptr<Picture> picture;
  JpegMetadata metadata;
  JpegDataEndWatch dataEnd;
  const bool decoded =
      RunDecoder(decoder, handler, dataEnd, layout, data, resizedTo, picture, metadata, plan);
  const auto storedWidth = static_cast<int>(decoder.image_width);
  const auto storedHeight = static_cast<int>(decoder.image_height);
  jpeg_destroy_decompress(&decoder);
  if (!decoded) return nullptr;
  ColourDescription colours;
  colours.iccProfile = std::move(metadata.iccProfile);
  ConvertToSrgb(*picture, colours);
  const int orientation = ExifOrientation(metadata.exif);
  ApplyOrientation(*picture, orientation);
  const bool turned = SwapsSides(orientation);
  shown = {turned ? storedHeight : storedWidth, turned ? storedWidth : storedHeight};
  return picture;
}

std::optional<JpegLayout> DecodableLayout(ByteSpan data) {
  std::optional<JpegLayout> layout = WalkJpegMarkers(data);
  if (!layout || layout->scans > kMostScans || !IsAffordableWork(*layout) ||
      !layout->everyComponentCoded) {
    return std::nullopt;
  }
  return layout;
}

}  // namespace

std::unique_ptr<Picture> DecodeJpeg(ByteSpan data, const ResizedSizeRule& resizedTo) {
  const std::optional<JpegLayout> layout = DecodableLayout(data);
  if (!layout) return nullptr;
  PictureSize shown{};
  std::unique_ptr<Picture> picture = Decode(data, *layout, resizedTo, nullptr, shown);
  if (picture) {
    picture->sourceWidth = shown.width;
    picture->sourceHeight = shown.height;
  }
  return picture;
}

std::optional<PictureStrips> DecodeJpegStrips(ByteSpan data, const ResizedSizeRule& resizedTo,
                                              const StripRule& stripsOf) {
  const std::optional<JpegLayout> layout = DecodableLayout(data);
  // Data that does not end as a picture's must fail the whole decode, which only it tells.
  if (!layout || layout->endOfImage == 0) return std::nullopt;
  StripPlan plan{.stripsOf = stripsOf, .strips = {}};
  PictureStrips result;
  result.rows = Decode(data, *layout, resizedTo, &plan, result.shown);
  if (!result.rows || result.rows->height == 0) return std::nullopt;
  return result;
}

}  // namespace imagelib
