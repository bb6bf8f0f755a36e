// WebP encoding through libwebp's advanced interface, with the settings its own command-line
// encoder uses by default (method 4, one thread: the batch runs one picture per core). A
// picture that keeps its alpha is written with it, and an Exif block in the container's chunk
// for it.
#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <memory>

#include "imagelib/codec_support.h"
#include "imagelib/exif_orientation.h"
#include "imagelib/failure_reason.h"
#include "imagelib/imagelib.h"
#include "imagelib/picture_store.h"
#include "imagelib/quality_search.h"
#include "imagelib/scoped_struct.h"

namespace imagelib {
namespace {

using EncoderPicture = ScopedStruct<WebPPicture, WebPPictureFree>;
using MemoryWriter = ScopedStruct<WebPMemoryWriter, WebPMemoryWriterClear>;

// Lossless files are made with the encoder's default effort: the quality then sets how hard it
// tries, not how true the colours are, and they stay exact whatever it is.
constexpr float kLosslessEffort = 75;

bool Encode(const Picture& bgr, int quality, bool lossless, MemoryWriter& output) {
  WebPConfig config;
  if (!WebPConfigInit(&config)) return false;
  config.lossless = lossless ? 1 : 0;
  config.quality = lossless ? kLosslessEffort : static_cast<float>(std::clamp(quality, 0, 100));
  config.method = 4;
  if (!WebPValidateConfig(&config)) return false;

  EncoderPicture picture;
  if (!WebPPictureInit(picture.Get())) return false;
  picture->use_argb = lossless ? 1 : 0;
  picture->width = bgr.width;
  picture->height = bgr.height;
  if (bgr.HasAlpha()) {
    const std::size_t rowBytes = 4 * static_cast<std::size_t>(bgr.width);
    Bytes bgra(rowBytes * static_cast<std::size_t>(bgr.height));
    for (int y = 0; y < bgr.height; ++y) {
      JoinAlphaRow(bgr, y, bgra.data() + rowBytes * static_cast<std::size_t>(y), false);
    }
    if (!WebPPictureImportBGRA(picture.Get(), bgra.data(), static_cast<int>(rowBytes))) {
      return false;
    }
  } else if (!WebPPictureImportBGR(picture.Get(), bgr.pixels.data(),
                                   static_cast<int>(bgr.Stride()))) {
    return false;
  }
  picture->writer = WebPMemoryWrite;
  picture->custom_ptr = output.Get();
  return WebPEncode(&config, picture.Get()) != 0;
}

struct MuxDeleter {
  void operator()(WebPMux* mux) const { WebPMuxDelete(mux); }
};
using AssembledData = ScopedStruct<WebPData, WebPDataClear>;

// The file with an EXIF chunk holding the TIFF data of `exif`; empty when libwebp fails.
Bytes WithExifChunk(ByteSpan file, ByteSpan exif) {
  const WebPData picture{file.data(), file.size()};
  std::unique_ptr<WebPMux, MuxDeleter> mux(WebPMuxCreate(&picture, 0));
  const ByteSpan tiff = exif.subspan(kExifHeader.size());
  const WebPData chunk{tiff.data(), tiff.size()};
  AssembledData assembled;
  if (!mux || WebPMuxSetChunk(mux.get(), "EXIF", &chunk, 0) != WEBP_MUX_OK ||
      WebPMuxAssemble(mux.get(), assembled.Get()) != WEBP_MUX_OK) {
    return {};
  }
  return Bytes(assembled->bytes, assembled->bytes + assembled->size);
}

}  // namespace
}  // namespace imagelib

namespace imagelib {
namespace {

// The whole file at `quality`, with the picture's Exif block; empty when libwebp fails.
Bytes WebpFile(const Picture& picture, int quality, bool lossless, ByteSpan exif) {
  MemoryWriter output;
  WebPMemoryWriterInit(output.Get());
  if (!Encode(picture, quality, lossless, output)) return {};
  const ByteSpan file((*output).mem, (*output).size);
  if (exif.size() <= kExifHeader.size()) return Bytes(file.begin(), file.end());
  return WithExifChunk(file, exif);
}

// The picture as the encoder takes it; null, with the reason, for one it cannot.
const Picture* EncodablePicture(PictureHandle handle, Picture& scratch) {
  const Picture* picture = StoredBgr24(handle, scratch);
  if (picture == nullptr) return nullptr;
  // The format's sides are 14-bit numbers.
  if (picture->width > WEBP_MAX_DIMENSION || picture->height > WEBP_MAX_DIMENSION) {
    Refuse("WebP形式の幅と高さは16383ピクセルまでです");
    return nullptr;
  }
  return picture;
}

}  // namespace
}  // namespace imagelib

int SaveWebp(const char* path, PictureHandle handle, int quality, int lossless) {
  imagelib::Picture scratch;
  const imagelib::Picture* picture = imagelib::EncodablePicture(handle, scratch);
  if (picture == nullptr) return 0;
  const imagelib::Bytes file =
      imagelib::WebpFile(*picture, quality, lossless != 0, imagelib::StoredExif(handle));
  return !file.empty() && imagelib::WriteFileAtomically(path, file) ? 1 : 0;
}

int SaveWebpWithin(const char* path, PictureHandle handle, int quality, std::uint64_t maxBytes) {
  imagelib::Picture scratch;
  const imagelib::Picture* picture = imagelib::EncodablePicture(handle, scratch);
  if (picture == nullptr) return 0;
  const imagelib::ByteSpan exif = imagelib::StoredExif(handle);
  const auto fitted = imagelib::EncodeWithin(
      0, std::clamp(quality, 0, 100), maxBytes,
      [&](int tried) { return imagelib::WebpFile(*picture, tried, false, exif); });
  if (!fitted || !imagelib::WriteFileAtomically(path, fitted->file)) return 0;
  return fitted->withinCap ? kWithinCap : kOverCap;
}
