// HEIF files through libheif: HEIC (HEVC pictures, decoded by libde265) and AVIF (AV1). The
// primary picture, turned and mirrored as the file says; alpha shows over white (or is kept) and
// an embedded colour profile or declared primaries bring the colours to sRGB, as for PNG and
// WebP files.
#include <libheif/heif_sequences.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "imagelib/codec_support.h"
#include "imagelib/colour_management.h"
#include "imagelib/exif_editing.h"
#include "imagelib/failure_reason.h"
#include "imagelib/heif_boxes.h"
#include "imagelib/heif_support.h"
#include "imagelib/imagelib.h"

namespace imagelib {
namespace {

struct HandleDeleter {
  void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct OptionsDeleter {
  void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};

struct TrackDeleter {
  void operator()(heif_track* track) const { heif_track_release(track); }
};

// libheif's limits, tight for hostile files and wide enough for the photos of real phones: an
// iPhone's 48-tile grid with its thumbnail, gain map, depth picture and metadata, or a
// 200-megapixel phone photo (a grid of 768 tiles of 512 x 512 and a dozen other items).
heif_security_limits Limits() {
  heif_security_limits limits = *heif_get_global_security_limits();
  limits.max_image_size_pixels = kMaxPixels;  // the library's own limit: 16384 x 16384
  // Tiles down to 256 x 256 for the largest picture, and items for each with room to spare.
  limits.max_number_of_tiles = kMaxPixels / (256 * 256);
  limits.max_items = kMostItems;
  limits.max_color_profile_size = 4 << 20;  // real profiles stay under 1 MB
  // The largest block libheif may take at once: the largest picture's RGBA plane, with padding.
  limits.max_memory_block_size = kMaxPixels * 4 + (64 << 20);
  // All of one file's decoding: that plane and its YCbCr planes at 4:4:4.
  limits.max_total_memory = kMaxPixels * 7;
  limits.max_components = 8;
  limits.max_iloc_extents_per_item = kMostExtentsPerItem;
  limits.max_size_entity_group = 64;
  limits.max_children_per_box = 100;
  // Only a still or a sequence's first frame is decoded; the tables of all frames are parsed.
  limits.max_sequence_frames = 10000;
  limits.max_sample_description_box_entries = 16;
  limits.max_sample_group_description_box_entries = 256;
  limits.max_number_of_file_brands = 64;
  return limits;
}

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

struct NclxDeleter {
  void operator()(heif_color_profile_nclx* nclx) const { heif_nclx_color_profile_free(nclx); }
};

struct NclxPrimaries {
  heif_color_primaries code;
  Chromaticities xy;
};
constexpr NclxPrimaries kNclxPrimaries[] = {
    {heif_color_primaries_ITU_R_BT_709_5, {0.3127, 0.3290, 0.64, 0.33, 0.30, 0.60, 0.15, 0.06}},
    {heif_color_primaries_ITU_R_BT_470_6_System_B_G,
     {0.3127, 0.3290, 0.64, 0.33, 0.29, 0.60, 0.15, 0.06}},
    {heif_color_primaries_ITU_R_BT_601_6,
     {0.3127, 0.3290, 0.630, 0.340, 0.310, 0.595, 0.155, 0.070}},
    {heif_color_primaries_ITU_R_BT_2020_2_and_2100_0,
     {0.3127, 0.3290, 0.708, 0.292, 0.170, 0.797, 0.131, 0.046}},
    {heif_color_primaries_SMPTE_RP_431_2, {0.314, 0.351, 0.680, 0.320, 0.265, 0.690, 0.150, 0.060}},
    {heif_color_primaries_SMPTE_EG_432_1,
     {0.3127, 0.3290, 0.680, 0.320, 0.265, 0.690, 0.150, 0.060}},
};

// The gamma of a transfer that pictures for the screen are made with: sRGB's curve for sRGB and
// the BT.709 family (as browsers show such stills); 0 for the others (HDR curves among them),
// whose samples are taken as they are.
double NclxGamma(heif_transfer_characteristics transfer) {
  switch (transfer) {
    case heif_transfer_characteristic_IEC_61966_2_1:
    case heif_transfer_characteristic_ITU_R_BT_709_5:
    case heif_transfer_characteristic_ITU_R_BT_601_6:
    case heif_transfer_characteristic_ITU_R_BT_2020_2_10bit:
    case heif_transfer_characteristic_ITU_R_BT_2020_2_12bit:
      return kSrgbCurveGamma;
    case heif_transfer_characteristic_ITU_R_BT_470_6_System_M:
      return 1 / 2.2;
    case heif_transfer_characteristic_ITU_R_BT_470_6_System_B_G:
      return 1 / 2.8;
    case heif_transfer_characteristic_linear:
      return 1;
    default:
      return 0;
  }
}

// Colours declared by code points (nclx) rather than a profile: wide-gamut pictures (Display
// P3, BT.2020) are brought to sRGB like those with a profile.
ColourDescription NclxColours(const heif_image_handle* handle) {
  ColourDescription colours;
  heif_color_profile_nclx* found = nullptr;
  const heif_error error = heif_image_handle_get_nclx_color_profile(handle, &found);
  // libheif hands out the profile even when it refuses one of its values.
  std::unique_ptr<heif_color_profile_nclx, NclxDeleter> nclx(found);
  if (error.code != heif_error_Ok || !nclx) return colours;
  const double gamma = NclxGamma(nclx->transfer_characteristics);
  for (const NclxPrimaries& known : kNclxPrimaries) {
    if (known.code != nclx->color_primaries || gamma == 0) continue;
    colours.srgb = known.code == heif_color_primaries_ITU_R_BT_709_5 && gamma == kSrgbCurveGamma;
    colours.gamma = gamma;
    colours.primaries = known.xy;
  }
  return colours;
}

ColourDescription ColoursOf(const heif_image_handle* handle) {
  ColourDescription colours;
  const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
  if (type == heif_color_profile_type_nclx) return NclxColours(handle);
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

namespace {

using HeifHandle = std::unique_ptr<heif_image_handle, HandleDeleter>;

// The user's words for a refused file.
constexpr const char* kBrokenFile = "HEIF ファイルの構造が壊れているため読めません";
constexpr const char* kTooLargeForData = "HEIF の画像がデータ量に比べて大きすぎるため読めません";
constexpr const char* kUndecodable = "HEIF の画像データを復号できませんでした";

const char* FaultReason(HeifItemFault fault) {
  switch (fault) {
    case HeifItemFault::kNone:
      return "";
    case HeifItemFault::kNoItems:
      return "HEIF ファイルに静止画も動画もないため読めません";
    case HeifItemFault::kManyItems: {
      static const std::string manyItems = "HEIF ファイルの項目が多すぎるため読めません(" +
                                           std::to_string(kMostItems) + " 個までです)";
      return manyItems.c_str();
    }
    case HeifItemFault::kTwoTransformsOfAKind:
      return "HEIF の画像に同じ種類の回転・反転・切り抜きが重ねて指定されているため読めません";
    case HeifItemFault::kCanvasTooLarge:
      return "HEIF のグリッド画像が大きすぎるため読めません";
    case HeifItemFault::kUncoveredGrid:
      return "HEIF のグリッド画像がタイルで覆われていないため読めません";
    case HeifItemFault::kCostlyGrid:
      return "HEIF のグリッド画像がタイルのデータ量に比べて大きすぎるため読めません";
    case HeifItemFault::kManyCodedPictures:
      return "HEIF の一つの画像に複数の画像データが入っているため読めません";
    case HeifItemFault::kPredictedPicture:
      return "HEIF の主画像が別の画像から予測されているため読めません";
    case HeifItemFault::kUnhandledProperty:
      return "HEIF の主画像に扱えない必須の属性があるため読めません";
    case HeifItemFault::kUnreadable:
    case HeifItemFault::kBrokenCodedData:
      break;
  }
  return kBrokenFile;
}

std::nullptr_t Refused(const char* reason) {
  Refuse(reason);
  return nullptr;
}

// The file in memory (which must outlive it) read by libheif under the limits; null when
// libheif finds it unsound.
HeifContext ReadContext(ByteSpan data) {
  HeifContext context(heif_context_alloc());
  const heif_security_limits limits = Limits();
  if (!context || !HeifOk(heif_context_set_security_limits(context.get(), &limits)) ||
      !HeifOk(heif_context_read_from_memory_without_copy(context.get(), data.data(), data.size(),
                                                         nullptr))) {
    return nullptr;
  }
  return context;
}

// The primary picture of a HEIF file in memory, which must outlive the context; without it,
// what the reader's own checks found and why the file is refused.
struct OpenedHeif {
  HeifContext context;
  HeifHandle primary;
  HeifItemFault fault = HeifItemFault::kNone;
  const char* failure = nullptr;
};

OpenedHeif OpenHeif(ByteSpan data) {
  OpenedHeif heif;
  // The kinds of files that have harmed libheif's decoding are refused before it sees them.
  heif.fault = HeifItemFaultOf(data);
  if (heif.fault != HeifItemFault::kNone) {
    heif.failure = FaultReason(heif.fault);
    return heif;
  }
  heif.context = ReadContext(data);
  heif_image_handle* primary = nullptr;
  if (!heif.context ||
      !HeifOk(heif_context_get_primary_image_handle(heif.context.get(), &primary))) {
    heif.failure = kBrokenFile;
    return heif;
  }
  heif.primary.reset(primary);
  return heif;
}

std::unique_ptr<heif_decoding_options, OptionsDeleter> DecodingOptions() {
  std::unique_ptr<heif_decoding_options, OptionsDeleter> options(heif_decoding_options_alloc());
  // HEVC pictures decode with libde265 and AV1 ones with aom, the only decoders libheif is
  // built with on either platform.
  if (options) options->convert_hdr_to_8bit = 1;
  return options;
}

// libheif turns grey pictures into RGB without expanding a limited range (16 to 235) to the
// full one: black would show dark grey and white light grey.
bool IsLimitedRangeGrey(const heif_image_handle* handle) {
  heif_colorspace colourspace = heif_colorspace_undefined;
  heif_chroma chroma = heif_chroma_undefined;
  if (!HeifOk(heif_image_handle_get_preferred_decoding_colorspace(handle, &colourspace, &chroma)) ||
      colourspace != heif_colorspace_monochrome) {
    return false;
  }
  heif_color_profile_nclx* found = nullptr;
  const heif_error error = heif_image_handle_get_nclx_color_profile(handle, &found);
  std::unique_ptr<heif_color_profile_nclx, NclxDeleter> nclx(found);
  return HeifOk(error) && nclx && nclx->full_range_flag == 0;
}

void ExpandToFullRange(std::uint8_t* rgba, int stride, int width, int height, int channels) {
  std::array<std::uint8_t, 256> levels{};
  for (int level = 0; level < 256; ++level) {
    levels[level] = static_cast<std::uint8_t>(std::clamp(((level - 16) * 510 + 219) / 438, 0, 255));
  }
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = rgba + static_cast<std::size_t>(stride) * static_cast<std::size_t>(y);
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < 3; ++c) row[channels * x + c] = levels[row[channels * x + c]];
    }
  }
}

// The decoded picture (interleaved RGB, or RGBA unless `opaque`) as ours: its alpha shown over
// white or kept, its colours brought to sRGB by `conversion` when there is one.
std::unique_ptr<Picture> PictureOf(heif_image* image, bool opaque, bool limitedGrey,
                                   SrgbConversion* conversion, AlphaUse alpha) {
  // The size decoded is the one to trust: libheif reports a handle's size before the turns and
  // crops that come ahead of the size property in the file.
  const int width = heif_image_get_width(image, heif_channel_interleaved);
  const int height = heif_image_get_height(image, heif_channel_interleaved);
  const int channels = opaque ? 3 : 4;
  int stride = 0;
  std::uint8_t* rgba = heif_image_get_plane(image, heif_channel_interleaved, &stride);
  if (!IsAcceptableSize(width, height) ||
      heif_image_get_bits_per_pixel_range(image, heif_channel_interleaved) != 8 ||
      rgba == nullptr || stride < channels * width) {
    return Refused(kUndecodable);
  }
  if (limitedGrey) ExpandToFullRange(rgba, stride, width, height, channels);
  // Grey profiles convert 24-bit pictures only; their pixels are converted after compositing,
  // as are those of opaque pictures.
  const bool convertsRgba = conversion && !conversion->IsGrey() && !opaque;
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

// The first frame of an image sequence without a still (brand 'avis', as some encoders write
// animations): converted alone, as the first frame of an animated GIF or WebP is. libheif drops
// the colour description of a frame it turns into RGB, so the frame is taken as sRGB.
std::unique_ptr<Picture> DecodeFirstFrame(ByteSpan data, AlphaUse alpha) {
  const HeifContext context = ReadContext(data);
  if (!context) return Refused(kBrokenFile);
  if (!heif_context_has_sequence(context.get()))
    return Refused(FaultReason(HeifItemFault::kNoItems));
  const std::unique_ptr<heif_track, TrackDeleter> track(heif_context_get_track(context.get(), 0));
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  if (!track || !HeifOk(heif_track_get_image_resolution(track.get(), &width, &height))) {
    return Refused(kBrokenFile);
  }
  if (!IsPlausibleSize(width, height, data.size(), kMostPixelsPerByte)) {
    return Refused(kTooLargeForData);
  }
  const auto options = DecodingOptions();
  const bool opaque = !heif_track_has_alpha_channel(track.get());
  heif_image* decoded = nullptr;
  if (!options ||
      !HeifOk(heif_track_decode_next_image(
          track.get(), &decoded, heif_colorspace_RGB,
          opaque ? heif_chroma_interleaved_RGB : heif_chroma_interleaved_RGBA, options.get()))) {
    return Refused(kUndecodable);
  }
  const HeifImage image(decoded);
  return PictureOf(image.get(), opaque, false, nullptr, alpha);
}

}  // namespace

Bytes HeifExif(ByteSpan data) {
  const OpenedHeif heif = OpenHeif(data);
  heif_item_id id = 0;
  if (!heif.primary ||
      heif_image_handle_get_list_of_metadata_block_IDs(heif.primary.get(), "Exif", &id, 1) != 1) {
    return {};
  }
  const std::size_t size = heif_image_handle_get_metadata_size(heif.primary.get(), id);
  if (size < 4 || size > data.size()) return {};
  Bytes item(size);
  if (!HeifOk(heif_image_handle_get_metadata(heif.primary.get(), id, item.data()))) return {};
  // The item starts with the distance from its fifth byte to the TIFF header.
  const std::uint32_t skip = std::uint32_t{item[0]} << 24 | std::uint32_t{item[1]} << 16 |
                             std::uint32_t{item[2]} << 8 | item[3];
  if (skip > size - 4) return {};
  return WithExifHeader(ByteSpan(item).subspan(4 + skip));
}

std::unique_ptr<Picture> DecodeHeif(ByteSpan data, AlphaUse alpha) {
  const OpenedHeif heif = OpenHeif(data);
  if (heif.fault == HeifItemFault::kNoItems) return DecodeFirstFrame(data, alpha);
  if (!heif.primary) return Refused(heif.failure);
  const heif_image_handle* handle = heif.primary.get();
  if (!IsPlausibleSize(heif_image_handle_get_width(handle), heif_image_handle_get_height(handle),
                       data.size(), kMostPixelsPerByte)) {
    return Refused(kTooLargeForData);
  }
  const auto options = DecodingOptions();
  std::unique_ptr<SrgbConversion> conversion = SrgbConversion::For(ColoursOf(handle));
  // Opaque pictures without a profile for RGB skip the alpha channel and the compositing.
  const bool opaque =
      !heif_image_handle_has_alpha_channel(handle) && !(conversion && !conversion->IsGrey());
  heif_image* decoded = nullptr;
  if (!options ||
      !HeifOk(heif_decode_image(handle, &decoded, heif_colorspace_RGB,
                                opaque ? heif_chroma_interleaved_RGB : heif_chroma_interleaved_RGBA,
                                options.get()))) {
    return Refused(kUndecodable);
  }
  const HeifImage image(decoded);
  return PictureOf(image.get(), opaque, IsLimitedRangeGrey(handle), conversion.get(), alpha);
}

}  // namespace imagelib
