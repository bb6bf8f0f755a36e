// PNG encoding through libpng.
#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <utility>
#include <vector>

#include "imagelib/codec_support.h"
#include "imagelib/exif_orientation.h"
#include "imagelib/imagelib.h"
#include "imagelib/picture_store.h"
#include "imagelib/png_compression.h"
#include "imagelib/png_layout.h"
#include "imagelib/png_support.h"

namespace imagelib {
namespace {

void WriteToMemory(png_structp png, png_bytep bytes, png_size_t length) {
  Bytes& output = *static_cast<Bytes*>(png_get_io_ptr(png));
  output.insert(output.end(), bytes, bytes + length);
}

void FlushNothing(png_structp) {}

constexpr png_size_t kOutputBufferBytes = 1 << 20;

// Where each row of the picture's samples starts: the picture's own rows for RGB, libpng
// reading them as BGR.
std::vector<png_bytep> RowsOf(const Picture& picture, const PngLayout& layout) {
  std::vector<png_bytep> rows(static_cast<std::size_t>(picture.height));
  const std::size_t width = static_cast<std::size_t>(picture.width);
  for (int y = 0; y < picture.height; ++y) {
    rows[y] = const_cast<png_bytep>(
        layout.samples.empty() ? picture.Row(y)
                               : layout.samples.data() + width * static_cast<std::size_t>(y));
  }
  return rows;
}

// Creates no objects with destructors after its setjmp, so a jump out of libpng skips nothing.
bool RunEncoder(png_structp png, png_infop info, int width, const PngLayout& layout,
                bool interlaced, const Compression& compression, ByteSpan exif,
                const std::vector<png_bytep>& rows) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(rows.size()),
               layout.bitDepth, layout.colourType,
               interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!layout.palette.empty()) {
    png_set_PLTE(png, info, layout.palette.data(), static_cast<int>(layout.palette.size()));
  }
  // The chunk holds the TIFF data without the header Exif blocks have in other files.
  if (exif.size() > kExifHeader.size()) {
    png_set_eXIf_1(png, info, static_cast<png_uint_32>(exif.size() - kExifHeader.size()),
                   const_cast<png_bytep>(exif.data() + kExifHeader.size()));
  }
  png_set_filter(png, PNG_FILTER_TYPE_BASE, compression.filters);
  png_set_compression_level(png, compression.level);
  png_set_compression_strategy(png, compression.strategy);
  // zlib's largest working memory and a large output buffer let it end its Huffman blocks
  // less often: 0.3% smaller photographs for 256 KiB more memory.
  png_set_compression_mem_level(png, 9);
  png_set_compression_buffer_size(png, kOutputBufferBytes);
  png_write_info(png, info);
  if (layout.samples.empty()) png_set_bgr(png);
  if (layout.bitDepth < 8) png_set_packing(png);
  png_write_image(png, const_cast<png_bytepp>(rows.data()));
  png_write_end(png, nullptr);
  return true;
}

bool Encode(int width, const PngLayout& layout, bool interlaced, const Compression& compression,
            ByteSpan exif, const std::vector<png_bytep>& rows, Bytes& output) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFail, PngWarn);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  bool encoded = false;
  if (info != nullptr) {
    png_set_write_fn(png, &output, WriteToMemory, FlushNothing);
    encoded = RunEncoder(png, info, width, layout, interlaced, compression, exif, rows);
  }
  png_destroy_write_struct(&png, &info);
  return encoded;
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
  const std::vector<png_bytep> rows = imagelib::RowsOf(*picture, layout);
  imagelib::Bytes output;
  // Trials leave out the Exif block and interlacing, the same for every compression.
  const auto trial = [&](const std::vector<int>& sample, const imagelib::Compression& compression) {
    std::vector<png_bytep> sampleRows;
    for (const int y : sample) sampleRows.push_back(rows[static_cast<std::size_t>(y)]);
    output.clear();
    return imagelib::Encode(picture->width, layout, false, compression, {}, sampleRows, output)
               ? output.size()
               : SIZE_MAX;
  };
  imagelib::Bytes smallest;
  for (const imagelib::Compression& compression :
       imagelib::CompressionsToRun(layout, picture->width, picture->height, trial)) {
    output.clear();
    if (!imagelib::Encode(picture->width, layout, interlaced, compression,
                          imagelib::StoredExif(handle), rows, output)) {
      return 0;
    }
    if (smallest.empty() || output.size() < smallest.size()) std::swap(smallest, output);
  }
  return imagelib::WriteFileAtomically(path, smallest) ? 1 : 0;
}
