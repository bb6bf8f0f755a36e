// PNG decoding through libpng.
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>

#include "imagelib/codec_support.h"
#include "imagelib/colour_management.h"
#include "imagelib/exif_orientation.h"
#include "imagelib/png_support.h"

namespace imagelib {
namespace {

// Deflate expands one byte into at most 1032.
constexpr std::uint64_t kMostDeflateRatio = 1032;

// The most that libpng may allocate for one chunk's data once inflated (a colour profile or a
// compressed text). A fixed bound: a small file's profile may inflate to many times the file,
// and the largest real profiles (with big colour lookup tables) stay well below it.
constexpr std::size_t kMostInflatedChunkBytes = std::size_t{16} << 20;

// The file being read and how far.
struct PngSource {
  ByteSpan data;
  std::size_t readAt = 0;
};

PngSource& SourceOf(png_structp png) {
  return *static_cast<PngSource*>(png_get_io_ptr(png));
}

void ReadFromMemory(png_structp png, png_bytep target, png_size_t length) {
  PngSource& source = SourceOf(png);
  if (length > source.data.size() - source.readAt) png_error(png, "file cut short");
  std::memcpy(target, source.data.data() + source.readAt, length);
  source.readAt += length;
}

// What the chunks before the pixels say about showing the picture: its colours and its Exif
// block (kept with the header that Exif blocks have in other files).
struct PngMetadata {
  ColourDescription colours;
  Bytes exif;
};

void CollectMetadata(png_structp png, png_infop info, PngMetadata& metadata) {
  png_charp name = nullptr;
  int compression = 0;
  png_bytep profile = nullptr;
  png_uint_32 length = 0;
  if (png_get_iCCP(png, info, &name, &compression, &profile, &length) != 0) {
    metadata.colours.iccProfile.assign(profile, profile + length);
  }
  int intent = 0;
  metadata.colours.srgb = png_get_sRGB(png, info, &intent) != 0;
  double gamma = 0;
  if (png_get_gAMA(png, info, &gamma) != 0) metadata.colours.gamma = gamma;
  Chromaticities primaries;
  if (png_get_cHRM(png, info, &primaries.whiteX, &primaries.whiteY, &primaries.redX,
                   &primaries.redY, &primaries.greenX, &primaries.greenY, &primaries.blueX,
                   &primaries.blueY) != 0) {
    metadata.colours.primaries = primaries;
  }
  png_bytep exif = nullptr;
  png_uint_32 exifLength = 0;
  if (png_get_eXIf_1(png, info, &exifLength, &exif) != 0) {
    metadata.exif.assign(kExifHeader.begin(), kExifHeader.end());
    metadata.exif.insert(metadata.exif.end(), exif, exif + exifLength);
  }
}

// A decoding in progress: what ReadPicture fills, kept outside its setjmp.
struct PngDecoding {
  std::unique_ptr<Picture> picture;
  std::vector<png_bytep> rows;
  PngMetadata metadata;
  std::unique_ptr<SrgbConversion> conversion;
  // Rows of 4 samples a pixel, for pictures with alpha or converted from 16 bits: B, G, R and
  // alpha of 8 bits; or, with a conversion, R, G, B and alpha of `sampleBytes` each.
  Bytes withAlpha;
  int sampleBytes = 1;
  bool convertsSamples = false;
};

// Palette pictures and grey pictures without transparency stay 8-bit palette pictures;
// everything else becomes 24-bit, composited over white where it has alpha. Pictures with
// alpha or 16-bit samples whose colours need converting keep their samples for the conversion,
// which comes before compositing (as browsers composite in sRGB).
bool ReadPicture(png_structp png, png_infop info, PngDecoding& decoding) {
  png_read_info(png, info);
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colourType = 0, interlace = 0;
  png_get_IHDR(png, info, &width, &height, &bitDepth, &colourType, &interlace, nullptr, nullptr);
  const std::uint64_t bitsPerPixel = std::uint64_t{png_get_channels(png, info)} * bitDepth;
  if (!IsPlausibleSize(width, height, SourceOf(png).data.size(),
                       kMostDeflateRatio * 8 / bitsPerPixel)) {
    return false;
  }
  CollectMetadata(png, info, decoding.metadata);
  decoding.conversion = SrgbConversion::For(decoding.metadata.colours);

  const bool transparent = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  const bool hasAlpha = transparent || (colourType & PNG_COLOR_MASK_ALPHA) != 0;
  decoding.convertsSamples =
      decoding.conversion && !decoding.conversion->IsGrey() && (hasAlpha || bitDepth == 16);
  const bool indexed = !hasAlpha && !decoding.convertsSamples &&
                       (colourType == PNG_COLOR_TYPE_PALETTE || colourType == PNG_COLOR_TYPE_GRAY);
  if (decoding.convertsSamples) {
    decoding.sampleBytes = bitDepth == 16 ? 2 : 1;
    png_set_expand(png);
    png_set_gray_to_rgb(png);
    png_set_filler(png, 0xffff, PNG_FILLER_AFTER);
    // LittleCMS takes 16-bit samples in the machine's order, which is little-endian here.
    if (bitDepth == 16) png_set_swap(png);
  } else {
    if (bitDepth == 16) png_set_scale_16(png);
    if (indexed) {
      if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
      png_set_packing(png);
    } else {
      png_set_expand(png);
      png_set_gray_to_rgb(png);
      png_set_bgr(png);
    }
  }
  png_set_interlace_handling(png);
  png_read_update_info(png, info);

  const int w = static_cast<int>(width);
  const int h = static_cast<int>(height);
  decoding.picture = MakePicture(w, h, indexed ? 8 : 24);
  Picture& picture = *decoding.picture;
  if (indexed && colourType == PNG_COLOR_TYPE_PALETTE) {
    png_colorp colours = nullptr;
    int count = 0;
    png_get_PLTE(png, info, &colours, &count);
    for (int i = 0; i < count && i < 256; ++i) {
      picture.palette[i] = {colours[i].blue, colours[i].green, colours[i].red, 0};
    }
    picture.palette.resize(std::max<std::size_t>(std::size_t{1} << bitDepth, count));
  } else if (indexed) {
    // Grey levels, widened to 8 bits by libpng.
    for (int i = 0; i < 256; ++i) {
      const auto level = static_cast<std::uint8_t>(i);
      picture.palette[i] = {level, level, level, 0};
    }
  }

  const bool fourSamples = hasAlpha || decoding.convertsSamples;
  const std::size_t fourStride = static_cast<std::size_t>(w) * 4 * decoding.sampleBytes;
  if (fourSamples) decoding.withAlpha.resize(fourStride * static_cast<std::size_t>(h));
  decoding.rows.resize(static_cast<std::size_t>(h));
  for (int y = 0; y < h; ++y) {
    decoding.rows[y] = fourSamples ? decoding.withAlpha.data() + fourStride * y : picture.Row(y);
  }
  png_read_image(png, decoding.rows.data());
  return true;
}

// Brings the decoded picture into its final form: samples converted to sRGB, and the rows
// with alpha composited over white.
void FinishPicture(PngDecoding& decoding, AlphaUse use) {
  Picture& picture = *decoding.picture;
  if (decoding.conversion && !decoding.convertsSamples) decoding.conversion->Convert(picture);
  if (decoding.withAlpha.empty()) return;
  AddAlphaPlane(picture, use);
  const std::size_t width = static_cast<std::size_t>(picture.width);
  const std::size_t stride = 4 * width * decoding.sampleBytes;
  Bytes converted(decoding.convertsSamples ? 4 * width : 0);
  for (int y = 0; y < picture.height; ++y) {
    const std::uint8_t* source = decoding.withAlpha.data() + stride * y;
    if (decoding.convertsSamples) {
      decoding.conversion->ConvertRgba(source, decoding.sampleBytes, converted.data(), width);
      source = converted.data();
    }
    StoreBgraRow(source, width, picture.Row(y), picture.AlphaRow(y));
  }
}

// False when a chunk claims to be longer than the whole file. libpng allocates (and clears) a
// text or palette chunk's claimed length before reading it, without consulting its cap.
bool ChunksFitTheFile(ByteSpan data) {
  constexpr std::size_t kSignatureBytes = 8;
  constexpr std::size_t kChunkFrameBytes = 12;  // length, type and CRC
  for (std::size_t at = kSignatureBytes; at + 8 <= data.size();) {
    const std::uint64_t length = png_get_uint_32(data.data() + at);
    if (length > data.size()) return false;
    if (std::memcmp(data.data() + at + 4, "IEND", 4) == 0) break;
    at += kChunkFrameBytes + length;
  }
  return true;
}

bool RunDecoder(png_structp png, png_infop info, PngDecoding& decoding) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  return ReadPicture(png, info, decoding);
}

}  // namespace

std::unique_ptr<Picture> DecodePng(ByteSpan data, AlphaUse alpha) {
  if (!ChunksFitTheFile(data)) return nullptr;
  PngSource source{data};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFail, PngWarn);
  if (png == nullptr) return nullptr;
  png_infop info = png_create_info_struct(png);
  PngDecoding decoding;
  bool decoded = false;
  if (info != nullptr) {
    png_set_read_fn(png, &source, ReadFromMemory);
    // Sizes are checked against our own limit once the header is read.
    png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    // libpng's own cap on what it allocates for one chunk, expanded text and profiles
    // included. Chunks as stored are already held to the file's size above.
    png_set_chunk_malloc_max(png, std::max(data.size(), kMostInflatedChunkBytes));
    decoded = RunDecoder(png, info, decoding);
  }
  png_destroy_read_struct(&png, &info, nullptr);
  if (!decoded) return nullptr;
  FinishPicture(decoding, alpha);
  ApplyOrientation(*decoding.picture, ExifOrientation(decoding.metadata.exif));
  return std::move(decoding.picture);
}

}  // namespace imagelib
