// Operations that change each pixel's colour on its own: grey conversion, colour replacement,
// channel scaling and lookup tables.
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "imagelib/imagelib.h"
#include "imagelib/operation_support.h"

namespace imagelib {
namespace {

using ChannelTable = std::array<std::uint8_t, 256>;

// Grey = (76 R + 150 G + 30 B + 128) >> 8. Besides being close to the usual luma weights, these
// weights map exactly the darkest colours the mask filters rely on to grey 1 (RGB(1,1,1) and the
// 56 other near-black colours they substitute beforehand) and no other colour; and every grey
// RGB(i,i,i) stays grey i.
constexpr int kGreyRed = 76;
constexpr int kGreyGreen = 150;
constexpr int kGreyBlue = 30;
constexpr int kGreyRounding = 128;
static_assert(kGreyRed + kGreyGreen + kGreyBlue == 256);

void ApplyTables(Picture& picture, const ChannelTable& red, const ChannelTable& green,
                 const ChannelTable& blue) {
  for (int y = 0; y < picture.height; ++y) {
    std::uint8_t* pixel = picture.Row(y);
    for (int x = 0; x < picture.width; ++x, pixel += 3) {
      pixel[0] = blue[pixel[0]];
      pixel[1] = green[pixel[1]];
      pixel[2] = red[pixel[2]];
    }
  }
}

ChannelTable ScaleTable(int thousandths) {
  ChannelTable table;
  for (int value = 0; value < 256; ++value) {
    std::int64_t scaled = (std::int64_t{value} * thousandths + 500) / 1000;
    table[static_cast<std::size_t>(value)] =
        static_cast<std::uint8_t>(std::clamp<std::int64_t>(scaled, 0, 255));
  }
  return table;
}

ChannelTable CopyTable(const std::uint8_t* table) {
  ChannelTable copy;
  std::copy(table, table + 256, copy.begin());
  return copy;
}

}  // namespace
}  // namespace imagelib

int ConvertToGrey(PictureHandle picture, int maximum) {
  imagelib::Picture* found = imagelib::Find24Bit(picture);
  if (found == nullptr) return 0;
  // The grey levels are spread over 0..maximum; 255 keeps them as they are.
  int top = std::clamp(maximum, 0, 255);
  imagelib::ChannelTable levels;
  for (int grey = 0; grey < 256; ++grey) {
    levels[static_cast<std::size_t>(grey)] = static_cast<std::uint8_t>((grey * top + 127) / 255);
  }
  for (int y = 0; y < found->height; ++y) {
    std::uint8_t* pixel = found->Row(y);
    for (int x = 0; x < found->width; ++x, pixel += 3) {
      int grey = (imagelib::kGreyBlue * pixel[0] + imagelib::kGreyGreen * pixel[1] +
                  imagelib::kGreyRed * pixel[2] + imagelib::kGreyRounding) >>
                 8;
      pixel[0] = pixel[1] = pixel[2] = levels[static_cast<std::size_t>(grey)];
    }
  }
  return 1;
}

int ReplaceColours(PictureHandle picture, const ColourPair* pairs, int count) {
  if (count < 0 || (pairs == nullptr && count > 0)) return 0;
  imagelib::Picture* found = imagelib::Find24Bit(picture);
  if (found == nullptr) return 0;
  // Each pixel is replaced at most once, by the first pair that matches its colour.
  std::vector<ColourPair> sorted(pairs, pairs + count);
  for (ColourPair& pair : sorted) {
    pair.from &= 0xffffff;
    pair.to &= 0xffffff;
  }
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const ColourPair& a, const ColourPair& b) { return a.from < b.from; });
  if (sorted.empty()) return 1;
  ColourRef lastColour = sorted.front().from ^ 1;  // differs from the first key
  const ColourPair* lastMatch = nullptr;
  for (int y = 0; y < found->height; ++y) {
    std::uint8_t* pixel = found->Row(y);
    for (int x = 0; x < found->width; ++x, pixel += 3) {
      ColourRef colour = MakeColour(pixel[2], pixel[1], pixel[0]);
      if (colour != lastColour) {
        lastColour = colour;
        auto match =
            std::lower_bound(sorted.begin(), sorted.end(), colour,
                             [](const ColourPair& pair, ColourRef key) { return pair.from < key; });
        lastMatch = match != sorted.end() && match->from == colour ? &*match : nullptr;
      }
      if (lastMatch != nullptr) {
        pixel[0] = static_cast<std::uint8_t>(BlueOf(lastMatch->to));
        pixel[1] = static_cast<std::uint8_t>(GreenOf(lastMatch->to));
        pixel[2] = static_cast<std::uint8_t>(RedOf(lastMatch->to));
      }
    }
  }
  return 1;
}

int ScaleChannels(PictureHandle picture, int red, int green, int blue) {
  imagelib::Picture* found = imagelib::Find24Bit(picture);
  if (found == nullptr) return 0;
  imagelib::ApplyTables(*found, imagelib::ScaleTable(red), imagelib::ScaleTable(green),
                        imagelib::ScaleTable(blue));
  return 1;
}

int ApplyLookupTables(PictureHandle picture, const std::uint8_t* red, const std::uint8_t* green,
                      const std::uint8_t* blue) {
  if (red == nullptr || green == nullptr || blue == nullptr) return 0;
  imagelib::Picture* found = imagelib::Find24Bit(picture);
  if (found == nullptr) return 0;
  imagelib::ApplyTables(*found, imagelib::CopyTable(red), imagelib::CopyTable(green),
                        imagelib::CopyTable(blue));
  return 1;
}
