// When a photo was taken, as its Exif block says.
#pragma once

#include <optional>

#include "imagelib/codec_support.h"
#include "platform/files.h"

namespace imagelib {

// DateTimeOriginal of a block starting "Exif\0\0", else its DateTime, as the camera's clock
// showed it (Exif keeps local time); nothing when neither holds a real date
// ("YYYY:MM:DD hh:mm:ss" with a month, day and time that exist: cameras without a clock write
// zeros or blanks).
std::optional<platform::LocalTime> ExifDateTaken(ByteSpan exif);

// The date of the Exif block of the picture file at `path`, of any format that holds one;
// nothing when it has none or cannot be read.
std::optional<platform::LocalTime> FileDateTaken(const char* path);

}  // namespace imagelib
