#include "imagelib/jpeg_markers.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace imagelib {
namespace {

constexpr std::uint8_t kMarkerPrefix = 0xff;
constexpr std::uint8_t kStartOfImage = 0xd8;
constexpr std::uint8_t kEndOfImage = 0xd9;
constexpr std::uint8_t kStartOfScan = 0xda;
constexpr std::uint8_t kTemporary = 0x01;

bool IsRestart(std::uint8_t marker) {
  return marker >= 0xd0 && marker <= 0xd7;
}

// Frame headers are C0..CF apart from C4 (Huffman tables), C8 (reserved) and CC (arithmetic
// conditioning); C9 and above are arithmetic-coded.
bool IsFrameHeader(std::uint8_t marker) {
  return marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
}

// Counts the entropy-coded bytes that follow a scan header, as the decoder reads them: a
// stuffed 0xFF 0x00 is one data byte and restart markers belong to the scan. Returns the
// position of the first other marker (or the end of the data).
std::size_t SkipEntropyData(ByteSpan data, std::size_t at, std::uint64_t& count) {
  while (at < data.size()) {
    // Runs of data bytes are passed at once: markers are rare in them.
    const auto* prefix = static_cast<const std::uint8_t*>(
        std::memchr(data.data() + at, kMarkerPrefix, data.size() - at));
    const std::size_t marker =
        prefix != nullptr ? static_cast<std::size_t>(prefix - data.data()) : data.size();
    count += marker - at;
    at = marker;
    if (at >= data.size()) return at;
    std::size_t next = at + 1;
    while (next < data.size() && data[next] == kMarkerPrefix) ++next;
    if (next >= data.size()) return next;
    if (data[next] == 0) {
      ++count;
    } else if (!IsRestart(data[next])) {
      return at;
    }
    at = next + 1;
  }
  return at;
}

// The components of the frame: their blocks, and which of them a scan has started.
class FrameComponents {
 public:
  // `segment` holds a frame header after its length field.
  void ReadFrame(ByteSpan segment) {
    inFrame_.fill(false);
    blocks_.fill(0);
    if (segment.size() < 6) return;
    const std::size_t end = std::min<std::size_t>(segment.size(), 6 + 3u * segment[5]);
    int mostH = 1;
    int mostV = 1;
    for (std::size_t at = 6; at + 1 < end; at += 3) {
      mostH = std::max(mostH, segment[at + 1] >> 4);
      mostV = std::max(mostV, segment[at + 1] & 15);
    }
    const std::uint64_t height = std::uint64_t{segment[1]} << 8 | segment[2];
    const std::uint64_t width = std::uint64_t{segment[3]} << 8 | segment[4];
    for (std::size_t at = 6; at + 1 < end; at += 3) {
      const std::uint64_t columns = (width * (segment[at + 1] >> 4) + 8 * mostH - 1) / (8 * mostH);
      const std::uint64_t rows = (height * (segment[at + 1] & 15) + 8 * mostV - 1) / (8 * mostV);
      inFrame_[segment[at]] = true;
      blocks_[segment[at]] = columns * rows;
    }
  }

  // `segment` holds a scan header after its length field; returns the blocks the scan covers.
  std::uint64_t ReadScan(ByteSpan segment) {
    if (segment.empty()) return 0;
    const std::size_t count = segment[0];
    const std::size_t spectralStart = 1 + 2 * count;
    if (spectralStart >= segment.size()) return 0;
    std::uint64_t blocks = 0;
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint8_t id = segment[1 + 2 * i];
      blocks += blocks_[id];
      if (segment[spectralStart] == 0) coded_[id] = true;
    }
    return blocks;
  }

  std::uint64_t FrameBlocks() const {
    std::uint64_t total = 0;
    for (const std::uint64_t blocks : blocks_) total += blocks;
    return total;
  }

  bool EveryComponentCoded() const {
    for (std::size_t id = 0; id < inFrame_.size(); ++id) {
      if (inFrame_[id] && !coded_[id]) return false;
    }
    return true;
  }

 private:
  std::array<bool, 256> inFrame_{};
  std::array<bool, 256> coded_{};
  std::array<std::uint64_t, 256> blocks_{};
};

}  // namespace

std::optional<JpegLayout> WalkJpegMarkers(ByteSpan data) {
  if (data.size() < 2 || data[0] != kMarkerPrefix || data[1] != kStartOfImage) return std::nullopt;
  JpegLayout layout;
  FrameComponents components;
  std::size_t at = 2;
  while (at < data.size()) {
    // Like the decoder, skip stray bytes before a marker and fill bytes within it.
    while (at < data.size() && data[at] != kMarkerPrefix) ++at;
    while (at < data.size() && data[at] == kMarkerPrefix) ++at;
    if (at >= data.size()) break;
    const std::uint8_t marker = data[at++];
    if (marker == kEndOfImage) {
      layout.endOfImage = at - 2;
      break;
    }
    if (marker == kStartOfImage || marker == kTemporary || IsRestart(marker)) continue;
    if (at + 2 > data.size()) break;
    const std::size_t length = std::size_t{data[at]} << 8 | data[at + 1];
    if (length < 2) break;
    const ByteSpan segment = data.subspan(at + 2, std::min(length, data.size() - at) - 2);
    if (IsFrameHeader(marker)) {
      layout.arithmetic = marker >= 0xc9;
      components.ReadFrame(segment);
    }
    at += length;
    if (marker == kStartOfScan) {
      ++layout.scans;
      layout.scanBlocks += components.ReadScan(segment);
      at = SkipEntropyData(data, at, layout.entropyBytes);
    }
  }
  layout.frameBlocks = components.FrameBlocks();
  layout.everyComponentCoded = components.EveryComponentCoded();
  return layout;
}

}  // namespace imagelib
