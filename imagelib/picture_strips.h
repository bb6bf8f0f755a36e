// Strips of a picture's rows decoded without the rows between them: what a byte estimate samples
// of a large picture, for a part of the whole decode's cost. Only JPEG files have them: their
// decoder can pass over rows, reading their data without making their pixels.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "imagelib/imagelib.h"
#include "imagelib/picture.h"

namespace imagelib {

// Rows from `top` up to but not including `bottom`.
struct RowRange {
  int top = 0;
  int bottom = 0;
};

struct PictureStrips {
  // The strips' rows one under the other, at the scale the whole would be decoded at, in sRGB,
  // turned as the file says: the strips of a picture its file turns a quarter stand side by
  // side as columns.
  std::unique_ptr<Picture> rows;
  // The picture's size as its file holds it, turned as the file says.
  PictureSize shown{0, 0};
};

// The strips of the file's rows to decode, ascending and apart, for a picture of the given size
// as shown, which its file turns a quarter or not, of `rows` rows as stored at the scale
// decoded; none when none are wanted.
using StripRule = std::function<std::vector<RowRange>(PictureSize shown, bool turned, int rows)>;

// The strips of the file at `path`, decoded as LoadPictureForResize with `resizedTo` decodes the
// whole; nothing for a file without strips, when none are wanted, or when they cannot be decoded
// (the whole decode tells why).
std::optional<PictureStrips> LoadPictureStrips(const char* path, const ResizedSizeRule& resizedTo,
                                               const StripRule& stripsOf);

}  // namespace imagelib
