// JPEG encoding through libjpeg-turbo.
#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <utility>

#include "imagelib/codec_support.h"
#include "imagelib/failure_reason.h"
#include "imagelib/imagelib.h"
#include "imagelib/jpeg_support.h"
#include "imagelib/picture_store.h"
#include "imagelib/quality_search.h"

namespace imagelib {
namespace {

struct JpegMemory {
  unsigned char* data = nullptr;
  unsigned long size = 0;
  JpegMemory() = default;
  JpegMemory(const JpegMemory&) = delete;
  JpegMemory& operator=(const JpegMemory&) = delete;
  ~JpegMemory() { std::free(data); }
};

// The most an APP1 segment holds: a larger Exif block is left out.
constexpr std::size_t kLargestSegmentData = 65533;

bool RunEncoder(jpeg_compress_struct& encoder, JpegErrorHandler& handler, const Picture& picture,
                int quality, bool progressive, ByteSpan exif, JpegMemory& output) {
  if (picture.width > JPEG_MAX_DIMENSION || picture.height > JPEG_MAX_DIMENSION) {
    return Refuse("JPEG形式の幅と高さは " + std::to_string(JPEG_MAX_DIMENSION) +
                  " ピクセルまでです");
  }
  if (setjmp(handler.jump) != 0) return false;
  jpeg_create_compress(&encoder);
  jpeg_mem_dest(&encoder, &output.data, &output.size);
  encoder.image_width = static_cast<JDIMENSION>(picture.width);
  encoder.image_height = static_cast<JDIMENSION>(picture.height);
  encoder.input_components = 3;
  encoder.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&encoder);
  jpeg_set_quality(&encoder, quality, TRUE);
  // From quality 90 up the colour is kept at full resolution (4:4:4); below, it is halved both
  // ways (4:2:0), which costs little that is visible and saves a third of the file.
  constexpr int kFullColourQuality = 90;
  if (quality >= kFullColourQuality) {
    encoder.comp_info[0].h_samp_factor = 1;
    encoder.comp_info[0].v_samp_factor = 1;
  }
  // Huffman tables fitted to the picture make files 3-15% smaller than the standard tables, for
  // a second pass over the coefficients that costs a few percent of the encoding time.
  encoder.optimize_coding = TRUE;
  // The floating-point transform keeps more of the picture in fewer bytes than the integer one
  // (0.5-1% smaller at a slightly higher PSNR), at the same speed with SIMD.
  encoder.dct_method = JDCT_FLOAT;
  if (progressive) jpeg_simple_progression(&encoder);
  jpeg_start_compress(&encoder, TRUE);
  if (!exif.empty() && exif.size() <= kLargestSegmentData) {
    jpeg_write_marker(&encoder, JPEG_APP0 + 1, exif.data(), static_cast<unsigned>(exif.size()));
  }
  while (encoder.next_scanline < encoder.image_height) {
    JSAMPROW row = const_cast<std::uint8_t*>(picture.Row(static_cast<int>(encoder.next_scanline)));
    jpeg_write_scanlines(&encoder, &row, 1);
  }
  jpeg_finish_compress(&encoder);
  return true;
}

// The picture encoded whole in memory; empty when the encoder failed.
Bytes Encode(const Picture& picture, int quality, bool progressive, ByteSpan exif) {
  JpegErrorHandler handler;
  InstallErrorHandler(handler);
  jpeg_compress_struct encoder{};
  encoder.err = &handler.manager;
  JpegMemory output;
  const bool encoded =
      RunEncoder(encoder, handler, picture, std::clamp(quality, 1, 100), progressive, exif, output);
  jpeg_destroy_compress(&encoder);
  if (!encoded) return {};
  return Bytes(output.data, output.data + output.size);
}

}  // namespace
}  // namespace imagelib

int SaveJpeg(const char* path, PictureHandle handle, int quality, int progressive) {
  imagelib::Picture scratch;
  const imagelib::Picture* picture = imagelib::StoredBgr24(handle, scratch);
  if (picture == nullptr) return 0;

  imagelib::JpegErrorHandler handler;
  imagelib::InstallErrorHandler(handler);
  jpeg_compress_struct encoder{};
  encoder.err = &handler.manager;
  imagelib::JpegMemory output;
  const bool encoded = imagelib::RunEncoder(encoder, handler, *picture, std::clamp(quality, 1, 100),
                                            progressive != 0, imagelib::StoredExif(handle), output);
  jpeg_destroy_compress(&encoder);
  if (!encoded) return 0;
  return imagelib::WriteFileAtomically(path, imagelib::ByteSpan(output.data, output.size)) ? 1 : 0;
}

int SaveJpegWithin(const char* path, PictureHandle handle, int quality, int progressive,
                   std::uint64_t maxBytes) {
  imagelib::Picture scratch;
  const imagelib::Picture* picture = imagelib::StoredBgr24(handle, scratch);
  if (picture == nullptr) return 0;
  const imagelib::ByteSpan exif = imagelib::StoredExif(handle);
  const std::optional<imagelib::FittedFile> fitted = imagelib::EncodeWithin(
      1, std::clamp(quality, 1, 100), maxBytes,
      [&](int tried) { return imagelib::Encode(*picture, tried, progressive != 0, exif); });
  if (!fitted || !imagelib::WriteFileAtomically(path, fitted->file)) return 0;
  return fitted->withinCap ? kWithinCap : kOverCap;
}
