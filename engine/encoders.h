// The format encoders: write the processed picture of a slot in the output format DIB_TYPE
// with that format's options from the target record.
#pragma once

#include <optional>
#include <span>

#include "imagelib/gif_animation.h"
#include "imagelib/imagelib.h"
#include "state/app_state.h"
#include "state/output_formats.h"

// Formats written by converting the picture, whose facts a trial conversion measures (all but
// the table art).
bool IsPictureFormat(int format);

// Formats that store alpha: their pictures are loaded keeping it.
bool StoresAlpha(int format);

// Formats with a place for an Exif block.
bool StoresExif(int format);

// Writes `picture` to target.path by target.DIB_TYPE. Non-zero on success: kSavedOverCap when
// a file with a byte cap (a JPEG's JPG_MAX_KB, or its share of the run's budget, budgetShare)
// was written at the lowest quality and is still larger.
inline constexpr int kSavedOverCap = 2;
int SaveByFormat(PictureHandle picture, const PictureRecord& target);

// Writes `frames` as one animated GIF to target.path; 0 at once when DIB_TYPE is not GIF.
int SaveAnimation(std::span<const PictureHandle> frames, const PictureRecord& target);
// One frame of the animated GIF, coded with the target's options, for SaveCodedAnimation.
std::optional<imagelib::CodedGifFrame> CodeFrame(PictureHandle picture,
                                                 const PictureRecord& target);
// Writes the coded frames as one animated GIF to target.path; 0 when DIB_TYPE is not GIF.
int SaveCodedAnimation(std::span<const imagelib::CodedGifFrame> frames,
                       const PictureRecord& target);
// The same for frameImages[0 .. paths.itemCount - 1] and the target record.
int SaveAnimation();

// The per-format writers; each may convert the picture's depth in place first.
int WriteBmp(PictureHandle picture, const char* path, const PictureRecord& target);
int WriteJpeg(PictureHandle picture, const char* path, const PictureRecord& target);
int WritePng(PictureHandle picture, const char* path, const PictureRecord& target);
int WriteGif(PictureHandle picture, const char* path, const PictureRecord& target);
int WriteHtm(PictureHandle picture, const char* path, const PictureRecord& target);
int WriteWebp(PictureHandle picture, const char* path, const PictureRecord& target);
int WriteAvif(PictureHandle picture, const char* path, const PictureRecord& target);
int WriteJxl(PictureHandle picture, const char* path, const PictureRecord& target);
int WriteAnimatedGif(const PictureHandle* frames, int count, const char* path,
                     const PictureRecord& target);
