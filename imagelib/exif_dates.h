// When a photo was taken, as its Exif block says.
#pragma once

#include <optional>

#include "imagelib/codec_support.h"

namespace imagelib {

struct ExifDate {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// DateTimeOriginal of a block starting "Exif\0\0", else its DateTime; nothing when neither
// holds a real date ("YYYY:MM:DD hh:mm:ss" with a month, day and time that exist: cameras
// without a clock write zeros or blanks).
std::optional<ExifDate> ExifDateTaken(ByteSpan exif);

// The date of the Exif block of the picture file at `path`, of any format that holds one;
// nothing when it has none or cannot be read.
std::optional<ExifDate> FileDateTaken(const char* path);

}  // namespace imagelib
