// Recognising picture files by their first bytes and loading them into the picture store.
#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "imagelib/codec_support.h"
#include "imagelib/imagelib.h"
#include "imagelib/picture_store.h"
#include "imagelib/regular_file.h"

namespace imagelib {
namespace {

struct Signature {
  std::string_view bytes;
  int kind;
  std::unique_ptr<Picture> (*decode)(ByteSpan, const DecodeRequest&);
  // Bytes that follow at offset 8, after a container's size field.
  std::string_view afterSize = {};
};

// Enough for a HEIF file type box with a few compatible brands.
constexpr std::size_t kLongestSignature = 40;

const std::array<Signature, 6> kSignatures = {{
    {std::string_view("BM", 2), kIdentifiedBmp,
     [](ByteSpan data, const DecodeRequest& request) { return DecodeBmp(data, request.alpha); }},
    {std::string_view("\xFF\xD8\xFF", 3), kIdentifiedJpeg,
     [](ByteSpan data, const DecodeRequest& request) {
       return DecodeJpeg(data, request.resizedTo);
     }},
    {std::string_view("\x89PNG\r\n\x1A\n", 8), kIdentifiedPng,
     [](ByteSpan data, const DecodeRequest& request) { return DecodePng(data, request.alpha); }},
    {std::string_view("GIF87a", 6), kIdentifiedGif,
     [](ByteSpan data, const DecodeRequest& request) { return DecodeGif(data, request.alpha); }},
    {std::string_view("GIF89a", 6), kIdentifiedGif,
     [](ByteSpan data, const DecodeRequest& request) { return DecodeGif(data, request.alpha); }},
    {std::string_view("RIFF", 4), kIdentifiedWebp,
     [](ByteSpan data, const DecodeRequest& request) { return DecodeWebp(data, request.alpha); },
     std::string_view("WEBP", 4)},
}};

bool HasBytesAt(ByteSpan data, std::size_t at, std::string_view bytes) {
  return data.size() >= at + bytes.size() &&
         std::memcmp(data.data() + at, bytes.data(), bytes.size()) == 0;
}

const Signature* FindSignature(ByteSpan data) {
  for (const Signature& signature : kSignatures) {
    if (HasBytesAt(data, 0, signature.bytes) &&
        (signature.afterSize.empty() || HasBytesAt(data, 8, signature.afterSize))) {
      return &signature;
    }
  }
  return nullptr;
}

// The first bytes of a file, enough to recognise its kind; nothing on a read error.
std::optional<Bytes> ReadHead(RegularFile& file) {
  Bytes head;
  if (!file.ReadMore(head, kLongestSignature)) return std::nullopt;
  return head;
}

}  // namespace

int IdentifyPictureBytes(ByteSpan data) {
  const Signature* signature = FindSignature(data);
  if (signature == nullptr) return HeifKindOf(data.first(std::min(data.size(), kLongestSignature)));
  return signature->kind;
}

std::unique_ptr<Picture> DecodePicture(ByteSpan data, const DecodeRequest& request) {
  const Signature* signature = FindSignature(data);
  std::unique_ptr<Picture> picture;
  if (signature != nullptr) {
    picture = signature->decode(data, request);
  } else if (IdentifyPictureBytes(data) != kIdentifiedNone) {
    picture = DecodeHeif(data, request.alpha);
  }
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

PictureHandle LoadFile(const char* path, const DecodeRequest& request) {
  // The size and the first bytes decide before the rest is read: a huge file or one of no
  // picture kind costs nothing to refuse.
  auto file = RegularFile::Open(path);
  if (!file || file->Size() > kLargestFile) return 0;
  auto bytes = ReadHead(*file);
  if (!bytes || IdentifyPictureBytes(*bytes) == kIdentifiedNone ||
      !file->ReadMore(*bytes,
                      file->Size() - std::min<std::uint64_t>(file->Size(), bytes->size()))) {
    return 0;
  }
  auto picture = DecodePicture(*bytes, request);
  if (!picture) return 0;
  if (picture->sourceWidth == 0) {
    picture->sourceWidth = picture->width;
    picture->sourceHeight = picture->height;
  }
  return StorePicture(std::move(picture));
}

}  // namespace
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
