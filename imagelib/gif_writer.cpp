// GIF encoding through giflib: single pictures and looping animations. Every picture becomes
// an 8-bit picture first; a requested transparent colour is kept exact in its palette.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>

#include "imagelib/codec_support.h"
#include "imagelib/depth_conversion.h"
#include "imagelib/failure_reason.h"
#include "imagelib/gif_animation.h"
#include "imagelib/gif_rows.h"
#include "imagelib/imagelib.h"
#include "imagelib/picture_store.h"

namespace imagelib {
namespace {

constexpr int kLargestGifSide = 0xffff;

bool RefuseTooWide() {
  return Refuse("GIF形式の幅と高さは " + std::to_string(kLargestGifSide) + " ピクセルまでです");
}

int WriteToMemory(GifFileType* gif, const GifByteType* bytes, int length) {
  auto* output = static_cast<Bytes*>(gif->UserData);
  output->insert(output->end(), bytes, bytes + length);
  return length;
}

struct ColourMapFree {
  void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};
using ColourMap = std::unique_ptr<ColorMapObject, ColourMapFree>;

struct GifCloser {
  void operator()(GifFileType* gif) const { EGifCloseFile(gif, nullptr); }
};
using GifWriter = std::unique_ptr<GifFileType, GifCloser>;

// What to write for one frame.
struct FrameRequest {
  const Picture* picture = nullptr;
  std::optional<ColourRef> transparent;
  bool interlaced = false;
  int delayCentiseconds = 0;
  int disposal = DISPOSAL_UNSPECIFIED;
};

// A frame ready to be written: its 8-bit picture and the index drawn as transparent.
struct GifFrame {
  Picture picture;
  int transparentIndex = NO_TRANSPARENT_COLOR;
};

bool SameColour(const PaletteEntry& entry, ColourRef colour) {
  return entry.red == RedOf(colour) && entry.green == GreenOf(colour) &&
         entry.blue == BlueOf(colour);
}

// Converts the picture to 8 bits and finds the palette entry of the transparent colour; pixels
// of other entries of that same colour are moved to it, so that all of them are transparent.
std::optional<GifFrame> PrepareFrame(const Picture& stored, std::optional<ColourRef> transparent) {
  GifFrame frame;
  Picture expanded;
  const Picture* source = UncompressedView(stored, expanded);
  if (source == nullptr) return std::nullopt;
  frame.picture = source->bitsPerPixel == 8 ? *source : QuantiseTo8Bit(*source, transparent);
  Picture& picture = frame.picture;
  if (picture.palette.empty() || picture.palette.size() > 256) return std::nullopt;
  if (!transparent) return frame;

  std::vector<std::uint8_t> remap(256);
  for (std::size_t i = 0; i < remap.size(); ++i) {
    remap[i] = static_cast<std::uint8_t>(i);
    if (i < picture.palette.size() && SameColour(picture.palette[i], *transparent)) {
      if (frame.transparentIndex == NO_TRANSPARENT_COLOR)
        frame.transparentIndex = static_cast<int>(i);
      remap[i] = static_cast<std::uint8_t>(frame.transparentIndex);
    }
  }
  if (frame.transparentIndex == NO_TRANSPARENT_COLOR) return frame;
  for (int y = 0; y < picture.height; ++y) {
    std::uint8_t* row = picture.Row(y);
    for (int x = 0; x < picture.width; ++x) row[x] = remap[row[x]];
  }
  return frame;
}

// A colour map holding the frame's palette, sized to a power of two that covers every index
// in use.
ColourMap MakeColourMap(const Picture& picture) {
  int entries = static_cast<int>(picture.palette.size());
  for (int y = 0; y < picture.height; ++y) {
    const std::uint8_t* row = picture.Row(y);
    entries = std::max(entries, *std::max_element(row, row + picture.width) + 1);
  }
  ColourMap map(GifMakeMapObject(1 << GifBitSize(entries), nullptr));
  if (!map) return nullptr;
  for (int i = 0; i < map->ColorCount; ++i) {
    const PaletteEntry entry = static_cast<std::size_t>(i) < picture.palette.size()
                                   ? picture.palette[static_cast<std::size_t>(i)]
                                   : PaletteEntry{};
    map->Colors[i] = {entry.red, entry.green, entry.blue};
  }
  return map;
}

bool PutControlBlock(GifFileType* gif, const FrameRequest& request, const GifFrame& frame) {
  GraphicsControlBlock control{request.disposal, false, request.delayCentiseconds,
                               frame.transparentIndex};
  GifByteType bytes[4];
  const auto length = EGifGCBToExtension(&control, bytes);
  return EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), bytes) !=
         GIF_ERROR;
}

bool PutLoopForever(GifFileType* gif) {
  static const GifByteType kName[] = "NETSCAPE2.0";
  const GifByteType kLoopForever[] = {1, 0, 0};
  return EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) != GIF_ERROR &&
         EGifPutExtensionBlock(gif, 11, kName) != GIF_ERROR &&
         EGifPutExtensionBlock(gif, 3, kLoopForever) != GIF_ERROR &&
         EGifPutExtensionTrailer(gif) != GIF_ERROR;
}

// Writes one image with its control block; with `localColours` the image carries its own
// palette, otherwise it uses the screen's.
bool PutFrame(GifFileType* gif, const FrameRequest& request, GifFrame& frame,
              const ColorMapObject* localColours) {
  Picture& picture = frame.picture;
  if (!PutControlBlock(gif, request, frame) ||
      EGifPutImageDesc(gif, 0, 0, picture.width, picture.height, request.interlaced,
                       localColours) == GIF_ERROR) {
    return false;
  }
  for (const int y : GifRowOrder(picture.height, request.interlaced)) {
    if (EGifPutLine(gif, picture.Row(y), picture.width) == GIF_ERROR) return false;
  }
  return true;
}

