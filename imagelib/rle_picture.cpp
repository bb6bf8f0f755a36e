// Run-length compression of stored pictures, and the uncompressed views the encoders use.
#include "imagelib/depth_conversion.h"
#include "imagelib/imagelib.h"
#include "imagelib/picture_store.h"
#include "imagelib/rle8.h"

namespace imagelib {
namespace {

// The pixels of a compressed picture, or nothing when its stream is damaged.
std::optional<std::vector<std::uint8_t>> ExpandedPixels(const Picture& picture) {
  Picture expanded;
  expanded.width = picture.width;
  expanded.height = picture.height;
  expanded.bitsPerPixel = 8;
  expanded.pixels.resize(expanded.Stride() * static_cast<std::size_t>(expanded.height));
  if (!DecodeRle(picture.rle, 8, expanded)) return std::nullopt;
  return std::move(expanded.pixels);
}

}  // namespace

const Picture* UncompressedView(const Picture& picture, Picture& scratch) {
  if (!picture.IsCompressed()) return &picture;
  auto pixels = ExpandedPixels(picture);
  if (!pixels) return nullptr;
  scratch.width = picture.width;
  scratch.height = picture.height;
  scratch.bitsPerPixel = picture.bitsPerPixel;
  scratch.palette = picture.palette;
  scratch.pixels = std::move(*pixels);
  scratch.rle.clear();
  return &scratch;
}

const Picture* Bgr24View(const Picture& picture, Picture& scratch) {
  if (!picture.IsCompressed() && picture.bitsPerPixel == 24) return &picture;
  Picture expanded;
  const Picture* source = UncompressedView(picture, expanded);
  if (source == nullptr) return nullptr;
  scratch = ToBgr24(*source);
  return &scratch;
}

const Picture* StoredBgr24(PictureHandle handle, Picture& scratch) {
  const Picture* stored = FindPicture(handle);
  return stored == nullptr ? nullptr : Bgr24View(*stored, scratch);
}

}  // namespace imagelib

int CompressRle(PictureHandle handle) {
  imagelib::Picture* picture = imagelib::FindPicture(handle);
  if (picture == nullptr) return 0;
  if (picture->IsCompressed()) return 1;
  if (picture->bitsPerPixel != 8) *picture = imagelib::QuantiseTo8Bit(*picture);
  picture->rle = imagelib::EncodeRle8(*picture);
  picture->pixels.clear();
  picture->pixels.shrink_to_fit();
  return 1;
}

int NeedsExpanding(PictureHandle handle) {
  const imagelib::Picture* picture = imagelib::FindPicture(handle);
  return picture != nullptr && picture->IsCompressed() ? 1 : 0;
}

int ExpandPicture(PictureHandle handle) {
  imagelib::Picture* picture = imagelib::FindPicture(handle);
  if (picture == nullptr) return 0;
  if (!picture->IsCompressed()) return 1;
  auto pixels = imagelib::ExpandedPixels(*picture);
  if (!pixels) return 0;
  picture->pixels = std::move(*pixels);
  picture->rle.clear();
  picture->rle.shrink_to_fit();
  return 1;
}
