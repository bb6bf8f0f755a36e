// The picture filters chosen by FILTER_TYPE, applied to the picture in a slot.
#pragma once

#include "imagelib/imagelib.h"

enum FilterType {
  kFilterNone = 0,
  kFilterGrey = 1,
  kFilterNegative = 2,
  kFilterSepia = 3,
  kFilterSharpen = 4,
  kFilterSoften = 5,
  kFilterMaskCornerWhite = 6,
  kFilterMaskCornerBlack = 7,
};

// Applies filter `filter` (0..7); any other value leaves the picture unchanged.
void ApplyFilter(PictureHandle& slot, int filter);

// Mask filters 6 and 7: pixels of the top-left pixel's colour become the corner colour (white
// for 6, black for 7), every other pixel the other one.
void ApplyMask(PictureHandle& slot, int mode);
