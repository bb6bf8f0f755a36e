// The boxes of a HEIF file that describe its items, read without decoding anything: the items
// with their data, properties and references. The HEIF reader checks them before libheif
// decodes a picture (HeifItemFaultOf), refusing the kinds of files that have harmed libheif's
// decoding before. Nothing outside the file's bytes is read.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "imagelib/codec_support.h"

namespace imagelib {

using FourCc = std::uint32_t;

constexpr FourCc MakeFourCc(const char (&name)[5]) {
  return FourCc{static_cast<std::uint8_t>(name[0])} << 24 |
         FourCc{static_cast<std::uint8_t>(name[1])} << 16 |
         FourCc{static_cast<std::uint8_t>(name[2])} << 8 | static_cast<std::uint8_t>(name[3]);
}

// A box's contents after its header (for a full box, starting with its version and flags).
struct HeifProperty {
  FourCc type = 0;
  ByteSpan body;
};

struct HeifItem {
  std::uint32_t id = 0;
  FourCc type = 0;  // 'hvc1', 'av01', 'grid', 'iovl', 'Exif', ...; 0 when its entry has none
  bool hidden = false;
  // Where its data lies, in order; empty when the file does not locate it in itself.
  std::vector<ByteSpan> extents;
  // Its properties, as indexes into HeifLayout::properties, in the order associated.
  std::vector<std::size_t> properties;
  // Those of them a reader must apply to show the item right.
  std::vector<std::size_t> essential;
};

struct HeifReference {
  FourCc type = 0;  // 'dimg', 'thmb', 'auxl', 'cdsc', ...
  std::uint32_t from = 0;
  std::vector<std::uint32_t> to;
};

struct HeifLayout {
  std::uint32_t primary = 0;
  std::vector<HeifItem> items;
  std::vector<HeifProperty> properties;
  std::vector<HeifReference> references;

  const HeifItem* Item(std::uint32_t id) const;
  // The item's first property of the type; null when it has none.
  const HeifProperty* PropertyOf(const HeifItem& item, FourCc type) const;
  // The item's data in one piece.
  Bytes DataOf(const HeifItem& item) const;
};

// The item layout of the file's top-level meta box; nothing when the file has none or one of
// its item boxes does not fit in its bytes.
std::optional<HeifLayout> ReadHeifLayout(ByteSpan file);

enum class HeifItemFault {
  kNone,
  kNoItems,               // no meta box with a primary item: a sequence's tracks alone, or junk
  kUnreadable,            // no item layout could be read
  kManyItems,             // more than kMostItems items
  kTwoTransformsOfAKind,  // an item turned, mirrored or cropped more than once
  kCanvasTooLarge,        // a grid or overlay whose header claims more than kMaxPixels
  kUncoveredGrid,         // a grid whose tiles are missing, unsized or do not cover it
  kCostlyGrid,            // a grid whose tiles hold far more pixels than their data could code
  kManyCodedPictures,     // an item whose HEVC or AV1 data holds more than one still's pictures
  kBrokenCodedData,       // AV1 data whose units run past the item's end
  kPredictedPicture,      // the primary picture (or a tile of it) is coded from another item
  kUnhandledProperty,     // the primary picture (or a tile of it) has an essential property
                          // that the decoding does not apply
};

// The most coded pictures one item may hold (a still is one; Debian's fixed libheif allows
// eight), and the most pieces its data may be located in (libheif's limit, set by the reader).
inline constexpr int kMostCodedPicturesPerItem = 8;
inline constexpr std::uint32_t kMostExtentsPerItem = 32;
// The most items a file may hold: every item costs libheif time and memory to parse, and the
// largest photos of real phones hold a grid of 768 tiles (200 megapixels as 512 x 512 tiles) and
// a dozen other items.
inline constexpr std::size_t kMostItems = 1024;
// HEVC and AV1 code a plain picture in very few bytes, but data claiming more pixels per byte
// than this is not a picture worth the time.
inline constexpr std::uint64_t kMostPixelsPerByte = std::uint64_t{1} << 16;

// What makes the file unfit to be handed to libheif's decoder, or kNone.
HeifItemFault HeifItemFaultOf(ByteSpan file);

}  // namespace imagelib
