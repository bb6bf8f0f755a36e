// libFuzzer target: decodes arbitrary bytes as a JPEG XL file, half the inputs (by their length)
// keeping their alpha, and finds and edits its Exif block as a conversion that keeps it would.
// JPEG XL has a target of its own until the loader's table of formats names it.
#include <cstddef>
#include <cstdint>

#include "imagelib/codec_support.h"
#include "imagelib/exif_editing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const imagelib::ByteSpan bytes(data, size);
  const auto alpha = size % 2 == 0 ? imagelib::AlphaUse::kOverWhite : imagelib::AlphaUse::kKept;
  if (auto picture = imagelib::DecodeJxl(bytes, alpha)) {
    // Touch every pixel so that a picture smaller than it claims is caught by the sanitizers.
    volatile std::uint8_t sum = 0;
    for (const std::uint8_t byte : picture->pixels) sum = sum + byte;
    if (picture->HasAlpha() &&
        picture->alpha.size() !=
            static_cast<std::size_t>(picture->width) * static_cast<std::size_t>(picture->height)) {
      __builtin_trap();
    }
  }
  const auto keep = size % 3 == 0 ? imagelib::ExifKeep::kAll : imagelib::ExifKeep::kDateAndCamera;
  imagelib::ExifForOutput(imagelib::JxlExif(bytes), keep, 640, 480);
  return 0;
}
