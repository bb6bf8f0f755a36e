// libFuzzer target: decodes arbitrary bytes as a picture of any supported kind.
#include <cstddef>
#include <cstdint>

#include "engine/imagelib/codec_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto picture = imagelib::DecodePicture(imagelib::ByteSpan(data, size));
  if (picture) {
    // Touch every pixel so that a picture smaller than it claims is caught by the sanitizers.
    const auto& store = picture->IsCompressed() ? picture->rle : picture->pixels;
    volatile std::uint8_t sum = 0;
    for (const std::uint8_t byte : store) sum = sum + byte;
  }
  return 0;
}
