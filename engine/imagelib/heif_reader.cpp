// HEIF files through libheif: HEIC (HEVC pictures, decoded by libde265) and AVIF (AV1). The
// primary picture, turned and mirrored as the file says; alpha shows over white (or is kept) and an
// embedded colour profile brings the colours to sRGB, as for PNG and WebP files.
#include <array>
#include <cstring>
#include <memory>
#include <string_view>

#include "engine/imagelib/codec_support.h"
#include "engine/imagelib/colour_management.h"
#include "engine/imagelib/heif_support.h"
#include "engine/imagelib/imagelib.h"

namespace imagelib {
namespace {

struct HandleDeleter {
  void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct OptionsDeleter {
  void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};

// HEVC and AV1 code a plain picture in very few bytes, but a file claiming more pixels per byte
// than this is not a picture worth the time.
constexpr std::uint64_t kMostPixelsPerByte = std::uint64_t{1} << 16;
// libheif's own limit on the pixels of any picture in the file: the side of a square of
// kMaxPixels.
constexpr int kLargestSquareSide = 1 << 14;
static_assert(std::uint64_t{kLargestSquareSide} * kLargestSquareSide == kMaxPixels);

constexpr std::array<std::string_view, 2> kAv1Brands = {"avif", "avis"};
constexpr std::array<std::string_view, 8> kHeifBrands = {"heic", "heix", "hevc", "hevx",
                                                         "heim", "heis", "mif1", "msf1"};

template <std::size_t N>
bool IsOneOf(std::string_view brand, const std::array<std::string_view, N>& brands) {
  for (std::string_view known : brands) {
    if (brand == known) return true;
  }
  return false;
}

ColourDescription ColoursOf(const heif_image_handle* handle) {
  ColourDescription colours;
  const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
  if (type != heif_color_profile_type_prof && type != heif_color_profile_type_rICC) return colours;
  colours.iccProfile.resize(heif_image_handle_get_raw_color_profile_size(handle));
  if (colours.iccProfile.empty() ||
      heif_image_handle_get_raw_color_profile(handle, colours.iccProfile.data()).code !=
          heif_error_Ok) {
    colours.iccProfile.clear();
  }
  return colours;
}

}  // namespace

int HeifKindOf(ByteSpan head) {
  // The file type box: its size, "ftyp", the major brand, a version and compatible brands.
  constexpr std::size_t kBrandsStart = 16;
  if (head.size() < kBrandsStart || std::memcmp(head.data() + 4, "ftyp", 4) != 0) {
    return kIdentifiedNone;
  }
  const std::uint32_t boxSize = std::uint32_t{head[0]} << 24 | std::uint32_t{head[1]} << 16 |
                                std::uint32_t{head[2]} << 8 | head[3];
  auto brandAt = [&](std::size_t at) {
    return std::string_view(reinterpret_cast<const char*>(head.data() + at), 4);
  };
  const std::string_view major = brandAt(8);
  if (IsOneOf(major, kAv1Brands)) return kIdentifiedAvif;
  if (major != "mif1" && major != "msf1" && IsOneOf(major, kHeifBrands)) return kIdentifiedHeic;
  // A general HEIF major brand (or another one): the compatible brands tell what it holds.
  bool heif = IsOneOf(major, kHeifBrands) || major == "miaf";
  const std::size_t end = std::min<std::size_t>(boxSize, head.size());
  for (std::size_t at = kBrandsStart; at + 4 <= end; at += 4) {
    if (IsOneOf(brandAt(at), kAv1Brands)) return kIdentifiedAvif;
    heif = heif || IsOneOf(brandAt(at), kHeifBrands);
  }
  return heif ? kIdentifiedHeic : kIdentifiedNone;
}

std::unique_ptr<Picture> DecodeHeif(ByteSpan data, AlphaUse alpha) {
  HeifContext context(heif_context_alloc());
  if (!context) return nullptr;
  heif_context_set_maximum_image_size_limit(context.get(), kLargestSquareSide);
  if (heif_context_read_from_memory_without_copy(context.get(), data.data(), data.size(), nullptr)
          .code != heif_error_Ok) {
    return nullptr;
  }
  heif_image_handle* primary = nullptr;
  if (heif_context_get_primary_image_handle(context.get(), &primary).code != heif_error_Ok) {
    return nullptr;
  }
  std::unique_ptr<heif_image_handle, HandleDeleter> handle(primary);
  const int width = heif_image_handle_get_width(handle.get());
  const int height = heif_image_handle_get_height(handle.get());
  if (!IsPlausibleSize(width, height, data.size(), kMostPixelsPerByte)) return nullptr;

  std::unique_ptr<heif_decoding_options, OptionsDeleter> options(heif_decoding_options_alloc());
  if (!options) return nullptr;
  options->convert_hdr_to_8bit = 1;
  // AV1 pictures decode with aom, on every platform alike (the Windows build has no other AV1
  // decoder; libheif's dav1d glue leaks on some broken files). HEVC ones take libde265.
  options->decoder_id = "aom";
  std::unique_ptr<SrgbConversion> conversion = SrgbConversion::For(ColoursOf(handle.get()));
  // Grey profiles convert 24-bit pictures only; their pixels are converted after compositing.
  const bool convertsRgba = conversion && !conversion->IsGrey();
  // Opaque pictures without such a profile skip the alpha channel and the compositing.
  const bool opaque = !heif_image_handle_has_alpha_channel(handle.get()) && !convertsRgba;
  heif_image* decodedImage = nullptr;
  if (heif_decode_image(handle.get(), &decodedImage, heif_colorspace_RGB,
                        opaque ? heif_chroma_interleaved_RGB : heif_chroma_interleaved_RGBA,
                        options.get())
          .code != heif_error_Ok) {
    return nullptr;
  }
  HeifImage image(decodedImage);
  // The decoded picture is the one the header announced, turned as the file says.
  if (heif_image_get_width(image.get(), heif_channel_interleaved) != width ||
      heif_image_get_height(image.get(), heif_channel_interleaved) != height ||
      heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved) != 8) {
    return nullptr;
  }
  int stride = 0;
  const std::uint8_t* rgba =
      heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
  if (rgba == nullptr || stride < (opaque ? 3 : 4) * width) return nullptr;

  const auto rowPixels = static_cast<std::size_t>(width);
  Bytes bgra(4 * rowPixels);
  auto picture = MakePicture(width, height, 24);
  if (!opaque) AddAlphaPlane(*picture, alpha);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = rgba + static_cast<std::size_t>(stride) * static_cast<std::size_t>(y);
    std::uint8_t* target = picture->Row(y);
    if (opaque) {
      for (std::size_t x = 0; x < rowPixels; ++x) {
        target[3 * x] = row[3 * x + 2];
        target[3 * x + 1] = row[3 * x + 1];
        target[3 * x + 2] = row[3 * x];
      }
      continue;
    }
    if (convertsRgba) {
      conversion->ConvertRgba(row, 1, bgra.data(), rowPixels);
    } else {
      for (std::size_t x = 0; x < rowPixels; ++x) {
        bgra[4 * x] = row[4 * x + 2];
        bgra[4 * x + 1] = row[4 * x + 1];
        bgra[4 * x + 2] = row[4 * x];
        bgra[4 * x + 3] = row[4 * x + 3];
      }
    }
    StoreBgraRow(bgra.data(), rowPixels, target, picture->AlphaRow(y));
  }
  if (conversion && !convertsRgba) conversion->Convert(*picture);
  return picture;
}

}  // namespace imagelib
