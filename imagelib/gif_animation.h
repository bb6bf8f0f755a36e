// Animated GIFs made frame by frame: a frame is coded (8 bits, its own palette, compressed) as
// soon as it is ready, on any thread, so that its pixels can go; the coded frames are then
// written as one file, byte for byte what SaveAnimatedGif writes for the same frames.
#pragma once

#include <optional>
#include <span>

#include "imagelib/codec_support.h"

namespace imagelib {

inline constexpr int kMostFrames = 1000;

struct CodedGifFrame {
  Bytes bytes;
  int width = 0;
  int height = 0;
};

// The frame of `record`, whose picture stays as it is; nothing when it cannot be coded.
std::optional<CodedGifFrame> CodeAnimationFrame(const AnimationFrame& record);

// Writes the frames as one looping animation whose screen is as large as the largest frame.
bool WriteCodedAnimation(const char* path, std::span<const CodedGifFrame> frames);

}  // namespace imagelib
