// Recognising picture files by their first bytes and loading them into the picture store.
#include <array>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "engine/imagelib/codec_support.h"
#include "engine/imagelib/imagelib.h"
#include "engine/imagelib/picture_store.h"

namespace imagelib {
namespace {

struct Signature {
  std::string_view bytes;
  int kind;
  std::unique_ptr<Picture> (*decode)(ByteSpan);
};

constexpr std::size_t kLongestSignature = 8;

const std::array<Signature, 5> kSignatures = {{
    {std::string_view("BM", 2), kIdentifiedBmp, DecodeBmp},
    {std::string_view("\xFF\xD8\xFF", 3), kIdentifiedJpeg, DecodeJpeg},
    {std::string_view("\x89PNG\r\n\x1A\n", 8), kIdentifiedPng, DecodePng},
    {std::string_view("GIF87a", 6), kIdentifiedGif, DecodeGif},
    {std::string_view("GIF89a", 6), kIdentifiedGif, DecodeGif},
}};

const Signature* FindSignature(ByteSpan data) {
  for (const Signature& signature : kSignatures) {
    if (data.size() >= signature.bytes.size() &&
        std::memcmp(data.data(), signature.bytes.data(), signature.bytes.size()) == 0) {
      return &signature;
    }
  }
  return nullptr;
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Pictures larger than this are not read at all: even the largest acceptable picture takes
// fewer bytes uncompressed.
constexpr std::size_t kLargestFile = std::size_t{1} << 30;

// The first `limit` bytes of the file (fewer if it is shorter); with `wholeFile`, a file longer
// than `limit` is refused instead.
std::optional<Bytes> ReadFileBytes(const char* path, std::size_t limit, bool wholeFile) {
  if (path == nullptr) return std::nullopt;
  File file(std::fopen(path, "rb"));
  if (!file) return std::nullopt;
  Bytes bytes;
  std::array<std::uint8_t, 65536> buffer;
  while (bytes.size() < limit) {
    const std::size_t wanted = std::min(buffer.size(), limit - bytes.size());
    const std::size_t got = std::fread(buffer.data(), 1, wanted, file.get());
    bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got));
    if (got < wanted) {
      if (std::ferror(file.get())) return std::nullopt;
      return bytes;
    }
  }
  if (wholeFile && std::fgetc(file.get()) != EOF) return std::nullopt;
  return bytes;
}

}  // namespace

int IdentifyPictureBytes(ByteSpan data) {
  const Signature* signature = FindSignature(data);
  return signature == nullptr ? kIdentifiedNone : signature->kind;
}

std::unique_ptr<Picture> DecodePicture(ByteSpan data) {
  const Signature* signature = FindSignature(data);
  if (signature == nullptr) return nullptr;
  return signature->decode(data);
}

std::unique_ptr<Picture> MakePicture(int width, int height, int bitsPerPixel) {
  auto picture = std::make_unique<Picture>();
  picture->width = width;
  picture->height = height;
  picture->bitsPerPixel = bitsPerPixel;
  if (bitsPerPixel == 8) picture->palette.resize(256);
  picture->pixels.resize(picture->Stride() * static_cast<std::size_t>(height));
  return picture;
}

}  // namespace imagelib

int IdentifyPictureFile(const char* path, int /*reserved*/) {
  const auto head = imagelib::ReadFileBytes(path, imagelib::kLongestSignature, false);
  return head ? imagelib::IdentifyPictureBytes(*head) : kIdentifiedNone;
}

PictureHandle LoadPicture(const char* path) {
  const auto bytes = imagelib::ReadFileBytes(path, imagelib::kLargestFile, true);
  if (!bytes) return 0;
  auto picture = imagelib::DecodePicture(*bytes);
  return picture ? imagelib::StorePicture(std::move(picture)) : 0;
}
