// The inverse colour map answers like a search of the whole palette, for spread and dense
// palettes alike.
#include "imagelib/inverse_colour_map.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

namespace {

using imagelib::Rgb;

int SquaredDistance(const Rgb& a, const Rgb& b) {
  return (a.red - b.red) * (a.red - b.red) + (a.green - b.green) * (a.green - b.green) +
         (a.blue - b.blue) * (a.blue - b.blue);
}

TEST(InverseColourMapTest, NeverFartherThanTheExactSearch) {
  std::mt19937 random(30);
  auto level = [&](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
  };
  struct Case {
    int colours;
    int low;  // palette and questions drawn from [low, high] per channel
    int high;
  };
  // One colour, a spread palette, and a dense one of close colours (as a sky's is).
  const Case cases[] = {{1, 0, 255}, {256, 0, 255}, {200, 100, 140}, {17, 0, 255}};
  for (const Case& c : cases) {
    std::vector<Rgb> palette;
    for (int i = 0; i < c.colours; ++i) {
      palette.push_back({level(c.low, c.high), level(c.low, c.high), level(c.low, c.high)});
    }
    imagelib::InverseColourMap map(palette);
    for (int question = 0; question < 200000; ++question) {
      const Rgb colour{level(c.low, c.high), level(c.low, c.high), level(c.low, c.high)};
      int nearest = INT_MAX;
      for (const Rgb& entry : palette) nearest = std::min(nearest, SquaredDistance(entry, colour));
      const std::uint8_t found = map.Find(colour.red, colour.green, colour.blue);
      ASSERT_LT(found, palette.size());
      ASSERT_EQ(SquaredDistance(palette[found], colour), nearest)
          << c.colours << " colours, " << colour.red << "," << colour.green << "," << colour.blue;
    }
  }
}

}  // namespace
