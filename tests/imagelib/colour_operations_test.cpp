// Grey conversion, colour replacement, channel scaling and lookup tables, including the exact
// colours the mask filters depend on.
#include <gtest/gtest.h>

#include <array>
#include <set>
#include <vector>

#include "imagelib/imagelib.h"
#include "imagelib/picture_store.h"
#include "tests/imagelib/test_pictures.h"

namespace {

using testpictures::Make24Bit;
using testpictures::MakeFlat;
using testpictures::PixelsOf;

// The dark colours the mask filters replace by a substitute before grey conversion, so that
// afterwards only the marker RGB(1,1,1) gives grey 1: (red, green, lowest blue, highest blue).
struct NearBlackGroup {
  int red;
  int green;
  int firstBlue;
  int lastBlue;
};
constexpr NearBlackGroup kNearBlack[] = {{0, 0, 5, 12}, {0, 1, 0, 7}, {0, 2, 0, 2}, {1, 0, 2, 10},
                                         {1, 1, 0, 5},  {1, 2, 0, 0}, {2, 0, 0, 7}, {2, 1, 0, 2},
                                         {3, 0, 0, 5},  {3, 1, 0, 0}, {4, 0, 0, 2}, {5, 0, 0, 0}};

std::set<ColourRef> NearBlackColours() {
  std::set<ColourRef> colours;
  for (const NearBlackGroup& group : kNearBlack) {
    for (int blue = group.firstBlue; blue <= group.lastBlue; ++blue) {
      colours.insert(MakeColour(group.red, group.green, blue));
    }
  }
  return colours;
}

TEST(ConvertToGreyTest, ExactlyTheNearBlackColoursBecomeGreyOne) {
  std::set<ColourRef> expected = NearBlackColours();
  ASSERT_EQ(expected.size(), 57u);
  ASSERT_EQ(expected.count(MakeColour(1, 1, 1)), 1u);
  // Every 24-bit colour once: 4096 × 4096 pixels.
  ScopedPicture all =
      Make24Bit(4096, 4096, [](int x, int y) { return static_cast<ColourRef>(y * 4096 + x); });
  ASSERT_EQ(ConvertToGrey(all.Get(), 255), 1);
  // Read from the stored rows directly: 16 million library calls would be slow in the
  // sanitiser build.
  const imagelib::Picture* grey = imagelib::FindPicture(all.Get());
  ASSERT_EQ(grey->bitsPerPixel, 24);
  std::set<ColourRef> greyOne;
  for (int y = 0; y < 4096; ++y) {
    const std::uint8_t* pixel = grey->Row(y);
    for (int x = 0; x < 4096; ++x, pixel += 3) {
      ASSERT_TRUE(pixel[0] == pixel[1] && pixel[1] == pixel[2]) << x << "," << y;
      if (pixel[0] == 1) greyOne.insert(static_cast<ColourRef>(y * 4096 + x));
    }
  }
  EXPECT_EQ(greyOne, expected);
}

TEST(ConvertToGreyTest, GreysStayAndColoursFollowLuminance) {
  ScopedPicture greys = Make24Bit(256, 1, [](int x, int) { return MakeColour(x, x, x); });
  ConvertToGrey(greys.Get(), 255);
  for (int x = 0; x < 256; ++x) EXPECT_EQ(GetPixelColour(greys.Get(), x, 0), MakeColour(x, x, x));

  ScopedPicture primaries = Make24Bit(3, 1, [](int x, int) {
    return MakeColour(x == 0 ? 255 : 0, x == 1 ? 255 : 0, x == 2 ? 255 : 0);
  });
  ConvertToGrey(primaries.Get(), 255);
  std::vector<ColourRef> grey = PixelsOf(primaries.Get());
  // Green is brightest, blue darkest, as the eye sees them.
  EXPECT_GT(RedOf(grey[1]), RedOf(grey[0]));
  EXPECT_GT(RedOf(grey[0]), RedOf(grey[2]));
  EXPECT_NEAR(RedOf(grey[0]), 76, 1);
  EXPECT_NEAR(RedOf(grey[1]), 150, 1);
}

TEST(ConvertToGreyTest, MaximumIsTheBrightestLevel) {
  ScopedPicture white = MakeFlat(2, 2, MakeColour(255, 255, 255));
  ConvertToGrey(white.Get(), 100);
  EXPECT_EQ(GetPixelColour(white.Get(), 1, 1), MakeColour(100, 100, 100));
}

TEST(ReplaceColoursTest, MatchesExactlyAndOnlyOnce) {
  // A near-black colour, its neighbours and a colour that is the target of another pair.
  const ColourRef colours[] = {MakeColour(0, 0, 5), MakeColour(0, 0, 4), MakeColour(0, 0, 6),
                               MakeColour(29, 18, 8), MakeColour(1, 1, 1)};
  ScopedPicture picture = Make24Bit(5, 1, [&](int x, int) { return colours[x]; });
  const ColourPair pairs[] = {{MakeColour(0, 0, 5), MakeColour(29, 18, 8)},
                              {MakeColour(29, 18, 8), MakeColour(255, 255, 255)},
                              {MakeColour(0, 0, 5), MakeColour(9, 9, 9)}};
  ASSERT_EQ(ReplaceColours(picture.Get(), pairs, 3), 1);
  std::vector<ColourRef> expected = {MakeColour(29, 18, 8), MakeColour(0, 0, 4),
                                     MakeColour(0, 0, 6), MakeColour(255, 255, 255),
                                     MakeColour(1, 1, 1)};
  EXPECT_EQ(PixelsOf(picture.Get()), expected);
}

TEST(ReplaceColoursTest, GreyTableOfTheMaskFilter) {
  // After grey conversion the mask filter sends grey 1 to the substitute and every other grey
  // to the rest colour with one call of 256 pairs.
  ScopedPicture greys = Make24Bit(16, 16, [](int x, int y) {
    int grey = y * 16 + x;
    return MakeColour(grey, grey, grey);
  });
  std::vector<ColourPair> pairs;
  for (int grey = 0; grey < 256; ++grey) {
    pairs.push_back({MakeColour(grey, grey, grey),
                     grey == 1 ? MakeColour(29, 18, 8) : MakeColour(255, 255, 255)});
  }
  ReplaceColours(greys.Get(), pairs.data(), static_cast<int>(pairs.size()));
  std::vector<ColourRef> pixels = PixelsOf(greys.Get());
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    EXPECT_EQ(pixels[i], i == 1 ? MakeColour(29, 18, 8) : MakeColour(255, 255, 255)) << i;
  }
}

