// Sharpening and softening of single channels.
#include <gtest/gtest.h>

#include <vector>

#include "imagelib/imagelib.h"
#include "tests/imagelib/test_pictures.h"

namespace {

using testpictures::Make24Bit;
using testpictures::PixelsOf;

// A vertical edge in red and green (dark left, bright right) over a constant blue.
ColourRef Edge(int x, int) {
  int level = x < 4 ? 60 : 180;
  return MakeColour(level, level, 90);
}

TEST(AdjustChannelsTest, FlatAreasStayAsTheyAre) {
  for (int amount : {100, -100, 250}) {
    ScopedPicture picture = testpictures::MakeFlat(5, 4, MakeColour(10, 128, 250));
    ASSERT_EQ(AdjustChannels(picture.Get(), amount, amount, amount), 1);
    for (ColourRef colour : PixelsOf(picture.Get())) EXPECT_EQ(colour, MakeColour(10, 128, 250));
  }
}

TEST(AdjustChannelsTest, SharpeningSteepensAnEdgeOfItsChannelOnly) {
  ScopedPicture picture = Make24Bit(8, 3, Edge);
  ASSERT_EQ(AdjustChannels(picture.Get(), 100, 0, 100), 1);
  // Next to the edge, red overshoots on both sides; green, left at 0, is untouched.
  ColourRef darkSide = GetPixelColour(picture.Get(), 3, 1);
  ColourRef brightSide = GetPixelColour(picture.Get(), 4, 1);
  EXPECT_LT(RedOf(darkSide), 60);
  EXPECT_GT(RedOf(brightSide), 180);
  EXPECT_EQ(GreenOf(darkSide), 60);
  EXPECT_EQ(GreenOf(brightSide), 180);
  EXPECT_EQ(BlueOf(darkSide), 90);
  // Away from the edge nothing changes.
  EXPECT_EQ(GetPixelColour(picture.Get(), 0, 0), Edge(0, 0));
  EXPECT_EQ(GetPixelColour(picture.Get(), 7, 2), Edge(7, 2));
}

TEST(AdjustChannelsTest, SofteningBlursTowardsTheNeighbours) {
  ScopedPicture picture = Make24Bit(8, 3, Edge);
  ASSERT_EQ(AdjustChannels(picture.Get(), -100, -50, 0), 1);
  ColourRef darkSide = GetPixelColour(picture.Get(), 3, 1);
  ColourRef brightSide = GetPixelColour(picture.Get(), 4, 1);
  // Full blur with weights 1 2 1: 60 + (180 - 60) / 4 = 90 and 180 - 30 = 150.
  EXPECT_EQ(RedOf(darkSide), 90);
  EXPECT_EQ(RedOf(brightSide), 150);
  // Half strength goes half way.
  EXPECT_EQ(GreenOf(darkSide), 75);
  EXPECT_EQ(GreenOf(brightSide), 165);
}

TEST(AdjustChannelsTest, SinglePixelAndSingleRowPictures) {
  ScopedPicture pixel = testpictures::MakeFlat(1, 1, MakeColour(1, 2, 3));
  EXPECT_EQ(AdjustChannels(pixel.Get(), 100, -100, 40), 1);
  EXPECT_EQ(GetPixelColour(pixel.Get(), 0, 0), MakeColour(1, 2, 3));
  ScopedPicture row = Make24Bit(9, 1, Edge);
  EXPECT_EQ(AdjustChannels(row.Get(), -100, -100, -100), 1);
  EXPECT_EQ(RedOf(GetPixelColour(row.Get(), 3, 0)), 90);
}

}  // namespace
