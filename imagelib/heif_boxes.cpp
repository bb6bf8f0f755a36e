// HEIF item boxes (ISO/IEC 23008-12 over the ISO base media file format): meta with its pitm,
// iinf, iloc, iref, iprp and idat boxes. Every count and size is checked against the bytes that
// hold it before it is used.
#include "imagelib/heif_boxes.h"

#include <algorithm>
#include <array>
#include <set>

#include "imagelib/picture.h"

namespace imagelib {
namespace {

// Reads big-endian numbers from a span; a read past its end fails and leaves the reader failed.
class BoxReader {
 public:
  explicit BoxReader(ByteSpan bytes) : bytes_(bytes) {}

  bool Ok() const { return ok_; }
  std::size_t Left() const { return ok_ ? bytes_.size() - at_ : 0; }
  ByteSpan Rest() const { return ok_ ? bytes_.subspan(at_) : ByteSpan(); }

  // Sizes of numbers other than 4 and 8 bytes are read as nothing, as libheif reads them.
  std::uint64_t SizedNumber(std::size_t bytes) {
    return bytes == 4 || bytes == 8 ? Number(bytes) : 0;
  }
  std::uint64_t Number(std::size_t bytes) {
    if (!Has(bytes)) return 0;
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < bytes; ++i) value = value << 8 | bytes_[at_ + i];
    at_ += bytes;
    return value;
  }
  std::uint32_t U8() { return static_cast<std::uint32_t>(Number(1)); }
  std::uint32_t U16() { return static_cast<std::uint32_t>(Number(2)); }
  std::uint32_t U32() { return static_cast<std::uint32_t>(Number(4)); }
  void Skip(std::size_t bytes) {
    if (Has(bytes)) at_ += bytes;
  }

 private:
  bool Has(std::size_t bytes) {
    ok_ = ok_ && bytes <= bytes_.size() - at_;
    return ok_;
  }

  ByteSpan bytes_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

struct Box {
  FourCc type = 0;
  ByteSpan body;
};

// The boxes that fill `bytes` one after another; nothing when one does not fit. At the top
// of a file, boxes after one that does not fit are left out instead (a file cut short may still
// hold its meta box whole).
std::optional<std::vector<Box>> BoxesIn(ByteSpan bytes, bool topLevel = false) {
  std::vector<Box> boxes;
  while (!bytes.empty()) {
    BoxReader reader(bytes);
    std::uint64_t size = reader.U32();
    const FourCc type = reader.U32();
    std::uint64_t header = 8;
    if (size == 1) {
      size = reader.Number(8);
      header = 16;
    } else if (size == 0) {
      size = bytes.size();  // to the end
    }
    if (type == MakeFourCc("uuid")) {
      reader.Skip(16);
      header += 16;
    }
    if (!reader.Ok() || size < header || size > bytes.size()) {
      if (topLevel) break;
      return std::nullopt;
    }
    boxes.push_back({type, bytes.subspan(header, size - header)});
    bytes = bytes.subspan(size);
  }
  return boxes;
}

// A full box's version and flags, read from the start of its body.
struct FullBoxHeader {
  std::uint32_t version = 0;
  std::uint32_t flags = 0;
};
FullBoxHeader ReadFullBoxHeader(BoxReader& reader) {
  const std::uint32_t word = reader.U32();
  return {word >> 24, word & 0xffffff};
}

const Box* Find(const std::vector<Box>& boxes, FourCc type) {
  for (const Box& box : boxes) {
    if (box.type == type) return &box;
  }
  return nullptr;
}

// Items by id, found in logarithmic time: a hostile file may hold a hundred thousand entries in
// its boxes. Ids are unique in a sound file. `Layout` is HeifLayout, or const HeifLayout for
// finding items to read.
template <typename Layout>
class ItemIndex {
 public:
  explicit ItemIndex(Layout& layout) : layout_(layout) {
    for (std::size_t i = 0; i < layout.items.size(); ++i) byId_.emplace_back(layout.items[i].id, i);
    std::sort(byId_.begin(), byId_.end());
  }
  bool IdsAreUnique() const {
    return std::adjacent_find(byId_.begin(), byId_.end(), [](const auto& a, const auto& b) {
             return a.first == b.first;
           }) == byId_.end();
  }
  // The item of the id; null when there is none.
  auto* Find(std::uint32_t id) const {
    auto at = std::lower_bound(byId_.begin(), byId_.end(), std::make_pair(id, std::size_t{0}));
    return at != byId_.end() && at->first == id ? &layout_.items[at->second] : nullptr;
  }

