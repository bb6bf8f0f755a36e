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
  kUnreadable,            // no item layout could be read
  kTwoTransformsOfAKind,  // an item turned, mirrored or cropped more than once
  kCanvasTooLarge,        // a grid or overlay whose header claims more than kMaxPixels
  kManyCodedPictures,     // an item whose HEVC or AV1 data holds more than one still's pictures
  kBrokenCodedData,       // AV1 data whose units run past the item's end
};

// The most coded pictures one item may hold (a still is one; Debian's fixed libheif allows
// eight), and the most pieces its data may be located in (libheif's limit, set by the reader).
inline constexpr int kMostCodedPicturesPerItem = 8;
inline constexpr std::uint32_t kMostExtentsPerItem = 32;

// What makes the file unfit to be handed to libheif's decoder, or kNone.
HeifItemFault HeifItemFaultOf(ByteSpan file);

}  // namespace imagelib
