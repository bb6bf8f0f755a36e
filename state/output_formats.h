// The output formats, one row each in DIB_TYPE order: what the settings, the output names and the
// picture facts know of them. engine/encoders.cpp gives each written format its writer.
#pragma once

#include <cstddef>
#include <iterator>
#include <string_view>

#include "imagelib/imagelib.h"
#include "resources/control_ids.h"

enum OutputFormat {
  kFormatBmp = 0,
  kFormatJpeg = 1,
  kFormatPng = 2,
  kFormatGif = 3,
  kFormatHtm = 4,
  kFormatWebp = 5,
  kFormatAvif = 6,
  kFormatJxl = 7,
  // Kinds the program reads but does not write: HEIC has a type name, kFormatNone none.
  kFormatHeic = 8,
  kFormatNone = 9,
};

struct OutputFormatRow {
  int format;
  // Its files' extension in capitals, also the type the picture facts show ("JPG").
  std::string_view typeName;
  // The library's kind (kIdentified*) of its files; kIdentifiedNone for the table art.
  int kind;
  // Offered in the format list and written; the rows after the written ones are only read.
  bool written;
  // The settings page of its options; 0 for none.
  int settingsPage;
};

inline constexpr OutputFormatRow kOutputFormats[] = {
    {kFormatBmp, "BMP", kIdentifiedBmp, true, kBmpPage},
    {kFormatJpeg, "JPG", kIdentifiedJpeg, true, kJpgPage},
    {kFormatPng, "PNG", kIdentifiedPng, true, kPngPage},
    {kFormatGif, "GIF", kIdentifiedGif, true, kGifPage},
    {kFormatHtm, "HTM", kIdentifiedNone, true, kHtmPage},
    {kFormatWebp, "WEBP", kIdentifiedWebp, true, kWebpPage},
    {kFormatAvif, "AVIF", kIdentifiedAvif, true, kAvifPage},
    {kFormatJxl, "JXL", kIdentifiedJxl, true, kJxlPage},
    {kFormatHeic, "HEIC", kIdentifiedHeic, false, 0},
};

// The number of written formats: the rows the format list offers, first in the table.
constexpr std::size_t WrittenFormatCount() {
  std::size_t count = 0;
  while (count < std::size(kOutputFormats) && kOutputFormats[count].written) ++count;
  return count;
}

// The row of DIB_TYPE `format`; null for kFormatNone and any other number outside the table.
const OutputFormatRow* OutputFormatRowOf(int format);
// The output format whose files are of the library's kind `kind`; kFormatNone for none.
int OutputFormatOfKind(int kind);