 private:
  Layout& layout_;
  std::vector<std::pair<std::uint32_t, std::size_t>> byId_;
};
using ItemsToFill = ItemIndex<HeifLayout>;
using ItemsToRead = ItemIndex<const HeifLayout>;

bool ReadPrimary(ByteSpan body, HeifLayout& layout) {
  BoxReader reader(body);
  const FullBoxHeader header = ReadFullBoxHeader(reader);
  layout.primary = header.version == 0 ? reader.U16() : reader.U32();
  return reader.Ok();
}

bool ReadItemInfos(ByteSpan body, HeifLayout& layout) {
  BoxReader reader(body);
  const FullBoxHeader header = ReadFullBoxHeader(reader);
  // Past the entry count: every entry there is is read, even beyond it, so that no item
  // escapes the checks.
  reader.Skip(header.version == 0 ? 2 : 4);
  const std::optional<std::vector<Box>> entries = BoxesIn(reader.Rest());
  if (!reader.Ok() || !entries) return false;
  for (const Box& entry : *entries) {
    if (entry.type != MakeFourCc("infe")) continue;
    BoxReader info(entry.body);
    const FullBoxHeader infoHeader = ReadFullBoxHeader(info);
    HeifItem item;
    item.id = infoHeader.version >= 3 ? info.U32() : info.U16();
    info.Skip(2);  // protection index
    if (infoHeader.version >= 2) item.type = info.U32();
    item.hidden = (infoHeader.flags & 1) != 0;
    if (!info.Ok()) return false;
    layout.items.push_back(item);
  }
  return true;
}

bool ReadLocations(ByteSpan body, ByteSpan file, ByteSpan itemData, ItemsToFill& items) {
  BoxReader reader(body);
  const FullBoxHeader header = ReadFullBoxHeader(reader);
  if (header.version > 2) return false;
  const std::uint32_t sizes = reader.U16();
  const std::size_t offsetSize = sizes >> 12;
  const std::size_t lengthSize = sizes >> 8 & 15;
  const std::size_t baseOffsetSize = sizes >> 4 & 15;
  const std::size_t indexSize = header.version >= 1 ? sizes & 15 : 0;
  const std::uint32_t count = header.version < 2 ? reader.U16() : reader.U32();
  for (std::uint32_t i = 0; i < count && reader.Ok(); ++i) {
    const std::uint32_t id = header.version < 2 ? reader.U16() : reader.U32();
    const std::uint32_t method = header.version >= 1 ? reader.U16() & 15 : 0;
    reader.Skip(2);  // data reference index
    const std::uint64_t base = reader.SizedNumber(baseOffsetSize);
    const std::uint32_t extentCount = reader.U16();
    if (extentCount > kMostExtentsPerItem) return false;
    // Data from the file (method 0) or the idat box (method 1); libheif reads no other kind.
    const ByteSpan source = method == 0 ? file : itemData;
    std::vector<ByteSpan> extents;
    bool located = method <= 1;
    for (std::uint32_t e = 0; e < extentCount && reader.Ok(); ++e) {
      reader.SizedNumber(indexSize);
      const std::uint64_t offset = base + reader.SizedNumber(offsetSize);
      const std::uint64_t length = reader.SizedNumber(lengthSize);
      if (!located) continue;
      if (offset < base || offset > source.size()) {
        located = false;
        continue;
      }
      if (length > source.size() - offset) {
        located = false;
        continue;
      }
      extents.push_back(
          source.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length)));
    }
    HeifItem* item = items.Find(id);
    if (item != nullptr && located) item->extents = std::move(extents);
  }
  return reader.Ok();
}

