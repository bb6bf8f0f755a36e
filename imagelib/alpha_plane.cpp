#include "imagelib/alpha_plane.h"

#include <algorithm>

namespace imagelib {

void StoreBgraRow(const std::uint8_t* bgra, std::size_t width, std::uint8_t* bgr,
                  std::uint8_t* alpha) {
  for (std::size_t x = 0; x < width; ++x, bgra += 4, bgr += 3) {
    if (alpha != nullptr) {
      bgr[0] = bgra[0];
      bgr[1] = bgra[1];
      bgr[2] = bgra[2];
      alpha[x] = bgra[3];
    } else {
      bgr[0] = OverWhite(bgra[0], bgra[3]);
      bgr[1] = OverWhite(bgra[1], bgra[3]);
      bgr[2] = OverWhite(bgra[2], bgra[3]);
    }
  }
}

void JoinAlphaRow(const Picture& picture, int y, std::uint8_t* out, bool rgba) {
  const std::uint8_t* pixel = picture.Row(y);
  const std::uint8_t* alpha = picture.AlphaRow(y);
  for (int x = 0; x < picture.width; ++x, pixel += 3, out += 4) {
    out[0] = pixel[rgba ? 2 : 0];
    out[1] = pixel[1];
    out[2] = pixel[rgba ? 0 : 2];
    out[3] = alpha[x];
  }
}

void AddAlphaPlane(Picture& picture, AlphaUse use) {
  if (use != AlphaUse::kKept) return;
  picture.alpha.assign(
      static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height), 255);
}

namespace {

template <typename Change>
void ChangeColours(Picture& picture, Change change) {
  for (int y = 0; y < picture.height && picture.HasAlpha(); ++y) {
    std::uint8_t* pixel = picture.Row(y);
    const std::uint8_t* alpha = picture.AlphaRow(y);
    for (int x = 0; x < picture.width; ++x, pixel += 3) {
      for (int channel = 0; channel < 3; ++channel)
        pixel[channel] = change(pixel[channel], alpha[x]);
    }
  }
}

}  // namespace

void ShowOverWhite(Picture& picture) {
  ChangeColours(picture, OverWhite);
}

void TakeFromWhite(Picture& picture) {
  ChangeColours(picture, FromOverWhite);
}

void DropOpaqueAlpha(Picture& picture) {
  if (std::all_of(picture.alpha.begin(), picture.alpha.end(),
                  [](std::uint8_t opacity) { return opacity == 255; })) {
    picture.alpha.clear();
    picture.alpha.shrink_to_fit();
  }
}

Picture AlphaAsGrey(const Picture& picture) {
  Picture grey;
  grey.width = picture.width;
  grey.height = picture.height;
  grey.pixels.resize(grey.Stride() * static_cast<std::size_t>(grey.height));
  for (int y = 0; y < grey.height; ++y) {
    std::uint8_t* out = grey.Row(y);
    const std::uint8_t* alpha = picture.AlphaRow(y);
    for (int x = 0; x < grey.width; ++x, out += 3) out[0] = out[1] = out[2] = alpha[x];
  }
  return grey;
}

void TakeAlphaFromGrey(const Picture& grey, Picture& picture) {
  picture.alpha.resize(static_cast<std::size_t>(grey.width) *
                       static_cast<std::size_t>(grey.height));
  for (int y = 0; y < grey.height; ++y) {
    const std::uint8_t* in = grey.Row(y);
    std::uint8_t* alpha = picture.AlphaRow(y);
    for (int x = 0; x < grey.width; ++x, in += 3) alpha[x] = in[0];
  }
}

}  // namespace imagelib
