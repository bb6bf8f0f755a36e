// GIF decoding through giflib: the picture first shown on the logical screen, that is every
// image up to and including the first one followed by a delay, drawn over white.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>

#include "engine/imagelib/codec_support.h"
#include "engine/imagelib/gif_rows.h"

namespace imagelib {
namespace {

// One LZW code of at most 12 bits stands for at most 4096 pixels.
constexpr std::uint64_t kMostLzwPixelsPerByte = 4096 * 8 / 12 + 1;

struct GifReadSource {
  ByteSpan data;
  std::size_t at = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* target, int length) {
  auto* source = static_cast<GifReadSource*>(gif->UserData);
  const std::size_t count =
      std::min(static_cast<std::size_t>(std::max(length, 0)), source->data.size() - source->at);
  std::memcpy(target, source->data.data() + source->at, count);
  source->at += count;
  return static_cast<int>(count);
}

struct GifCloser {
  void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};
using GifReader = std::unique_ptr<GifFileType, GifCloser>;

// Reads the rest of an extension; keeps the transparency and delay of a graphic control block.
bool ReadExtension(GifFileType* gif, GraphicsControlBlock& control) {
  int code = 0;
  GifByteType* block = nullptr;
  if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
  if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
    DGifExtensionToGCB(block[0], block + 1, &control);
  }
  while (block != nullptr) {
    if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
  }
  return true;
}

// Draws the image whose descriptor was just read onto the canvas, leaving transparent pixels.
bool DrawImage(GifFileType* gif, const GraphicsControlBlock& control, Picture& canvas,
               std::vector<GifByteType>& line) {
  const GifImageDesc& image = gif->Image;
  const ColorMapObject* colours = image.ColorMap != nullptr ? image.ColorMap : gif->SColorMap;
  if (colours == nullptr) return false;
  line.resize(static_cast<std::size_t>(image.Width));
  for (const int row : GifRowOrder(image.Height, image.Interlace)) {
    if (DGifGetLine(gif, line.data(), image.Width) == GIF_ERROR) return false;
    const int y = image.Top + row;
    if (y >= canvas.height) continue;
    std::uint8_t* target = canvas.Row(y);
    for (int x = 0; x < image.Width && image.Left + x < canvas.width; ++x) {
      const int index = line[static_cast<std::size_t>(x)];
      if (index == control.TransparentColor) continue;
      const GifColorType colour =
          index < colours->ColorCount ? colours->Colors[index] : GifColorType{0, 0, 0};
      std::uint8_t* pixel = target + 3 * static_cast<std::size_t>(image.Left + x);
      pixel[0] = colour.Blue;
      pixel[1] = colour.Green;
      pixel[2] = colour.Red;
    }
  }
  return true;
}

}  // namespace

std::unique_ptr<Picture> DecodeGif(ByteSpan data) {
  GifReadSource source{data};
  int error = 0;
  GifReader gif(DGifOpen(&source, ReadFromMemory, &error));
  if (!gif) return nullptr;

  std::unique_ptr<Picture> canvas;
  std::vector<GifByteType> line;
  GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
  for (;;) {
    GifRecordType record = UNDEFINED_RECORD_TYPE;
    // A file cut short after a complete image still shows that image.
    if (DGifGetRecordType(gif.get(), &record) == GIF_ERROR) return canvas;
    if (record == TERMINATE_RECORD_TYPE) break;
    if (record == EXTENSION_RECORD_TYPE) {
      if (!ReadExtension(gif.get(), control)) return nullptr;
      continue;
    }
    if (record != IMAGE_DESC_RECORD_TYPE || DGifGetImageDesc(gif.get()) == GIF_ERROR) {
      return nullptr;
    }
    const GifImageDesc& image = gif->Image;
    if (image.Left < 0 || image.Top < 0 ||
        !IsPlausibleSize(image.Width, image.Height, data.size(), kMostLzwPixelsPerByte)) {
      return nullptr;
    }
    if (!canvas) {
      // A screen smaller than the first image grows to hold it.
      const std::int64_t width = std::max<std::int64_t>(gif->SWidth, image.Width);
      const std::int64_t height = std::max<std::int64_t>(gif->SHeight, image.Height);
      if (!IsPlausibleSize(width, height, data.size(), kMostLzwPixelsPerByte)) return nullptr;
      canvas = MakePicture(static_cast<int>(width), static_cast<int>(height), 24);
      std::fill(canvas->pixels.begin(), canvas->pixels.end(), 0xff);
    }
    if (!DrawImage(gif.get(), control, *canvas, line)) return nullptr;
    if (control.DelayTime > 0) break;
    control = {DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
  }
  return canvas;
}

}  // namespace imagelib
