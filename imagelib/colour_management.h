// Bringing decoded pictures into sRGB, as browsers show them, from the colour information that
// their files carry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "imagelib/codec_support.h"

namespace imagelib {

// CIE xy chromaticities of the white point and the three primaries.
struct Chromaticities {
  double whiteX = 0, whiteY = 0;
  double redX = 0, redY = 0;
  double greenX = 0, greenY = 0;
  double blueX = 0, blueY = 0;
};

// The gamma that stands for sRGB's own curve rather than a pure power curve (PNG writers give
// it for sRGB, 45455 in the file).
inline constexpr double kSrgbCurveGamma = 0.45455;

// What a file says about its colours. An embedded profile comes first, then a declaration of
// sRGB, then a gamma (with the primaries, sRGB's when none are given).
struct ColourDescription {
  Bytes iccProfile;
  bool srgb = false;
  // The exponent that encoded the samples from linear light; 0 when the file gives none.
  double gamma = 0;
  std::optional<Chromaticities> primaries;
};

// An open colour profile of LittleCMS, closed when dropped.
struct ProfileCloser {
  void operator()(void* profile) const;
};
using ColourProfile = std::unique_ptr<void, ProfileCloser>;

// A colour transform of LittleCMS, deleted when dropped.
struct TransformDeleter {
  void operator()(void* transform) const;
};
using ColourTransform = std::unique_ptr<void, TransformDeleter>;

// A conversion of a file's colours to sRGB.
class SrgbConversion {
 public:
  // Nothing when the file's colours need no conversion: no colour information, declared sRGB,
  // or a profile that is damaged, not for RGB or grey, or as good as sRGB.
  static std::unique_ptr<SrgbConversion> For(const ColourDescription& colours);

  // The file's colours are grey levels (its profile is a grey one).
  bool IsGrey() const { return grey_; }

  // Converts a decoded 24-bit or palette picture in place.
  void Convert(Picture& picture) const;

  // Converts `pixels` RGB pixels with alpha, 8 or 16 bits a sample (16-bit ones in the
  // machine's order), into 8-bit B, G, R with the alpha kept. Not for grey profiles. The
  // transform is made at the first call and kept for the rows that follow.
  void ConvertRgba(const std::uint8_t* rgba, int bytesPerSample, std::uint8_t* bgra,
                   std::size_t pixels);

 private:
  SrgbConversion(ColourProfile source, ColourProfile srgb, bool grey)
      : source_(std::move(source)), srgb_(std::move(srgb)), grey_(grey) {}

  ColourProfile source_;
  ColourProfile srgb_;
  bool grey_;
  ColourTransform rgbaTransform_;
  int rgbaSampleBytes_ = 0;
};

// Turns rows of CMYK inks, as a JPEG decoder gives them, into sRGB: through the file's CMYK
// profile when it has a usable one, otherwise by the plain formula of inks on white paper.
class CmykConversion {
 public:
  // `inverted`: the inks are stored inverted (0 = full ink), as Adobe's writers store them.
  CmykConversion(const Bytes& iccProfile, bool inverted);

  // Converts `pixels` pixels of C, M, Y, K into B, G, R.
  void ConvertRow(const std::uint8_t* inks, std::uint8_t* bgr, std::size_t pixels) const;

 private:
  ColourTransform transform_;
  bool inverted_;
};

// Converts the colours of a decoded 24-bit or palette picture to sRGB, when they need it.
void ConvertToSrgb(Picture& picture, const ColourDescription& colours);

}  // namespace imagelib
