// Reading a picture's description and single pixels without changing the picture.
#include "imagelib/codec_support.h"
#include "imagelib/depth_conversion.h"
#include "imagelib/imagelib.h"
#include "imagelib/picture_store.h"

namespace imagelib {
namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;

ColourRef ColourOfUncompressed(const Picture& picture, int x, int y) {
  const std::uint8_t* row = picture.Row(y);
  switch (picture.bitsPerPixel) {
    case 24: {
      const std::uint8_t* pixel = row + 3 * static_cast<std::size_t>(x);
      return MakeColour(pixel[2], pixel[1], pixel[0]);
    }
    case 8: {
      std::uint8_t index = row[x];
      if (index >= picture.palette.size()) return 0;
      const PaletteEntry& entry = picture.palette[index];
      return MakeColour(entry.red, entry.green, entry.blue);
    }
    default:
      return ColourOf555(row[2 * x] | unsigned{row[2 * x + 1]} << 8);
  }
}

}  // namespace
}  // namespace imagelib

int GetPictureHeader(PictureHandle picture, BitmapInfoHeader* header) {
  const imagelib::Picture* found = imagelib::FindPicture(picture);
  if (found == nullptr || header == nullptr) return 0;
  *header = {};
  header->biSize = sizeof(BitmapInfoHeader);
  header->biWidth = found->width;
  header->biHeight = found->height;
  header->biPlanes = 1;
  header->biBitCount = static_cast<std::uint16_t>(found->bitsPerPixel);
  header->biCompression = found->IsCompressed() ? imagelib::kBiRle8 : imagelib::kBiRgb;
  header->biSizeImage = static_cast<std::uint32_t>(
      found->IsCompressed() ? found->rle.size()
                            : found->Stride() * static_cast<std::size_t>(found->height));
  header->biClrUsed = static_cast<std::uint32_t>(found->palette.size());
  header->biClrImportant = header->biClrUsed;
  return 1;
}

int GetSourceSize(PictureHandle picture, PictureSize* size) {
  const imagelib::Picture* found = imagelib::FindPicture(picture);
  if (found == nullptr || size == nullptr) return 0;
  *size = found->sourceWidth > 0 ? PictureSize{found->sourceWidth, found->sourceHeight}
                                 : PictureSize{found->width, found->height};
  return 1;
}

ColourRef GetPixelColour(PictureHandle picture, int x, int y) {
  const imagelib::Picture* found = imagelib::FindPicture(picture);
  if (found == nullptr || x < 0 || y < 0 || x >= found->width || y >= found->height) return 0;
  // A compressed picture is expanded for each call; bulk readers expand it once beforehand.
  imagelib::Picture scratch;
  const imagelib::Picture* readable = imagelib::UncompressedView(*found, scratch);
  return readable == nullptr ? 0 : imagelib::ColourOfUncompressed(*readable, x, y);
}