bool ReadReferences(ByteSpan body, HeifLayout& layout) {
  BoxReader reader(body);
  const FullBoxHeader header = ReadFullBoxHeader(reader);
  const std::size_t idBytes = header.version == 0 ? 2 : 4;
  const std::optional<std::vector<Box>> boxes = BoxesIn(reader.Rest());
  if (!reader.Ok() || !boxes) return false;
  for (const Box& box : *boxes) {
    BoxReader references(box.body);
    while (references.Left() > 0) {
      HeifReference reference{box.type, static_cast<std::uint32_t>(references.Number(idBytes)), {}};
      const std::uint32_t count = references.U16();
      if (!references.Ok() || count > references.Left() / idBytes) return false;
      for (std::uint32_t i = 0; i < count; ++i) {
        reference.to.push_back(static_cast<std::uint32_t>(references.Number(idBytes)));
      }
      layout.references.push_back(std::move(reference));
    }
  }
  return true;
}

bool ReadProperties(ByteSpan body, HeifLayout& layout, ItemsToFill& items) {
  const std::optional<std::vector<Box>> boxes = BoxesIn(body);
  if (!boxes) return false;
  const Box* container = Find(*boxes, MakeFourCc("ipco"));
  const std::optional<std::vector<Box>> properties =
      container ? BoxesIn(container->body) : std::vector<Box>{};
  if (!properties) return false;
  for (const Box& property : *properties)
    layout.properties.push_back({property.type, property.body});
  for (const Box& box : *boxes) {
    if (box.type != MakeFourCc("ipma")) continue;
    BoxReader reader(box.body);
    const FullBoxHeader header = ReadFullBoxHeader(reader);
    const std::uint32_t count = reader.U32();
    for (std::uint32_t i = 0; i < count && reader.Ok(); ++i) {
      const std::uint32_t id = header.version < 1 ? reader.U16() : reader.U32();
      const std::uint32_t associations = reader.U8();
      std::vector<std::size_t> indexes;
      std::vector<std::size_t> essential;
      for (std::uint32_t a = 0; a < associations && reader.Ok(); ++a) {
        // The top bit says whether the property is essential; 0 names no property.
        const std::uint32_t entry = (header.flags & 1) ? reader.U16() : reader.U8() << 8;
        const std::uint32_t index = (header.flags & 1) ? entry & 0x7fff : entry >> 8 & 0x7f;
        if (index == 0) continue;
        if (index > layout.properties.size()) return false;
        indexes.push_back(index - 1);
        if ((entry & 0x8000) != 0) essential.push_back(index - 1);
      }
      if (HeifItem* item = items.Find(id)) {
        item->properties.insert(item->properties.end(), indexes.begin(), indexes.end());
        item->essential.insert(item->essential.end(), essential.begin(), essential.end());
      }
    }
    if (!reader.Ok()) return false;
  }
  return true;
}

// Reads the coded data of an item that may lie in several extents, as one stream of bytes.
class ExtentStream {
 public:
  explicit ExtentStream(const std::vector<ByteSpan>& extents) : extents_(extents) {
    for (ByteSpan extent : extents) size_ += extent.size();
  }
  std::uint64_t Size() const { return size_; }
  // The byte at `at`, which must be below Size().
  std::uint8_t At(std::uint64_t at) const {
    for (ByteSpan extent : extents_) {
      if (at < extent.size()) return extent[static_cast<std::size_t>(at)];
      at -= extent.size();
    }
    return 0;
  }
  // The `bytes`-byte big-endian number at `at`; nothing when it runs past the end.
  std::optional<std::uint64_t> Number(std::uint64_t at, std::size_t bytes) const {
    if (at > size_ || bytes > size_ - at) return std::nullopt;
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < bytes; ++i) value = value << 8 | At(at + i);
    return value;
  }

 private:
  const std::vector<ByteSpan>& extents_;
  std::uint64_t size_ = 0;
};

// What the scan of one item's coded data found.
struct PictureCount {
  int pictures = 0;
  bool broken = false;     // a unit runs past the data
  bool manyUnits = false;  // more units than a still is cut into, or than the file's share
};

