// WebP files through libwebp: the still picture, or the first frame of an animation on its
// canvas. Alpha shows over white (or is kept) and an embedded colour profile brings the colours to
// sRGB, as for PNG files.
#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "imagelib/codec_support.h"
#include "imagelib/colour_management.h"
#include "imagelib/failure_reason.h"
#include "imagelib/scoped_struct.h"
#include "imagelib/webp_chunks.h"

namespace imagelib {
namespace {

struct DemuxerDeleter {
  void operator()(WebPDemuxer* demuxer) const { WebPDemuxDelete(demuxer); }
};
using Demuxer = std::unique_ptr<WebPDemuxer, DemuxerDeleter>;

using FrameIterator = ScopedStruct<WebPIterator, WebPDemuxReleaseIterator>;
using ChunkIterator = ScopedStruct<WebPChunkIterator, WebPDemuxReleaseChunkIterator>;

// Lossless WebP codes long runs of one colour in a few bits: a small file may hold a large
// plain picture, but not beyond this.
constexpr std::uint64_t kMostPixelsPerByte = 4096;

constexpr const char* kDamagedData = "WebP の画像データが壊れています";

ColourDescription ColoursOf(WebPDemuxer* demuxer) {
  ColourDescription colours;
  ChunkIterator profile;
  if (WebPDemuxGetChunk(demuxer, "ICCP", 1, profile.Get())) {
    const WebPData& chunk = profile.Get()->chunk;
    colours.iccProfile.assign(chunk.bytes, chunk.bytes + chunk.size);
  }
  return colours;
}

// Decodes the frame's pixels as R, G, B and alpha (or B, G, R and alpha when `bgra`).
bool DecodeFrame(const WebPData& fragment, bool bgra, std::uint8_t* pixels, std::size_t bytes,
                 int stride) {
  const auto decode = bgra ? WebPDecodeBGRAInto : WebPDecodeRGBAInto;
  return decode(fragment.bytes, fragment.size, pixels, bytes, stride) != nullptr;
}

}  // namespace

std::unique_ptr<Picture> DecodeWebp(ByteSpan data, AlphaUse alpha) {
  const std::size_t headBytes = WebpHeadBytes(data);
  if (headBytes == 0) return nullptr;
  // The head's RIFF size still counts the frames after it: the demuxer takes it as a file
  // still arriving, which is what lets it stop there.
  const WebPData head{data.data(), headBytes};
  Demuxer demuxer(WebPDemuxPartial(&head, nullptr));
  FrameIterator frame;
  if (!demuxer || !WebPDemuxGetFrame(demuxer.get(), 1, frame.Get())) {
    Refuse("WebP ファイルの構造が壊れています");
    return nullptr;
  }
  const auto width = static_cast<int>(WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_WIDTH));
  const auto height = static_cast<int>(WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_HEIGHT));
  // The canvas (and the frame on it) is judged by the first frame's own bytes: padding in
  // other chunks or later frames makes no picture larger.
  if (!IsPlausibleSize(width, height, frame->fragment.size, kMostPixelsPerByte)) {
    Refuse("WebP の画像の大きさが画像データの量に見合わないため読めません");
    return nullptr;
  }
  const int frameWidth = frame->width;
  const int frameHeight = frame->height;
  if (frameWidth <= 0 || frameHeight <= 0 || frame->x_offset < 0 || frame->y_offset < 0 ||
      frame->x_offset + frameWidth > width || frame->y_offset + frameHeight > height) {
    Refuse("WebP の最初のフレームがキャンバスからはみ出しています");
    return nullptr;
  }

  std::unique_ptr<SrgbConversion> conversion = SrgbConversion::For(ColoursOf(demuxer.get()));
  // Grey profiles convert 24-bit pictures only; their pixels are converted after compositing.
  const bool convertsRgba = conversion && !conversion->IsGrey();
  // An opaque frame over the whole canvas decodes straight into the picture's rows.
  if (!frame->has_alpha && !convertsRgba && frameWidth == width && frameHeight == height) {
    auto picture = MakePicture(width, height, 24);
    if (WebPDecodeBGRInto(frame->fragment.bytes, frame->fragment.size, picture->pixels.data(),
                          picture->pixels.size(), static_cast<int>(picture->Stride())) == nullptr) {
      Refuse(kDamagedData);
      return nullptr;
    }
    if (conversion) conversion->Convert(*picture);
    return picture;
  }
  const std::size_t frameStride = 4 * static_cast<std::size_t>(frameWidth);
  Bytes decoded(frameStride * static_cast<std::size_t>(frameHeight));
  if (!DecodeFrame(frame->fragment, !convertsRgba, decoded.data(), decoded.size(),
                   static_cast<int>(frameStride))) {
    Refuse(kDamagedData);
    return nullptr;
  }
  if (convertsRgba) {
    Bytes converted(frameStride);
    for (int y = 0; y < frameHeight; ++y) {
      std::uint8_t* row = decoded.data() + frameStride * static_cast<std::size_t>(y);
      conversion->ConvertRgba(row, 1, converted.data(), static_cast<std::size_t>(frameWidth));
      std::memcpy(row, converted.data(), frameStride);
    }
  }

  // The canvas around a smaller first frame is transparent: it shows as white.
  auto picture = MakePicture(width, height, 24);
  std::memset(picture->pixels.data(), 0xff, picture->pixels.size());
  AddAlphaPlane(*picture, alpha);
  std::fill(picture->alpha.begin(), picture->alpha.end(), 0);
  for (int y = 0; y < frameHeight; ++y) {
    std::uint8_t* opacity = picture->AlphaRow(frame->y_offset + y);
    StoreBgraRow(decoded.data() + frameStride * static_cast<std::size_t>(y),
                 static_cast<std::size_t>(frameWidth),
                 picture->Row(frame->y_offset + y) + 3 * frame->x_offset,
                 opacity == nullptr ? nullptr : opacity + frame->x_offset);
  }
  if (conversion && !convertsRgba) conversion->Convert(*picture);
  return picture;
}

}  // namespace imagelib
