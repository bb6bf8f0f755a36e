#include "engine/filters.h"

#include <array>
#include <cstdint>
#include <vector>

namespace {

// The dark colours that grey conversion maps to grey 1, as runs of blue values for one red and
// green. The mask filter moves them out of the way before it marks the corner colour.
struct NearBlackRun {
  int red;
  int green;
  int firstBlue;
  int lastBlue;
};
constexpr NearBlackRun kNearBlackRuns[] = {
    {0, 0, 5, 12}, {0, 1, 0, 7}, {0, 2, 0, 2}, {1, 0, 2, 10}, {1, 1, 0, 5}, {1, 2, 0, 0},
    {2, 0, 0, 7},  {2, 1, 0, 2}, {3, 0, 0, 5}, {3, 1, 0, 0},  {4, 0, 0, 2}, {5, 0, 0, 0},
};

constexpr ColourRef kSubstituteColour = MakeColour(29, 18, 8);
constexpr ColourRef kMarkerColour = MakeColour(1, 1, 1);
constexpr ColourRef kWhite = MakeColour(255, 255, 255);
constexpr ColourRef kBlack = MakeColour(0, 0, 0);

void ReplaceColour(PictureHandle picture, ColourRef from, ColourRef to) {
  ColourPair pair{from, to};
  ReplaceColours(picture, &pair, 1);
}

}  // namespace

void ApplyMask(PictureHandle& slot, int mode) {
  const ColourRef corner = mode == kFilterMaskCornerWhite ? kWhite : kBlack;
  const ColourRef rest = mode == kFilterMaskCornerWhite ? kBlack : kWhite;

  // Only pixels of the corner colour may turn grey 1 below, so the colours that would do so
  // anyway are replaced first.
  for (const NearBlackRun& run : kNearBlackRuns) {
    std::vector<ColourPair> pairs;
    for (int blue = run.firstBlue; blue <= run.lastBlue; ++blue) {
      pairs.push_back({MakeColour(run.red, run.green, blue), kSubstituteColour});
    }
    ReplaceColours(slot, pairs.data(), static_cast<int>(pairs.size()));
  }
  ReplaceColour(slot, GetPixelColour(slot, 0, 0), kMarkerColour);
  ConvertToGrey(slot, 255);

  std::vector<ColourPair> greys(256);
  for (int i = 0; i < 256; ++i) {
    greys[i] = {MakeColour(i, i, i), i == 1 ? kSubstituteColour : rest};
  }
  ReplaceColours(slot, greys.data(), static_cast<int>(greys.size()));
  ReplaceColour(slot, kSubstituteColour, corner);
}

void ApplyFilter(PictureHandle& slot, int filter) {
  switch (filter) {
    case kFilterGrey:
      ConvertToGrey(slot, 255);
      break;
    case kFilterNegative: {
      std::array<std::uint8_t, 256> inverted;
      for (int i = 0; i < 256; ++i) inverted[i] = static_cast<std::uint8_t>(255 - i);
      ApplyLookupTables(slot, inverted.data(), inverted.data(), inverted.data());
      break;
    }
    case kFilterSepia:
      ConvertToGrey(slot, 255);
      ScaleChannels(slot, 1400, 1000, 725);
      break;
    case kFilterSharpen:
      AdjustChannels(slot, 100, 100, 100);
      break;
    case kFilterSoften:
      AdjustChannels(slot, -100, -100, -100);
      break;
    case kFilterMaskCornerWhite:
    case kFilterMaskCornerBlack:
      ApplyMask(slot, filter);
      break;
    default:
      break;
  }
}