// The units a still is cut into stay far below this (a slice or tile group per row of coding
// blocks at most, and a few parameter and metadata units).
constexpr int kMostUnitsPerItem = 4096;
// Of all items together: items may share their data, and the scan's work stays bounded.
constexpr std::uint64_t kMostUnitsPerFile = std::uint64_t{1} << 20;

// Counts one more unit; false, with the count marked, when there are too many.
bool TakeUnit(PictureCount& count, int& units, std::uint64_t& fileUnits) {
  count.manyUnits = ++units > kMostUnitsPerItem || ++fileUnits > kMostUnitsPerFile;
  return !count.manyUnits;
}

// HEVC: NAL units behind their lengths; a picture starts with a slice whose
// first_slice_segment_in_pic_flag is set. Units of length zero are passed over.
PictureCount HevcPictures(const ExtentStream& data, std::size_t lengthBytes,
                          std::uint64_t& fileUnits) {
  PictureCount count;
  int units = 0;
  for (std::uint64_t at = 0; at < data.Size() && count.pictures <= kMostCodedPicturesPerItem &&
                             TakeUnit(count, units, fileUnits);) {
    const std::optional<std::uint64_t> length = data.Number(at, lengthBytes);
    if (!length) break;
    at += lengthBytes;
    const std::optional<std::uint64_t> start = data.Number(at, 3);
    if (*length >= 3 && start) {
      const std::uint32_t unitType = static_cast<std::uint32_t>(*start >> 17) & 0x3f;
      const bool firstSlice = (*start & 0x80) != 0;
      if (unitType < 32 && firstSlice) ++count.pictures;
    }
    if (*length > data.Size() - at) break;
    at += *length;
  }
  return count;
}

// AV1: open bitstream units, each with its size unless it is the last; a frame header or a
// frame (header with tile data) begins a picture.
PictureCount Av1Pictures(const ExtentStream& data, std::uint64_t& fileUnits) {
  constexpr std::uint32_t kFrameHeader = 3, kFrame = 6;
  PictureCount count;
  int units = 0;
  for (std::uint64_t at = 0; at < data.Size() && count.pictures <= kMostCodedPicturesPerItem &&
                             TakeUnit(count, units, fileUnits);) {
    const std::uint8_t header = data.At(at++);
    const std::uint32_t unitType = header >> 3 & 15;
    if ((header & 4) != 0) ++at;  // the extension byte
    std::uint64_t size = 0;
    if ((header & 2) != 0) {
      // LEB128, at most eight bytes.
      for (int shift = 0;; shift += 7) {
        if (at >= data.Size() || shift == 56) {
          count.broken = true;
          return count;
        }
        const std::uint8_t byte = data.At(at++);
        size |= std::uint64_t{byte & 0x7fu} << shift;
        if ((byte & 0x80) == 0) break;
      }
    } else {
      size = data.Size() - std::min(at, data.Size());
    }
    if (at > data.Size() || size > data.Size() - at) {
      count.broken = true;
      return count;
    }
    if (unitType == kFrameHeader || unitType == kFrame) ++count.pictures;
    at += size;
  }
  return count;
}

// A grid's or overlay's canvas, from its header in the item's data: version, flags (bit 0:
// 32-bit sizes), then for a grid its rows and columns less one, for an overlay four 16-bit
// fill values, then width and height.
struct Canvas {
  std::uint64_t rows = 0;
  std::uint64_t columns = 0;
  std::uint64_t width = 0;
  std::uint64_t height = 0;
};
std::optional<Canvas> CanvasOf(const HeifItem& item) {
  const ExtentStream data(item.extents);
  const std::optional<std::uint64_t> flags = data.Number(1, 1);
  const std::size_t sizeBytes = flags && (*flags & 1) != 0 ? 4 : 2;
  const bool grid = item.type == MakeFourCc("grid");
  const std::uint64_t sizesAt = grid ? 4 : 10;
  const std::optional<std::uint64_t> width = data.Number(sizesAt, sizeBytes);
  const std::optional<std::uint64_t> height = data.Number(sizesAt + sizeBytes, sizeBytes);
  if (!width || !height) return std::nullopt;
  return Canvas{grid ? data.Number(2, 1).value_or(0) + 1 : 0,
                grid ? data.Number(3, 1).value_or(0) + 1 : 0, *width, *height};
}

