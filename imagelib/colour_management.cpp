#include "imagelib/colour_management.h"

#include <lcms2.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>

namespace imagelib {
namespace {

using Profile = ColourProfile;
using Transform = ColourTransform;

// sRGB's white point and primaries, for a gamma given without chromaticities.
constexpr Chromaticities kSrgbPrimaries = {0.3127, 0.3290, 0.64, 0.33, 0.30, 0.60, 0.15, 0.06};

bool IsSrgbGamma(double gamma) {
  return std::abs(gamma - kSrgbCurveGamma) < 0.000005;
}

// A profile of a file's gamma (a pure power curve, or sRGB's curve for sRGB's gamma) and
// chromaticities.
Profile GammaProfile(double gamma, const Chromaticities& primaries) {
  const cmsCIExyY white = {primaries.whiteX, primaries.whiteY, 1.0};
  const cmsCIExyYTRIPLE rgb = {{primaries.redX, primaries.redY, 1.0},
                               {primaries.greenX, primaries.greenY, 1.0},
                               {primaries.blueX, primaries.blueY, 1.0}};
  static constexpr cmsFloat64Number kSrgbCurve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92,
                                                     0.04045};
  cmsToneCurve* curve = IsSrgbGamma(gamma) ? cmsBuildParametricToneCurve(nullptr, 4, kSrgbCurve)
                                           : cmsBuildGamma(nullptr, 1.0 / gamma);
  if (curve == nullptr) return nullptr;
  cmsToneCurve* curves[3] = {curve, curve, curve};
  Profile profile(cmsCreateRGBProfile(&white, &rgb, curves));
  cmsFreeToneCurve(curve);
  return profile;
}

Profile SourceProfile(const ColourDescription& colours) {
  if (!colours.iccProfile.empty()) {
    return Profile(cmsOpenProfileFromMem(colours.iccProfile.data(),
                                         static_cast<cmsUInt32Number>(colours.iccProfile.size())));
  }
  if (colours.srgb || !(colours.gamma > 0)) return nullptr;
  if (colours.primaries) {
    if (Profile profile = GammaProfile(colours.gamma, *colours.primaries)) return profile;
  }
  return GammaProfile(colours.gamma, kSrgbPrimaries);
}

// A transform that changes no sample of a coarse lattice by more than one step is taken as sRGB
// itself: the picture then stays exactly as decoded.
bool ActsAsIdentity(void* transform) {
  constexpr int kSteps = 16;
  std::array<std::uint8_t, 3 * kSteps * kSteps * kSteps> lattice{};
  std::size_t at = 0;
  for (int r = 0; r < kSteps; ++r) {
    for (int g = 0; g < kSteps; ++g) {
      for (int b = 0; b < kSteps; ++b) {
        lattice[at++] = static_cast<std::uint8_t>(b * 17);
        lattice[at++] = static_cast<std::uint8_t>(g * 17);
        lattice[at++] = static_cast<std::uint8_t>(r * 17);
      }
    }
  }
  std::array<std::uint8_t, lattice.size()> converted{};
  cmsDoTransform(transform, lattice.data(), converted.data(), kSteps * kSteps * kSteps);
  for (std::size_t i = 0; i < lattice.size(); ++i) {
    if (std::abs(int{lattice[i]} - int{converted[i]}) > 1) return false;
  }
  return true;
}

void ConvertRgb(Picture& picture, void* transform) {
  if (picture.bitsPerPixel == 8) {
    std::vector<std::uint8_t> colours(3 * picture.palette.size());
    for (std::size_t i = 0; i < picture.palette.size(); ++i) {
      colours[3 * i] = picture.palette[i].blue;
      colours[3 * i + 1] = picture.palette[i].green;
      colours[3 * i + 2] = picture.palette[i].red;
    }
    cmsDoTransform(transform, colours.data(), colours.data(),
                   static_cast<cmsUInt32Number>(picture.palette.size()));
    for (std::size_t i = 0; i < picture.palette.size(); ++i) {
      picture.palette[i].blue = colours[3 * i];
      picture.palette[i].green = colours[3 * i + 1];
      picture.palette[i].red = colours[3 * i + 2];
    }
    return;
  }
  for (int y = 0; y < picture.height; ++y) {
    cmsDoTransform(transform, picture.Row(y), picture.Row(y),
                   static_cast<cmsUInt32Number>(picture.width));
  }
}

// A grey profile maps each grey level to a neutral sRGB level: the table of the levels, which
// is applied per channel, so the grey pictures that were widened to 24 bits are converted too.
std::array<std::uint8_t, 256> GreyLevels(void* transform) {
  std::array<std::uint8_t, 256> levels{};
  for (int i = 0; i < 256; ++i) levels[i] = static_cast<std::uint8_t>(i);
  std::array<std::uint8_t, 3 * 256> converted{};
  cmsDoTransform(transform, levels.data(), converted.data(), 256);
  for (int i = 0; i < 256; ++i) levels[i] = converted[3 * i + 1];
  return levels;
}

void ConvertGrey(Picture& picture, const std::array<std::uint8_t, 256>& table) {
  if (picture.bitsPerPixel == 8) {
    for (PaletteEntry& entry : picture.palette) {
      entry = {table[entry.blue], table[entry.green], table[entry.red], entry.reserved};
    }
    return;
  }
  for (int y = 0; y < picture.height; ++y) {
    std::uint8_t* row = picture.Row(y);
    for (int x = 0; x < 3 * picture.width; ++x) row[x] = table[row[x]];
  }
}

Transform MakeTransform(void* source, cmsUInt32Number sourceFormat, void* srgb,
                        cmsUInt32Number srgbFormat, cmsUInt32Number flags = 0) {
  return Transform(
      cmsCreateTransform(source, sourceFormat, srgb, srgbFormat, INTENT_PERCEPTUAL, flags));
}

}  // namespace