// Writes the frames as one GIF, converting one at a time; `animated` adds the loop block and
// gives every frame its own palette. The logical screen is as large as the largest frame.
std::optional<Bytes> EncodeGif(std::span<const FrameRequest> requests, bool animated) {
  int width = 0, height = 0;
  for (const FrameRequest& request : requests) {
    width = std::max(width, request.picture->width);
    height = std::max(height, request.picture->height);
  }
  if (width > kLargestGifSide || height > kLargestGifSide) {
    RefuseTooWide();
    return std::nullopt;
  }
  Bytes output;
  int error = 0;
  GifWriter gif(EGifOpen(&output, WriteToMemory, &error));
  if (!gif) return std::nullopt;
  EGifSetGifVersion(gif.get(), true);
  for (std::size_t i = 0; i < requests.size(); ++i) {
    const FrameRequest& request = requests[i];
    auto frame = PrepareFrame(*request.picture, request.transparent);
    if (!frame) return std::nullopt;
    ColourMap colours = MakeColourMap(frame->picture);
    if (!colours) return std::nullopt;
    if (i == 0) {
      if (EGifPutScreenDesc(gif.get(), width, height, 8, 0, animated ? nullptr : colours.get()) ==
          GIF_ERROR) {
        return std::nullopt;
      }
      if (animated && !PutLoopForever(gif.get())) return std::nullopt;
    }
    if (!PutFrame(gif.get(), request, *frame, animated ? colours.get() : nullptr)) {
      return std::nullopt;
    }
  }
  if (EGifCloseFile(gif.release(), &error) == GIF_ERROR) return std::nullopt;
  return output;
}

std::optional<ColourRef> TransparentColour(std::uint32_t flags, ColourRef colour) {
  if ((flags & kGifFlagTransparent) == 0) return std::nullopt;
  return colour;
}

// What an animation's file holds before its first frame: the header, the logical screen without
// a colour table, and the loop block.
constexpr std::size_t kAnimationHeadBytes = 6 + 7 + 19;
constexpr GifByteType kTrailer = ';';

}  // namespace

std::optional<CodedGifFrame> CodeAnimationFrame(const AnimationFrame& record) {
  FrameRequest request;
  request.picture = FindPicture(record.picture);
  if ((record.flags & kGifFlagFrameValid) == 0 || request.picture == nullptr) return std::nullopt;
  request.transparent = TransparentColour(record.flags, record.transparent);
  request.interlaced = (record.flags & kGifFlagInterlace) != 0;
  request.delayCentiseconds = record.delayMs / 10;
  // Frame values 0 to 3 name the disposal method of the frame.
  request.disposal =
      record.frameValue <= DISPOSE_PREVIOUS ? record.frameValue : DISPOSAL_UNSPECIFIED;
  // Coded as an animation of this frame alone, whose blocks between head and trailer are the
  // frame's blocks in any animation: each frame has its own palette.
  auto bytes = EncodeGif(std::span(&request, 1), true);
  if (!bytes || bytes->size() <= kAnimationHeadBytes || bytes->back() != kTrailer) {
    return std::nullopt;
  }
  bytes->pop_back();
  bytes->erase(bytes->begin(), bytes->begin() + kAnimationHeadBytes);
  return CodedGifFrame{std::move(*bytes), request.picture->width, request.picture->height};
}

bool WriteCodedAnimation(const char* path, std::span<const CodedGifFrame> frames) {
  if (frames.empty()) return false;
  int width = 0, height = 0;
  for (const CodedGifFrame& frame : frames) {
    width = std::max(width, frame.width);
    height = std::max(height, frame.height);
  }
  if (width > kLargestGifSide || height > kLargestGifSide) return RefuseTooWide();
  Bytes output;
  int error = 0;
  GifWriter gif(EGifOpen(&output, WriteToMemory, &error));
  if (!gif) return false;
  EGifSetGifVersion(gif.get(), true);
  if (EGifPutScreenDesc(gif.get(), width, height, 8, 0, nullptr) == GIF_ERROR ||
      !PutLoopForever(gif.get()) || output.size() != kAnimationHeadBytes) {
    return false;
  }
  for (const CodedGifFrame& frame : frames) {
    output.insert(output.end(), frame.bytes.begin(), frame.bytes.end());
  }
  if (EGifCloseFile(gif.release(), &error) == GIF_ERROR) return false;
  return WriteFileAtomically(path, output);
}

}  // namespace imagelib

int SaveGif(const char* path, PictureHandle handle, const GifOptions* options) {
  imagelib::FrameRequest request;
  request.picture = imagelib::FindPicture(handle);
  if (request.picture == nullptr) return 0;
  if (options != nullptr) {
    request.transparent = imagelib::TransparentColour(options->flags, options->transparent);
    request.interlaced = (options->flags & kGifFlagInterlace) != 0;
  }
  const auto bytes = imagelib::EncodeGif(std::span(&request, 1), false);
  return bytes && imagelib::WriteFileAtomically(path, *bytes) ? 1 : 0;
}

int SaveAnimatedGif(const char* path, const AnimationFrame* records, int count, int /*reserved*/) {
  if (records == nullptr || count < 1 || count > imagelib::kMostFrames) return 0;
  std::vector<imagelib::CodedGifFrame> frames;
  for (const AnimationFrame& record : std::span(records, static_cast<std::size_t>(count))) {
    auto frame = imagelib::CodeAnimationFrame(record);
    if (!frame) return 0;
    frames.push_back(std::move(*frame));
  }
  return imagelib::WriteCodedAnimation(path, frames) ? 1 : 0;
}