HeifItemFault CanvasFault(const std::optional<Canvas>& canvas) {
  if (!canvas) return HeifItemFault::kUnreadable;
  return canvas->width > 0 && canvas->height > 0 && canvas->width <= kMaxPixels / canvas->height
             ? HeifItemFault::kNone
             : HeifItemFault::kCanvasTooLarge;
}

// The targets of references of one type, by the item they are from, found in logarithmic
// time (a hostile file may hold a million references).
class ReferencesFrom {
 public:
  ReferencesFrom(const HeifLayout& layout, FourCc type) {
    for (const HeifReference& reference : layout.references) {
      if (reference.type == type) byFrom_.push_back(&reference);
    }
    std::sort(byFrom_.begin(), byFrom_.end(),
              [](const HeifReference* a, const HeifReference* b) { return a->from < b->from; });
  }
  std::vector<std::uint32_t> To(std::uint32_t from) const {
    std::vector<std::uint32_t> to;
    auto at =
        std::lower_bound(byFrom_.begin(), byFrom_.end(), from,
                         [](const HeifReference* a, std::uint32_t id) { return a->from < id; });
    for (; at != byFrom_.end() && (*at)->from == from; ++at) {
      to.insert(to.end(), (*at)->to.begin(), (*at)->to.end());
    }
    return to;
  }

 private:
  std::vector<const HeifReference*> byFrom_;
};

// A grid's tiles (all of the first one's size) cover its canvas, with no row or column of them
// wholly outside it, and the pixels they decode to are within what their data could code (data
// that tiles share counts once, and never more than the file's bytes). Otherwise a few hundred
// bytes claiming a large canvas would have libheif allocate it and decode tile after tile.
HeifItemFault GridFault(const HeifLayout& layout, const ItemsToRead& items, const Canvas& canvas,
                        const std::vector<std::uint32_t>& tiles, std::uint64_t fileBytes) {
  const HeifItem* first = tiles.empty() ? nullptr : items.Find(tiles.front());
  const HeifProperty* size = first ? layout.PropertyOf(*first, MakeFourCc("ispe")) : nullptr;
  if (size == nullptr || tiles.size() != canvas.rows * canvas.columns) {
    return HeifItemFault::kUncoveredGrid;
  }
  BoxReader reader(size->body);
  reader.Skip(4);  // version and flags
  const std::uint64_t tileWidth = reader.U32();
  const std::uint64_t tileHeight = reader.U32();
  // The canvas is at most kMaxPixels: so are its sides, and the products stay far from overflow.
  if (!reader.Ok() || tileWidth == 0 || tileHeight == 0 || tileWidth > kMaxPixels ||
      tileHeight > kMaxPixels || canvas.columns * tileWidth < canvas.width ||
      canvas.rows * tileHeight < canvas.height ||
      (canvas.columns - 1) * tileWidth >= canvas.width ||
      (canvas.rows - 1) * tileHeight >= canvas.height) {
    return HeifItemFault::kUncoveredGrid;
  }
  std::vector<std::pair<const std::uint8_t*, std::size_t>> extents;
  for (std::uint32_t id : tiles) {
    const HeifItem* tile = items.Find(id);
    if (tile == nullptr) return HeifItemFault::kUncoveredGrid;
    for (ByteSpan extent : tile->extents) extents.emplace_back(extent.data(), extent.size());
  }
  std::sort(extents.begin(), extents.end());
  extents.erase(std::unique(extents.begin(), extents.end()), extents.end());
  std::uint64_t bytes = 0;
  for (const auto& extent : extents) bytes += extent.second;
  return IsPlausibleSize(static_cast<std::int64_t>(canvas.columns * tileWidth),
                         static_cast<std::int64_t>(canvas.rows * tileHeight),
                         std::min(bytes, fileBytes), kMostPixelsPerByte)
             ? HeifItemFault::kNone
             : HeifItemFault::kCostlyGrid;
}

