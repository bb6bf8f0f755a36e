// The image pipeline: one input file (source.path) to one output file (target.path) through
// load, filter, crop, rotation, resize and the encoder, or one frame of an animated GIF.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "engine/output_size.h"
#include "imagelib/gif_animation.h"
#include "imagelib/picture_strips.h"
#include "state/app_state.h"

// The size the resize step gives a picture of the given size.
PixelSize ResizedSize(PixelSize picture, const PictureRecord& target);
// True when the picture reaches the resize step as it was loaded: no crop, turn, or filter that
// looks at more than one pixel. Its output is then the loaded picture resized (or not).
bool KeepsShapeAsLoaded(const PictureRecord& target);

// One picture through workImage. Non-zero when the encoder succeeded: SaveByFormat's value.
int ConvertSingle();

// One frame into frameImages[index]; with `isLast` non-zero, writes all paths.itemCount frames.
int ConvertFrame(int index, int isLast);

// The same steps on records and slots of the caller's own, touching no shared state, so that
// several conversions may run at once. `slot` is empty afterwards. A step that fails and says
// nothing itself (a load does, as a message) puts its reason into `failure` when given.
int ConvertSingleWith(const PictureRecord& source, const PictureRecord& target, PictureHandle& slot,
                      std::string* failure = nullptr);
// The same conversion in two halves, for a caller that uses the decoded picture in between:
// the load (false when source.path cannot be decoded, or not in the memory left: the message
// for it is ShowLoadFailure's), then the steps after it on the picture in `slot`, which is empty
// afterwards. `written`, when given, receives the size of the picture handed to the encoder.
bool LoadForConversion(const PictureRecord& source, const PictureRecord& target,
                       PictureHandle& slot);
void ShowLoadFailure(const PictureRecord& source);
// Strips of source.path's rows as LoadForConversion would decode them, without the rows
// between; nothing for a file that has none (imagelib/picture_strips.h) or when that failed.
std::optional<imagelib::PictureStrips> LoadStripsForConversion(const PictureRecord& source,
                                                               const PictureRecord& target,
                                                               const imagelib::StripRule& stripsOf);
int ConvertLoadedWith(const PictureRecord& source, const PictureRecord& target, PictureHandle& slot,
                      PixelSize* written = nullptr, std::string* failure = nullptr);
// Prepares the animation's frame `index` in `slot` (resized and turned) and codes it into
// coded[index]; `slot` is empty afterwards, so that no frame's pixels wait for the last.
int CodeFrameWith(const PictureRecord& source, const PictureRecord& target, PictureHandle& slot,
                  std::span<imagelib::CodedGifFrame> coded, int index,
                  std::string* failure = nullptr);
// Writes the animation of `frames`, `source` being its last frame's file; running out of memory
// fails it with that file's memory message.
int SaveCodedAnimationWith(const PictureRecord& source, const PictureRecord& target,
                           std::span<const imagelib::CodedGifFrame> frames,
                           std::string* failure = nullptr);
