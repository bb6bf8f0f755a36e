// AVIF encoding through libheif with its AV1 encoder (aom): 8-bit 4:2:0, the colours declared
// as sRGB, one thread (the batch runs one picture per core); a picture that keeps its alpha is
// written with it, losslessly.
#include <algorithm>
#include <memory>

#include "imagelib/codec_support.h"
#include "imagelib/heif_support.h"
#include "imagelib/imagelib.h"
#include "imagelib/picture_store.h"
#include "imagelib/quality_search.h"

namespace imagelib {
namespace {

struct EncoderDeleter {
  void operator()(heif_encoder* encoder) const { heif_encoder_release(encoder); }
};
struct NclxDeleter {
  void operator()(heif_color_profile_nclx* nclx) const { heif_nclx_color_profile_free(nclx); }
};

// The AV1 encoder's fastest speed.
constexpr int kFastestSpeed = 9;

HeifImage RgbImageOf(const Picture& bgr) {
  heif_image* created = nullptr;
  const bool withAlpha = bgr.HasAlpha();
  if (!HeifOk(heif_image_create(
          bgr.width, bgr.height, heif_colorspace_RGB,
          withAlpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, &created))) {
    return nullptr;
  }
  HeifImage image(created);
  if (!HeifOk(
          heif_image_add_plane(image.get(), heif_channel_interleaved, bgr.width, bgr.height, 8))) {
    return nullptr;
  }
  int stride = 0;
  std::uint8_t* rgb = heif_image_get_plane(image.get(), heif_channel_interleaved, &stride);
  if (rgb == nullptr) return nullptr;
  for (int y = 0; y < bgr.height; ++y) {
    const std::uint8_t* source = bgr.Row(y);
    std::uint8_t* target = rgb + static_cast<std::size_t>(stride) * static_cast<std::size_t>(y);
    if (withAlpha) {
      JoinAlphaRow(bgr, y, target, true);
      continue;
    }
    for (int x = 0; x < bgr.width; ++x, source += 3, target += 3) {
      target[0] = source[2];
      target[1] = source[1];
      target[2] = source[0];
    }
  }
  // sRGB primaries and transfer, BT.601 coefficients over the full range, as JPEG files have.
  std::unique_ptr<heif_color_profile_nclx, NclxDeleter> nclx(heif_nclx_color_profile_alloc());
  if (!nclx) return nullptr;
  nclx->color_primaries = heif_color_primaries_ITU_R_BT_709_5;
  nclx->transfer_characteristics = heif_transfer_characteristic_IEC_61966_2_1;
  nclx->matrix_coefficients = heif_matrix_coefficients_ITU_R_BT_601_6;
  nclx->full_range_flag = 1;
  if (!HeifOk(heif_image_set_nclx_color_profile(image.get(), nclx.get()))) return nullptr;
  return image;
}

heif_error AppendBytes(heif_context* /*context*/, const void* data, size_t size, void* bytes) {
  const auto* first = static_cast<const std::uint8_t*>(data);
  static_cast<Bytes*>(bytes)->insert(static_cast<Bytes*>(bytes)->end(), first, first + size);
  return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
}

bool Encode(const Picture& bgr, int quality, int speed, ByteSpan exif, Bytes& output) {
  HeifContext context(heif_context_alloc());
  if (!context) return false;
  heif_encoder* found = nullptr;
  if (!HeifOk(heif_context_get_encoder_for_format(context.get(), heif_compression_AV1, &found))) {
    return false;
  }
  std::unique_ptr<heif_encoder, EncoderDeleter> encoder(found);
  if (!HeifOk(heif_encoder_set_lossy_quality(encoder.get(), std::clamp(quality, 0, 100))) ||
      !HeifOk(heif_encoder_set_parameter_integer(encoder.get(), "speed",
                                                 std::clamp(speed, 0, kFastestSpeed))) ||
      !HeifOk(heif_encoder_set_parameter_integer(encoder.get(), "threads", 1)) ||
      // Alpha lossy at the colours' quality frays the edges of cut-out shapes; kept exact, it
      // costs little, as alpha is mostly flat.
      !HeifOk(heif_encoder_set_parameter_boolean(encoder.get(), "lossless-alpha", 1))) {
    return false;
  }
  HeifImage image = RgbImageOf(bgr);
  if (!image) return false;
  heif_image_handle* written = nullptr;
  if (!HeifOk(heif_context_encode_image(context.get(), image.get(), encoder.get(), nullptr,
                                        &written))) {
    return false;
  }
  // libheif finds the TIFF data after the block's header and records where it starts.
  const bool tagged =
      exif.empty() || HeifOk(heif_context_add_exif_metadata(context.get(), written, exif.data(),
                                                            static_cast<int>(exif.size())));
  heif_image_handle_release(written);
  if (!tagged) return false;
  heif_writer writer{};
  writer.writer_api_version = 1;
  writer.write = AppendBytes;
  return HeifOk(heif_context_write(context.get(), &writer, &output));
}

}  // namespace
}  // namespace imagelib

int SaveAvif(const char* path, PictureHandle handle, int quality, int speed) {
  imagelib::Picture scratch;
  const imagelib::Picture* picture = imagelib::StoredBgr24(handle, scratch);
  if (picture == nullptr) return 0;
  imagelib::Bytes output;
  if (!imagelib::Encode(*picture, quality, speed, imagelib::StoredExif(handle), output)) return 0;
  return imagelib::WriteFileAtomically(path, output) ? 1 : 0;
}

int SaveAvifWithin(const char* path, PictureHandle handle, int quality, int speed,
                   std::uint64_t maxBytes) {
  imagelib::Picture scratch;
  const imagelib::Picture* picture = imagelib::StoredBgr24(handle, scratch);
  if (picture == nullptr) return 0;
  const imagelib::ByteSpan exif = imagelib::StoredExif(handle);
  const auto fitted =
      imagelib::EncodeWithin(0, std::clamp(quality, 0, 100), maxBytes, [&](int tried) {
        imagelib::Bytes output;
        if (!imagelib::Encode(*picture, tried, speed, exif, output)) output.clear();
        return output;
      });
  if (!fitted || !imagelib::WriteFileAtomically(path, fitted->file)) return 0;
  return fitted->withinCap ? kWithinCap : kOverCap;
}
