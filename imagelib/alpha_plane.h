// The alpha plane of pictures loaded to keep their alpha, and the step between their own
// colours and the colours they show over white.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imagelib/picture.h"

namespace imagelib {

// What a decoder makes of a picture with alpha: its colours as they show over white, where
// pictures without alpha are shown (every output that has no alpha); or its own colours with
// the alpha kept in the picture's alpha plane (outputs that store alpha). A picture whose
// pixels are all opaque keeps no alpha plane either way.
enum class AlphaUse { kOverWhite, kKept };

// A colour of a pixel with alpha as it shows over white, where pictures without alpha are
// shown.
inline std::uint8_t OverWhite(std::uint8_t colour, std::uint8_t alpha) {
  return static_cast<std::uint8_t>((colour * alpha + 255 * (255 - alpha) + 127) / 255);
}

// The colour that shows as `shown` over white at `alpha`: the inverse of OverWhite, to the
// precision the alpha leaves (a fully transparent pixel comes back white).
inline std::uint8_t FromOverWhite(std::uint8_t shown, std::uint8_t alpha) {
  if (alpha == 0) return 255;
  const int value = ((shown - (255 - alpha)) * 255 + alpha / 2) / alpha;
  return static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

// Stores a row of B, G, R and alpha samples in a 24-bit row: shown over white, or with their
// own colours and their opacities in `alpha` (a row of the alpha plane) when it is given.
void StoreBgraRow(const std::uint8_t* bgra, std::size_t width, std::uint8_t* bgr,
                  std::uint8_t* alpha);

// Row `y` of a picture that keeps its alpha as B, G, R and alpha samples (R, G, B and alpha
// when `rgba`), for the encoders that store alpha.
void JoinAlphaRow(const Picture& picture, int y, std::uint8_t* out, bool rgba);

// Makes room for the alpha plane of a picture decoded for `use`, all opaque to begin with.
void AddAlphaPlane(Picture& picture, AlphaUse use);

// The colours of a picture that keeps its alpha, shown over white and taken back: the
// operations that blend neighbouring pixels blend them as they show, weighted by opacity.
void ShowOverWhite(Picture& picture);
void TakeFromWhite(Picture& picture);

// Removes the alpha plane of a picture whose pixels are all opaque.
void DropOpaqueAlpha(Picture& picture);

// The alpha plane as a 24-bit grey picture, and back.
Picture AlphaAsGrey(const Picture& picture);
void TakeAlphaFromGrey(const Picture& grey, Picture& picture);

// Runs a geometric operation on a picture and on its alpha plane alike, the plane made a
// 24-bit grey picture for it: `operation(picture, isAlphaPlane)` returns false, changing
// nothing, when it cannot be done. Operations that blend neighbouring pixels (`blends`) see the
// colours as they show over white, so that transparent pixels lend them nothing.
template <typename Operation>
bool WithAlphaPlane(Picture& picture, bool blends, Operation operation) {
  if (!picture.HasAlpha()) return operation(picture, false);
  Picture alpha = AlphaAsGrey(picture);
  if (!operation(alpha, true)) return false;
  if (blends) ShowOverWhite(picture);
  operation(picture, false);
  TakeAlphaFromGrey(alpha, picture);
  if (blends) TakeFromWhite(picture);
  return true;
}

}  // namespace imagelib
