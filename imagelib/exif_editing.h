// The Exif block a converted picture carries: the source's, edited in place so that every
// offset the camera wrote (its maker's notes among them) still holds.
#pragma once

#include "imagelib/codec_support.h"

namespace imagelib {

// What of the source's Exif a converted picture keeps (EXIF_KEEP).
enum class ExifKeep {
  kNone = 0,
  // The date, the camera, the lens and the exposure; no location, XMP packet, maker's notes,
  // comments, names or serial numbers.
  kDateAndCamera = 1,
  kAll = 2,
};

// The block (starting "Exif\0\0") to store with a picture of `width` × `height` made from one
// whose block is `exif`: Orientation 1, as the pixels already stand upright; the pixel sizes
// the new ones; no thumbnail; under kDateAndCamera only the tags it names, the bytes of every
// other one zeroed. Empty when nothing is kept or the block cannot be read.
Bytes ExifForOutput(ByteSpan exif, ExifKeep keep, int width, int height);

// As ExifForOutput for the same pixels in the same layout (a JPEG recompressed without being
// decoded): the orientation and the pixel sizes stay as they are.
Bytes ExifForSamePixels(ByteSpan exif, ExifKeep keep);

// The JPEG file with the block of its Exif segment replaced by `exif`, or the segment removed
// when `exif` is empty; the file as it is when it has no Exif segment.
Bytes JpegWithExifBlock(ByteSpan jpeg, ByteSpan exif);

// "Exif\0\0" and the TIFF data after it.
Bytes WithExifHeader(ByteSpan tiff);

// The Exif block of a JPEG, PNG, WebP, HEIC, AVIF or JPEG XL file, with its "Exif\0\0" header;
// empty when it has none.
Bytes ExifBlockOf(ByteSpan file);

// The Exif block of a file of one format, for its row of picture_formats.
Bytes JpegExif(ByteSpan file);
Bytes PngExif(ByteSpan file);
Bytes WebpExif(ByteSpan file);

}  // namespace imagelib