bool TransformsFit(const HeifLayout& layout, const HeifItem& item) {
  std::array<int, 3> counts{};
  constexpr std::array<FourCc, 3> kTransforms = {MakeFourCc("irot"), MakeFourCc("imir"),
                                                 MakeFourCc("clap")};
  for (std::size_t index : item.properties) {
    for (std::size_t kind = 0; kind < kTransforms.size(); ++kind) {
      if (layout.properties[index].type == kTransforms[kind] && ++counts[kind] > 1) return false;
    }
  }
  return true;
}

// Essential properties the decoding applies: the codecs' configurations, the size, depth,
// colours and auxiliary kind, the transformations, and AV1's choice of operating point and
// layer (the stream's default one is what is decoded).
constexpr std::array<FourCc, 12> kAppliedProperties = {
    MakeFourCc("hvcC"), MakeFourCc("av1C"), MakeFourCc("ispe"), MakeFourCc("pixi"),
    MakeFourCc("colr"), MakeFourCc("auxC"), MakeFourCc("irot"), MakeFourCc("imir"),
    MakeFourCc("clap"), MakeFourCc("a1op"), MakeFourCc("lsel"), MakeFourCc("rref")};

// What the reference types an item's rref property requires for its decoding say: it is
// predicted from another item, or needs references of a kind not read here (only tiles, alpha
// and metadata are).
HeifItemFault RequiredReferencesFault(const HeifProperty& required) {
  BoxReader reader(required.body);
  reader.Skip(4);  // version and flags
  const std::uint32_t count = reader.U8();
  for (std::uint32_t i = 0; i < count && reader.Ok(); ++i) {
    const FourCc type = reader.U32();
    if (type == MakeFourCc("pred")) return HeifItemFault::kPredictedPicture;
    if (type != MakeFourCc("dimg") && type != MakeFourCc("auxl") && type != MakeFourCc("prem") &&
        type != MakeFourCc("cdsc") && type != MakeFourCc("thmb")) {
      return HeifItemFault::kUnhandledProperty;
    }
  }
  return reader.Ok() ? HeifItemFault::kNone : HeifItemFault::kUnhandledProperty;
}

// The primary picture and the items it is derived from decode on their own: none is
// predicted from another item (libheif would decode its residual alone, a grey picture) or has
// an essential property the decoding does not apply.
HeifItemFault PrimaryFault(const HeifLayout& layout, const ItemsToRead& items,
                           const ReferencesFrom& derived) {
  const ReferencesFrom predicted(layout, MakeFourCc("pred"));
  std::vector<std::uint32_t> pending = {layout.primary};
  std::set<std::uint32_t> seen;
  while (!pending.empty()) {
    const std::uint32_t id = pending.back();
    pending.pop_back();
    if (!seen.insert(id).second) continue;
    const HeifItem* item = items.Find(id);
    if (item == nullptr) return HeifItemFault::kUnreadable;
    if (!predicted.To(id).empty()) return HeifItemFault::kPredictedPicture;
    for (std::size_t index : item->essential) {
      if (std::find(kAppliedProperties.begin(), kAppliedProperties.end(),
                    layout.properties[index].type) == kAppliedProperties.end()) {
        return HeifItemFault::kUnhandledProperty;
      }
    }
    if (const HeifProperty* required = layout.PropertyOf(*item, MakeFourCc("rref"))) {
      const HeifItemFault fault = RequiredReferencesFault(*required);
      if (fault != HeifItemFault::kNone) return fault;
    }
    const std::vector<std::uint32_t> sources = derived.To(id);
    pending.insert(pending.end(), sources.begin(), sources.end());
  }
  return HeifItemFault::kNone;
}

// The boxes in the file's top-level meta box; nothing when it has none or they do not fit.
std::optional<std::vector<Box>> MetaBoxes(ByteSpan file) {
  const std::optional<std::vector<Box>> top = BoxesIn(file, true);
  const Box* meta = top ? Find(*top, MakeFourCc("meta")) : nullptr;
  if (meta == nullptr || meta->body.size() < 4) return std::nullopt;
  return BoxesIn(meta->body.subspan(4));
}

}  // namespace

