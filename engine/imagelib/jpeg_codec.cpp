// JPEG decoding and encoding through libjpeg-turbo. Every libjpeg error leaves through
// the error handler below, which jumps back to the one setjmp of the call in progress;
// the caller then destroys the codec object, which frees all that libjpeg allocated.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <string>

// jpeglib.h needs size_t and FILE declared before it.
#include <jerror.h>
#include <jpeglib.h>

#include "engine/imagelib/codec_support.h"
#include "engine/imagelib/imagelib.h"
#include "engine/imagelib/picture_store.h"

namespace imagelib {
namespace {

// Progressive files with more scans than this are refused: each scan re-reads the whole
// picture, so a crafted file of many tiny scans would otherwise take minutes.
constexpr int kMostScans = 1000;

// A Huffman-coded scan spends at least one bit per 8x8 block, which bounds the pixels a file
// of a given size can describe.
constexpr std::uint64_t kMostPixelsPerHuffmanByte = 8 * 64;

struct JpegErrorHandler {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  std::string message;
};

[[noreturn]] void FailJpegWith(j_common_ptr codec, const char* message) {
  auto* handler = reinterpret_cast<JpegErrorHandler*>(codec->err);
  handler->message = message;
  std::longjmp(handler->jump, 1);
}

[[noreturn]] void FailJpeg(j_common_ptr codec) {
  char text[JMSG_LENGTH_MAX];
  (*codec->err->format_message)(codec, text);
  FailJpegWith(codec, text);
}

// Warnings are kept quiet, except that a file cut short is an error: libjpeg would
// otherwise fill the rest of the picture with grey.
void OnJpegMessage(j_common_ptr codec, int level) {
  if (level < 0 && codec->err->msg_code == JWRN_JPEG_EOF) FailJpeg(codec);
}

void OnJpegProgress(j_common_ptr codec) {
  if (!codec->is_decompressor) return;
  const auto* decoder = reinterpret_cast<j_decompress_ptr>(codec);
  if (decoder->input_scan_number > kMostScans) FailJpegWith(codec, "too many scans");
}

void InstallErrorHandler(JpegErrorHandler& handler) {
  jpeg_std_error(&handler.manager);
  handler.manager.error_exit = FailJpeg;
  handler.manager.emit_message = OnJpegMessage;
}

std::uint8_t CmykChannel(int colour, int black, bool inverted) {
  // Adobe's writers store CMYK inverted (0 = full ink).
  if (inverted) return static_cast<std::uint8_t>((colour * black + 127) / 255);
  return static_cast<std::uint8_t>(((255 - colour) * (255 - black) + 127) / 255);
}

// Fills `picture` from the data. Creates no objects with destructors after its setjmp, so a
// jump out of libjpeg skips nothing; the caller destroys the decoder either way.
bool RunDecoder(jpeg_decompress_struct& decoder, JpegErrorHandler& handler,
                jpeg_progress_mgr& progress, ByteSpan data, std::unique_ptr<Picture>& picture) {
  if (setjmp(handler.jump) != 0) return false;
  jpeg_create_decompress(&decoder);
  decoder.progress = &progress;
  jpeg_mem_src(&decoder, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&decoder, TRUE);
  if (!decoder.arith_code && !IsPlausibleSize(decoder.image_width, decoder.image_height,
                                              data.size(), kMostPixelsPerHuffmanByte)) {
    return false;
  }
  if (!IsAcceptableSize(decoder.image_width, decoder.image_height)) return false;

  const bool grey = decoder.jpeg_color_space == JCS_GRAYSCALE;
  const bool cmyk = decoder.jpeg_color_space == JCS_CMYK || decoder.jpeg_color_space == JCS_YCCK;
  decoder.out_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_BGR;
  jpeg_start_decompress(&decoder);

  const int width = static_cast<int>(decoder.output_width);
  const int height = static_cast<int>(decoder.output_height);
  picture = MakePicture(width, height, grey ? 8 : 24);
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
  while (decoder.output_scanline < decoder.output_height) {
    const int y = static_cast<int>(decoder.output_scanline);
    JSAMPROW row = cmyk ? cmykRow[0] : picture->Row(y);
    jpeg_read_scanlines(&decoder, &row, 1);
    if (!cmyk) continue;
    std::uint8_t* target = picture->Row(y);
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* ink = cmykRow[0] + static_cast<std::size_t>(x) * 4;
      const bool inverted = decoder.saw_Adobe_marker;
      target[3 * x + 0] = CmykChannel(ink[2], ink[3], inverted);
      target[3 * x + 1] = CmykChannel(ink[1], ink[3], inverted);
      target[3 * x + 2] = CmykChannel(ink[0], ink[3], inverted);
    }
  }
  jpeg_finish_decompress(&decoder);
  return true;
}

struct JpegMemory {
  unsigned char* data = nullptr;
  unsigned long size = 0;
  JpegMemory() = default;
  JpegMemory(const JpegMemory&) = delete;
  JpegMemory& operator=(const JpegMemory&) = delete;
  ~JpegMemory() { std::free(data); }
};

bool RunEncoder(jpeg_compress_struct& encoder, JpegErrorHandler& handler, const Picture& picture,
                int quality, bool progressive, JpegMemory& output) {
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
  if (progressive) jpeg_simple_progression(&encoder);
  jpeg_start_compress(&encoder, TRUE);
  while (encoder.next_scanline < encoder.image_height) {
    JSAMPROW row = const_cast<std::uint8_t*>(picture.Row(static_cast<int>(encoder.next_scanline)));
    jpeg_write_scanlines(&encoder, &row, 1);
  }
  jpeg_finish_compress(&encoder);
  return true;
}

}  // namespace

std::unique_ptr<Picture> DecodeJpeg(ByteSpan data) {
  JpegErrorHandler handler;
  InstallErrorHandler(handler);
  jpeg_progress_mgr progress{};
  progress.progress_monitor = OnJpegProgress;
  jpeg_decompress_struct decoder{};
  decoder.err = &handler.manager;
  std::unique_ptr<Picture> picture;
  const bool decoded = RunDecoder(decoder, handler, progress, data, picture);
  jpeg_destroy_decompress(&decoder);
  return decoded ? std::move(picture) : nullptr;
}

}  // namespace imagelib

int SaveJpeg(const char* path, PictureHandle handle, int quality, int progressive) {
  const imagelib::Picture* stored = imagelib::FindPicture(handle);
  if (stored == nullptr) return 0;
  imagelib::Picture scratch;
  const imagelib::Picture* picture = imagelib::Bgr24View(*stored, scratch);
  if (picture == nullptr) return 0;

  imagelib::JpegErrorHandler handler;
  imagelib::InstallErrorHandler(handler);
  jpeg_compress_struct encoder{};
  encoder.err = &handler.manager;
  imagelib::JpegMemory output;
  const bool encoded = imagelib::RunEncoder(encoder, handler, *picture, std::clamp(quality, 1, 100),
                                            progressive != 0, output);
  jpeg_destroy_compress(&encoder);
  if (!encoded) return 0;
  return imagelib::WriteFileAtomically(path, imagelib::ByteSpan(output.data, output.size)) ? 1 : 0;
}
