// The crop boxes: their order, and the check that keeps each axis of a crop form within the
// group's stated range of 0 to 2500.
#pragma once

#include <array>

#include "resources/control_ids.h"

// The eight crop boxes in reading order: form 1 (start X, start Y, size X, size Y), then form 2
// (start X, start Y, end X, end Y).
inline constexpr std::array<int, 8> kCropBoxes = {
    kCropStartX1Box, kCropStartY1Box, kCropSizeXBox, kCropSizeYBox,
    kCropStartX2Box, kCropStartY2Box, kCropEndXBox,  kCropEndYBox,
};

// The values of the eight boxes, in the order of kCropBoxes.
using CropValues = std::array<int, 8>;

// Resets each offending axis: in form 1 a start outside 0..2500 or a size not within 1..2500
// gives start 0 and size 320; in form 2 a start outside 0..2500, an end above 2500 or an end not
// beyond its start gives start 0 and end 320.
CropValues CheckCropAxes(CropValues values);