const HeifItem* HeifLayout::Item(std::uint32_t id) const {
  for (const HeifItem& item : items) {
    if (item.id == id) return &item;
  }
  return nullptr;
}

const HeifProperty* HeifLayout::PropertyOf(const HeifItem& item, FourCc type) const {
  for (std::size_t index : item.properties) {
    if (properties[index].type == type) return &properties[index];
  }
  return nullptr;
}

Bytes HeifLayout::DataOf(const HeifItem& item) const {
  Bytes data;
  for (ByteSpan extent : item.extents) data.insert(data.end(), extent.begin(), extent.end());
  return data;
}

std::optional<HeifLayout> ReadHeifLayout(ByteSpan file) {
  const std::optional<std::vector<Box>> boxes = MetaBoxes(file);
  if (!boxes) return std::nullopt;
  HeifLayout layout;
  const Box* primary = Find(*boxes, MakeFourCc("pitm"));
  const Box* infos = Find(*boxes, MakeFourCc("iinf"));
  const Box* locations = Find(*boxes, MakeFourCc("iloc"));
  const Box* references = Find(*boxes, MakeFourCc("iref"));
  const Box* properties = Find(*boxes, MakeFourCc("iprp"));
  const Box* itemData = Find(*boxes, MakeFourCc("idat"));
  if (primary == nullptr || infos == nullptr || !ReadPrimary(primary->body, layout) ||
      !ReadItemInfos(infos->body, layout)) {
    return std::nullopt;
  }
  ItemsToFill items(layout);
  if (!items.IdsAreUnique() ||
      (locations &&
       !ReadLocations(locations->body, file, itemData ? itemData->body : ByteSpan(), items)) ||
      (references && !ReadReferences(references->body, layout)) ||
      (properties && !ReadProperties(properties->body, layout, items))) {
    return std::nullopt;
  }
  return layout;
}

HeifItemFault HeifItemFaultOf(ByteSpan file) {
  const std::optional<HeifLayout> layout = ReadHeifLayout(file);
  if (!layout) {
    const std::optional<std::vector<Box>> meta = MetaBoxes(file);
    return meta && Find(*meta, MakeFourCc("pitm")) ? HeifItemFault::kUnreadable
                                                   : HeifItemFault::kNoItems;
  }
  if (layout->items.size() > kMostItems) return HeifItemFault::kManyItems;
  const ItemsToRead items(*layout);
  const ReferencesFrom derived(*layout, MakeFourCc("dimg"));
  std::uint64_t fileUnits = 0;
  for (const HeifItem& item : layout->items) {
    if (!TransformsFit(*layout, item)) return HeifItemFault::kTwoTransformsOfAKind;
    if (item.type == MakeFourCc("grid") || item.type == MakeFourCc("iovl")) {
      const std::optional<Canvas> canvas = CanvasOf(item);
      HeifItemFault fault = CanvasFault(canvas);
      if (fault == HeifItemFault::kNone && item.type == MakeFourCc("grid")) {
        fault = GridFault(*layout, items, *canvas, derived.To(item.id), file.size());
      }
      if (fault != HeifItemFault::kNone) return fault;
    }
    const ExtentStream data(item.extents);
    PictureCount count;
    if (item.type == MakeFourCc("hvc1")) {
      // The NAL unit lengths take the bytes the decoder configuration names (byte 21, low bits).
      const HeifProperty* configuration = layout->PropertyOf(item, MakeFourCc("hvcC"));
      const std::size_t lengthBytes =
          configuration && configuration->body.size() > 21 ? (configuration->body[21] & 3) + 1 : 4;
      count = HevcPictures(data, lengthBytes, fileUnits);
    } else if (item.type == MakeFourCc("av01")) {
      count = Av1Pictures(data, fileUnits);
    }
    if (count.broken) return HeifItemFault::kBrokenCodedData;
    if (count.manyUnits || count.pictures > kMostCodedPicturesPerItem) {
      return HeifItemFault::kManyCodedPictures;
    }
  }
  return PrimaryFault(*layout, items, derived);
}

}  // namespace imagelib
