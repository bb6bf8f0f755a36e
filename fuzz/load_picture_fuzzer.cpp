// libFuzzer target: decodes arbitrary bytes as a picture of any supported kind, half the inputs
// (by their length) keeping their alpha, and as a JPEG's strips alone, as an estimate samples
// them; finds and edits the file's Exif block as a conversion that keeps it would, and reads the
// date it was taken.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imagelib/codec_support.h"
#include "imagelib/exif_dates.h"
#include "imagelib/exif_editing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto alpha = size % 2 == 0 ? imagelib::AlphaUse::kOverWhite : imagelib::AlphaUse::kKept;
  auto picture =
      imagelib::DecodePicture(imagelib::ByteSpan(data, size), {.alpha = alpha, .resizedTo = {}});
  if (picture) {
    // Touch every pixel so that a picture smaller than it claims is caught by the sanitizers.
    const auto& store = picture->IsCompressed() ? picture->rle : picture->pixels;
    volatile std::uint8_t sum = 0;
    for (const std::uint8_t byte : store) sum = sum + byte;
    // A kept alpha plane covers the whole picture.
    if (picture->HasAlpha() &&
        picture->alpha.size() !=
            static_cast<std::size_t>(picture->width) * static_cast<std::size_t>(picture->height)) {
      __builtin_trap();
    }
  }
  // Strips at the top, the middle and the bottom, the rows between read past.
  const auto strips = imagelib::DecodeJpegStrips(
      imagelib::ByteSpan(data, size), {}, [](PictureSize, bool, int rows) {
        return std::vector<imagelib::RowRange>{{0, 2}, {rows / 2, rows / 2 + 3}, {rows - 2, rows}};
      });
  if (strips && strips->rows->pixels.size() !=
                    strips->rows->Stride() * static_cast<std::size_t>(strips->rows->height)) {
    __builtin_trap();
  }
  const auto keep = size % 3 == 0 ? imagelib::ExifKeep::kAll : imagelib::ExifKeep::kDateAndCamera;
  const imagelib::Bytes exif = imagelib::ExifBlockOf(imagelib::ByteSpan(data, size));
  imagelib::ExifForOutput(exif, keep, 640, 480);
  imagelib::ExifDateTaken(exif);
  return 0;
}