void ProfileCloser::operator()(void* profile) const {
  cmsCloseProfile(profile);
}

void TransformDeleter::operator()(void* transform) const {
  cmsDeleteTransform(transform);
}

std::unique_ptr<SrgbConversion> SrgbConversion::For(const ColourDescription& colours) {
  Profile source = SourceProfile(colours);
  if (!source) return nullptr;
  // Read as a number: a damaged profile may name a colour space that the enumeration lacks.
  const auto space = static_cast<std::uint32_t>(cmsGetColorSpace(source.get()));
  const bool grey = space == static_cast<std::uint32_t>(cmsSigGrayData);
  if (space != static_cast<std::uint32_t>(cmsSigRgbData) && !grey) return nullptr;
  Profile srgb(cmsCreate_sRGBProfile());
  if (!srgb) return nullptr;
  const Transform transform =
      MakeTransform(source.get(), grey ? TYPE_GRAY_8 : TYPE_BGR_8, srgb.get(), TYPE_BGR_8);
  if (!transform) return nullptr;
  if (grey) {
    const std::array<std::uint8_t, 256> levels = GreyLevels(transform.get());
    bool identity = true;
    for (int i = 0; i < 256; ++i) identity = identity && std::abs(levels[i] - i) <= 1;
    if (identity) return nullptr;
  } else if (ActsAsIdentity(transform.get())) {
    return nullptr;
  }
  return std::unique_ptr<SrgbConversion>(
      new SrgbConversion(std::move(source), std::move(srgb), grey));
}

void SrgbConversion::Convert(Picture& picture) const {
  if ((picture.bitsPerPixel != 24 && picture.bitsPerPixel != 8) || picture.IsCompressed()) return;
  const Transform transform =
      MakeTransform(source_.get(), grey_ ? TYPE_GRAY_8 : TYPE_BGR_8, srgb_.get(), TYPE_BGR_8);
  if (!transform) return;
  if (grey_) {
    ConvertGrey(picture, GreyLevels(transform.get()));
  } else {
    ConvertRgb(picture, transform.get());
  }
}

void SrgbConversion::ConvertRgba(const std::uint8_t* rgba, int bytesPerSample, std::uint8_t* bgra,
                                 std::size_t pixels) {
  if (rgbaSampleBytes_ != bytesPerSample) {
    rgbaTransform_ = MakeTransform(source_.get(), bytesPerSample == 2 ? TYPE_RGBA_16 : TYPE_RGBA_8,
                                   srgb_.get(), TYPE_BGRA_8, cmsFLAGS_COPY_ALPHA);
    rgbaSampleBytes_ = bytesPerSample;
  }
  if (rgbaTransform_) {
    cmsDoTransform(rgbaTransform_.get(), rgba, bgra, static_cast<cmsUInt32Number>(pixels));
    return;
  }
  // Without a transform the samples are kept as they are, narrowed to 8 bits.
  const int high = bytesPerSample == 2 ? 1 : 0;
  for (std::size_t i = 0; i < pixels; ++i, rgba += 4 * bytesPerSample, bgra += 4) {
    for (int channel = 0; channel < 4; ++channel) {
      bgra[channel == 3 ? 3 : 2 - channel] = rgba[channel * bytesPerSample + high];
    }
  }
}

CmykConversion::CmykConversion(const Bytes& iccProfile, bool inverted) : inverted_(inverted) {
  if (iccProfile.empty()) return;
  Profile source(
      cmsOpenProfileFromMem(iccProfile.data(), static_cast<cmsUInt32Number>(iccProfile.size())));
  if (!source || cmsGetColorSpace(source.get()) != cmsSigCmykData) return;
  Profile srgb(cmsCreate_sRGBProfile());
  if (!srgb) return;
  // LittleCMS's reversed layout is the inverted storing: 0 is full ink. Printing profiles are
  // shown with the relative colorimetric intent, as other viewers show them: their perceptual
  // tables are made for printing pictures from other colour spaces on that press.
  transform_ =
      Transform(cmsCreateTransform(source.get(), inverted ? TYPE_CMYK_8_REV : TYPE_CMYK_8,
                                   srgb.get(), TYPE_BGR_8, INTENT_RELATIVE_COLORIMETRIC, 0));
}

void CmykConversion::ConvertRow(const std::uint8_t* inks, std::uint8_t* bgr,
                                std::size_t pixels) const {
  if (transform_) {
    cmsDoTransform(transform_.get(), inks, bgr, static_cast<cmsUInt32Number>(pixels));
    return;
  }
  auto channel = [this](int ink, int black) {
    if (inverted_) return static_cast<std::uint8_t>((ink * black + 127) / 255);
    return static_cast<std::uint8_t>(((255 - ink) * (255 - black) + 127) / 255);
  };
  for (std::size_t x = 0; x < pixels; ++x, inks += 4, bgr += 3) {
    bgr[0] = channel(inks[2], inks[3]);
    bgr[1] = channel(inks[1], inks[3]);
    bgr[2] = channel(inks[0], inks[3]);
  }
}

void ConvertToSrgb(Picture& picture, const ColourDescription& colours) {
  if (const auto conversion = SrgbConversion::For(colours)) conversion->Convert(picture);
}

}  // namespace imagelib
