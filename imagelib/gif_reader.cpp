// GIF decoding through giflib: the picture a viewer shows first, that is the file's first image
// drawn at its place on the logical screen over white. Later images of an animation, whatever
// their delays, and the first image's disposal only matter once that picture is replaced.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>

#include "imagelib/codec_support.h"
#include "imagelib/gif_lzw.h"
#include "imagelib/gif_rows.h"

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

// The minimum code size of an image whose LZW data is decoded here, not by giflib: giflib has
// just refused the descriptor that starts at `descriptor` on reading this size, which is the
// last byte it read. Zero for every other descriptor.
int WideLzwCodeSize(const GifReadSource& source, std::size_t descriptor) {
  constexpr std::size_t kDescriptorBytes = 9;
  if (descriptor + kDescriptorBytes > source.data.size()) return 0;
  const std::uint8_t flags = source.data[descriptor + kDescriptorBytes - 1];
  const std::size_t colours = (flags & 0x80) != 0 ? 3u << ((flags & 7) + 1) : 0;
  const std::size_t sizeAt = descriptor + kDescriptorBytes + colours;
  if (source.at != sizeAt + 1) return 0;
  const int size = source.data[sizeAt];
  return size >= kLeastWideLzwCodeSize && size <= kMostWideLzwCodeSize ? size : 0;
}

// Reads the records before the first image, keeping its graphic control, and that image's
// descriptor. False when the file ends, or is damaged, before one. `wideCodeSize` tells when
// the image's data is for DecodeWideLzw.
bool ReadUpToFirstImage(GifFileType* gif, GraphicsControlBlock& control, int& wideCodeSize) {
  GifRecordType record = UNDEFINED_RECORD_TYPE;
  for (;;) {
    if (DGifGetRecordType(gif, &record) == GIF_ERROR) return false;
    if (record != EXTENSION_RECORD_TYPE) break;
    if (!ReadExtension(gif, control)) return false;
  }
  if (record != IMAGE_DESC_RECORD_TYPE) return false;
  const auto& source = *static_cast<const GifReadSource*>(gif->UserData);
  const std::size_t descriptor = source.at;
  if (DGifGetImageDesc(gif) != GIF_ERROR) return true;
  wideCodeSize = WideLzwCodeSize(source, descriptor);
  return wideCodeSize != 0;
}

// The number of LZW bytes in the sub-blocks that start at the reading position, which is
// where giflib stands once it has read an image descriptor.
std::uint64_t CompressedImageBytes(const GifReadSource& source) {
  std::uint64_t total = 0;
  std::size_t at = source.at;
  while (at < source.data.size() && source.data[at] != 0) {
    total += source.data[at];
    at += source.data[at] + 1u;
  }
  return total;
}

// The palette indexes of the image whose descriptor was just read, rows in file order. The
// buffer grows with the rows actually decoded, so a header that claims more than its data
// holds costs little.
bool ReadIndexes(GifFileType* gif, std::vector<GifByteType>& indexes) {
  const auto width = static_cast<std::size_t>(gif->Image.Width);
  indexes.clear();
  for (int row = 0; row < gif->Image.Height; ++row) {
    indexes.resize(indexes.size() + width);
    if (DGifGetLine(gif, indexes.data() + indexes.size() - width, gif->Image.Width) == GIF_ERROR) {
      return false;
    }
  }
  return true;
}

// Draws the decoded image onto the canvas, leaving its transparent pixels alone (and
// transparent in the canvas's alpha plane, if it keeps one).
void DrawImage(const GifFileType* gif, const std::vector<GifByteType>& indexes,
               const GraphicsControlBlock& control, Picture& canvas) {
  const GifImageDesc& image = gif->Image;
  const ColorMapObject* colours = image.ColorMap != nullptr ? image.ColorMap : gif->SColorMap;
  const std::vector<int> rows = GifRowOrder(image.Height, image.Interlace);
  for (std::size_t line = 0; line < rows.size(); ++line) {
    const int y = image.Top + rows[line];
    if (y >= canvas.height) continue;
    const GifByteType* source = indexes.data() + line * static_cast<std::size_t>(image.Width);
    std::uint8_t* target = canvas.Row(y);
    std::uint8_t* opacity = canvas.AlphaRow(y);
    for (int x = 0; x < image.Width && image.Left + x < canvas.width; ++x) {
      const int index = source[x];
      if (index == control.TransparentColor) continue;
      const GifColorType colour =
          index < colours->ColorCount ? colours->Colors[index] : GifColorType{0, 0, 0};
      std::uint8_t* pixel = target + 3 * static_cast<std::size_t>(image.Left + x);
      pixel[0] = colour.Blue;
      pixel[1] = colour.Green;
      pixel[2] = colour.Red;
      if (opacity != nullptr) opacity[image.Left + x] = 255;
    }
  }
}

// The white canvas for a first image: the logical screen, grown to hold the image when it is
// smaller. A screen vastly larger than the image it shows is a hostile header and refused.
std::unique_ptr<Picture> MakeCanvas(const GifFileType* gif, std::uint64_t dataBytes) {
  constexpr std::int64_t kMostScreenPerImage = 16;
  const GifImageDesc& image = gif->Image;
  const std::int64_t width = std::max<std::int64_t>(gif->SWidth, image.Width);
  const std::int64_t height = std::max<std::int64_t>(gif->SHeight, image.Height);
  const std::int64_t imagePixels = std::int64_t{image.Width} * image.Height;
  if (!IsPlausibleSize(width, height, dataBytes, kMostLzwPixelsPerByte) ||
      !IsPlausibleSize(width, height, static_cast<std::uint64_t>(imagePixels),
                       kMostScreenPerImage)) {
    return nullptr;
  }
  auto canvas = MakePicture(static_cast<int>(width), static_cast<int>(height), 24);
  std::fill(canvas->pixels.begin(), canvas->pixels.end(), 0xff);
  return canvas;
}

}  // namespace

std::unique_ptr<Picture> DecodeGif(ByteSpan data, AlphaUse alpha) {
  GifReadSource source{data};
  int error = 0;
  GifReader gif(DGifOpen(&source, ReadFromMemory, &error));
  if (!gif) return nullptr;

  GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
  int wideCodeSize = 0;
  if (!ReadUpToFirstImage(gif.get(), control, wideCodeSize)) return nullptr;
  const GifImageDesc& image = gif->Image;
  std::vector<GifByteType> indexes;
  if (image.Left < 0 || image.Top < 0 || (image.ColorMap == nullptr && gif->SColorMap == nullptr) ||
      !IsPlausibleSize(image.Width, image.Height, CompressedImageBytes(source),
                       kMostLzwPixelsPerByte)) {
    return nullptr;
  }
  const bool read =
      wideCodeSize != 0
          ? DecodeWideLzw(data.subspan(source.at), wideCodeSize,
                          static_cast<std::size_t>(image.Width) * image.Height, indexes)
          : ReadIndexes(gif.get(), indexes);
  if (!read) return nullptr;
  // What follows the first image is not read, so a damaged later frame costs nothing.
  auto canvas = MakeCanvas(gif.get(), data.size());
  if (!canvas) return nullptr;
  AddAlphaPlane(*canvas, alpha);
  std::fill(canvas->alpha.begin(), canvas->alpha.end(), 0);
  DrawImage(gif.get(), indexes, control, *canvas);
  return canvas;
}

}  // namespace imagelib