TEST(ScaleChannelsTest, ScalesByThousandthsAndClamps) {
  struct Case {
    ColourRef before;
    int red, green, blue;
    ColourRef after;
  };
  const Case cases[] = {
      {MakeColour(100, 100, 100), 1400, 1000, 725, MakeColour(140, 100, 73)},  // sepia
      {MakeColour(200, 200, 200), 1400, 1000, 725, MakeColour(255, 200, 145)},
      {MakeColour(10, 20, 30), 0, 500, -1000, MakeColour(0, 10, 0)},
  };
  for (const Case& c : cases) {
    ScopedPicture picture = MakeFlat(3, 2, c.before);
    ASSERT_EQ(ScaleChannels(picture.Get(), c.red, c.green, c.blue), 1);
    EXPECT_EQ(GetPixelColour(picture.Get(), 2, 1), c.after) << c.red << " " << c.blue;
  }
}

TEST(ApplyLookupTablesTest, NegativeAndPerChannelTables) {
  std::array<std::uint8_t, 256> negative;
  std::array<std::uint8_t, 256> zero{};
  std::array<std::uint8_t, 256> identity;
  for (int i = 0; i < 256; ++i) {
    negative[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(255 - i);
    identity[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  }
  ScopedPicture picture = MakeFlat(2, 1, MakeColour(10, 20, 30));
  ASSERT_EQ(ApplyLookupTables(picture.Get(), negative.data(), zero.data(), identity.data()), 1);
  EXPECT_EQ(GetPixelColour(picture.Get(), 1, 0), MakeColour(245, 0, 30));
  EXPECT_EQ(ApplyLookupTables(picture.Get(), nullptr, zero.data(), zero.data()), 0);
}

}  // namespace
