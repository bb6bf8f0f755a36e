#include "imagelib/webp_chunks.h"

#include <cstdint>
#include <string_view>

#include "imagelib/failure_reason.h"

namespace imagelib {
namespace {

constexpr std::size_t kChunkHeaderBytes = 8;
// Real files put a handful of chunks (VP8X, ICCP, ANIM) before their first picture; the
// demuxer keeps a record of each, so a file of countless tiny chunks is refused instead.
constexpr int kMostChunksBeforePicture = 256;

std::uint32_t Le32(ByteSpan data, std::size_t at) {
  return std::uint32_t{data[at]} | std::uint32_t{data[at + 1]} << 8 |
         std::uint32_t{data[at + 2]} << 16 | std::uint32_t{data[at + 3]} << 24;
}

std::string_view FourCc(ByteSpan data, std::size_t at) {
  return {reinterpret_cast<const char*>(data.data() + at), 4};
}

bool IsPictureChunk(std::string_view fourCc) {
  return fourCc == "ANMF" || fourCc == "VP8 " || fourCc == "VP8L";
}

}  // namespace

std::size_t WebpHeadBytes(ByteSpan data) {
  constexpr std::size_t kRiffHeaderBytes = 12;
  if (data.size() < kRiffHeaderBytes || FourCc(data, 0) != "RIFF" || FourCc(data, 8) != "WEBP") {
    Refuse("WebP ファイルの見出しが壊れています");
    return 0;
  }
  const std::uint64_t riffEnd = kChunkHeaderBytes + std::uint64_t{Le32(data, 4)};
  if (riffEnd > data.size()) {
    Refuse("WebP ファイルが途中で切れています");
    return 0;
  }
  std::size_t headBytes = 0;
  int chunksBefore = 0;
  std::uint64_t at = kRiffHeaderBytes;
  while (at + kChunkHeaderBytes <= riffEnd) {
    const std::uint32_t size = Le32(data, static_cast<std::size_t>(at) + 4);
    const std::uint64_t end = at + kChunkHeaderBytes + size + (size & 1);
    if (end > riffEnd) break;
    if (headBytes == 0 && IsPictureChunk(FourCc(data, static_cast<std::size_t>(at)))) {
      headBytes = static_cast<std::size_t>(end);
    } else if (headBytes == 0 && ++chunksBefore > kMostChunksBeforePicture) {
      Refuse("WebP ファイルの最初の画像の前に余分なデータが多すぎます");
      return 0;
    }
    at = end;
  }
  if (at != riffEnd) {
    Refuse("WebP ファイルが途中で切れています");
    return 0;
  }
  if (headBytes == 0) Refuse("WebP ファイルに画像がありません");
  return headBytes;
}

}  // namespace imagelib
