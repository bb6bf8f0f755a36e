// Recognising picture files by their first bytes (picture_formats) and loading them into the
// picture store.
#include <algorithm>

#include "imagelib/codec_support.h"
#include "imagelib/imagelib.h"
#include "imagelib/picture_formats.h"
#include "imagelib/picture_store.h"
#include "imagelib/regular_file.h"

namespace imagelib {
namespace {

// The first bytes of a file, enough to recognise its kind; nothing on a read error.
std::optional<Bytes> ReadHead(RegularFile& file) {
  Bytes head;
  if (!file.ReadMore(head, kLongestSignature)) return std::nullopt;
  return head;
}

}  // namespace

int IdentifyPictureBytes(ByteSpan data) {
  const PictureFormat* format = PictureFormatOf(data);
  return format != nullptr ? format->kind : kIdentifiedNone;
}

std::unique_ptr<Picture> DecodePicture(ByteSpan data, const DecodeRequest& request) {
  const PictureFormat* format = PictureFormatOf(data);
  if (format == nullptr) return nullptr;
  std::unique_ptr<Picture> picture = format->decode(data, request);
  if (picture) DropOpaqueAlpha(*picture);
  return picture;
}

std::unique_ptr<Picture> MakeRowlessPicture(int width, int height, int bitsPerPixel) {
  auto picture = std::make_unique<Picture>();
  picture->width = width;
  picture->height = height;
  picture->bitsPerPixel = bitsPerPixel;
  if (bitsPerPixel == 8) picture->palette.resize(256);
  picture->pixels.reserve(picture->Stride() * static_cast<std::size_t>(height));
  return picture;
}

std::unique_ptr<Picture> MakePicture(int width, int height, int bitsPerPixel) {
  auto picture = MakeRowlessPicture(width, height, bitsPerPixel);
  picture->pixels.resize(picture->Stride() * static_cast<std::size_t>(height));
  return picture;
}

}  // namespace imagelib

int IdentifyPictureFile(const char* path, int /*reserved*/) {
  auto file = imagelib::RegularFile::Open(path);
  const auto head = file ? imagelib::ReadHead(*file) : std::nullopt;
  return head ? imagelib::IdentifyPictureBytes(*head) : kIdentifiedNone;
}

namespace imagelib {
namespace {

// The bytes of a picture file; nothing for a file of no picture kind or one that cannot be read.
std::optional<Bytes> ReadPictureFile(const char* path) {
  // The size and the first bytes decide before the rest is read: a huge file or one of no
  // picture kind costs nothing to refuse.
  auto file = RegularFile::Open(path);
  if (!file || file->Size() > kLargestFile) return std::nullopt;
  auto bytes = ReadHead(*file);
  if (!bytes || IdentifyPictureBytes(*bytes) == kIdentifiedNone ||
      !file->ReadMore(*bytes,
                      file->Size() - std::min<std::uint64_t>(file->Size(), bytes->size()))) {
    return std::nullopt;
  }
  return bytes;
}

PictureHandle LoadFile(const char* path, const DecodeRequest& request) {
  const std::optional<Bytes> bytes = ReadPictureFile(path);
  if (!bytes) return 0;
  auto picture = DecodePicture(*bytes, request);
  if (!picture) return 0;
  if (picture->sourceWidth == 0) {
    picture->sourceWidth = picture->width;
    picture->sourceHeight = picture->height;
  }
  return StorePicture(std::move(picture));
}

}  // namespace

std::optional<PictureStrips> LoadPictureStrips(const char* path, const ResizedSizeRule& resizedTo,
                                               const StripRule& stripsOf) {
  const std::optional<Bytes> bytes = ReadPictureFile(path);
  if (!bytes || IdentifyPictureBytes(*bytes) != kIdentifiedJpeg) return std::nullopt;
  return DecodeJpegStrips(*bytes, resizedTo, stripsOf);
}

}  // namespace imagelib

PictureHandle LoadPicture(const char* path) {
  return imagelib::LoadFile(path, {});
}

PictureHandle LoadPictureKeepingAlpha(const char* path) {
  return imagelib::LoadFile(path, {.alpha = imagelib::AlphaUse::kKept, .resizedTo = {}});
}

PictureHandle LoadPictureForResize(const char* path, int keepAlpha,
                                   const ResizedSizeRule& resizedTo) {
  return imagelib::LoadFile(
      path,
      {keepAlpha != 0 ? imagelib::AlphaUse::kKept : imagelib::AlphaUse::kOverWhite, resizedTo});
}
