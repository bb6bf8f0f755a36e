// PNG encoding through libpng.
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>

#include "engine/imagelib/codec_support.h"
#include "engine/imagelib/imagelib.h"
#include "engine/imagelib/picture_store.h"
#include "engine/imagelib/png_layout.h"
#include "engine/imagelib/png_support.h"

namespace imagelib {
namespace {

void WriteToMemory(png_structp png, png_bytep bytes, png_size_t length) {
  Bytes& output = *static_cast<Bytes*>(png_get_io_ptr(png));
  output.insert(output.end(), bytes, bytes + length);
}

void FlushNothing(png_structp) {}

// Compression by the kind of picture. Palette and low-bit pictures compress best unfiltered
// with the full string search. Photographs and gradients, filtered, hold almost no repeated
// strings: run-length matching alone makes colour ones 5-9% smaller than the string search at
// level 3 (itself as good as level 6 on them) in 40% less time. Drawings, screenshots and grey
// pictures keep the string search at the highest level.
void ChooseCompression(png_structp png, const PngLayout& layout) {
  if (layout.bitDepth < 8 || layout.colourType == PNG_COLOR_TYPE_PALETTE) {
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_compression_level(png, Z_BEST_COMPRESSION);
  } else if (layout.photographic && layout.colourType == PNG_COLOR_TYPE_RGB) {
    png_set_compression_level(png, 3);
    png_set_compression_strategy(png, Z_RLE);
  } else {
    png_set_compression_level(png, Z_BEST_COMPRESSION);
  }
}

// Creates no objects with destructors after its setjmp, so a jump out of libpng skips nothing.
bool RunEncoder(png_structp png, png_infop info, const Picture& picture, const PngLayout& layout,
                bool interlaced, std::vector<png_bytep>& rows) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width),
               static_cast<png_uint_32>(picture.height), layout.bitDepth, layout.colourType,
               interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!layout.palette.empty()) {
    png_set_PLTE(png, info, layout.palette.data(), static_cast<int>(layout.palette.size()));
  }
  ChooseCompression(png, layout);
  png_write_info(png, info);
  rows.resize(static_cast<std::size_t>(picture.height));
  if (layout.samples.empty()) {
    png_set_bgr(png);
    for (int y = 0; y < picture.height; ++y) rows[y] = const_cast<png_bytep>(picture.Row(y));
  } else {
    if (layout.bitDepth < 8) png_set_packing(png);
    const std::size_t width = static_cast<std::size_t>(picture.width);
    for (int y = 0; y < picture.height; ++y) {
      rows[y] = const_cast<png_bytep>(layout.samples.data() + width * static_cast<std::size_t>(y));
    }
  }
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  return true;
}

}  // namespace
}  // namespace imagelib

int SavePng(const char* path, PictureHandle handle, const PngOptions* options) {
  const imagelib::Picture* stored = imagelib::FindPicture(handle);
  if (stored == nullptr) return 0;
  imagelib::Picture scratch;
  const imagelib::Picture* picture = stored->bitsPerPixel == 8
                                         ? imagelib::UncompressedView(*stored, scratch)
                                         : imagelib::Bgr24View(*stored, scratch);
  if (picture == nullptr) return 0;
  const bool interlaced = options != nullptr && (options->flags & kPngFlagInterlace) != 0;

  const imagelib::PngLayout layout = imagelib::LayOutForPng(*picture);
  imagelib::Bytes output;
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, imagelib::PngFail, imagelib::PngWarn);
  if (png == nullptr) return 0;
  png_infop info = png_create_info_struct(png);
  std::vector<png_bytep> rows;
  bool encoded = false;
  if (info != nullptr) {
    png_set_write_fn(png, &output, imagelib::WriteToMemory, imagelib::FlushNothing);
    encoded = imagelib::RunEncoder(png, info, *picture, layout, interlaced, rows);
  }
  png_destroy_write_struct(&png, &info);
  return encoded && imagelib::WriteFileAtomically(path, output) ? 1 : 0;
}
