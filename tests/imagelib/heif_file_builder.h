// HEIF files put together item by item, for tests that need files no encoder here writes: a
// real file taken apart, then items, properties and references added or changed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imagelib/heif_boxes.h"

namespace heiftest {

using imagelib::Bytes;
using imagelib::ByteSpan;

// A box of the type around `body`; a full box starts its body with its version and flags.
Bytes Box(const std::string& type, const Bytes& body);
Bytes FullBox(const std::string& type, std::uint8_t version, std::uint32_t flags,
              const Bytes& body);

// Property boxes.
Bytes ImageSize(std::uint32_t width, std::uint32_t height);       // ispe
Bytes Rotation(int quarterTurnsAnticlockwise);                    // irot
Bytes Mirror(int axis);                                           // imir
Bytes Crop(std::uint32_t width, std::uint32_t height);            // clap, centred
Bytes AuxiliaryType(const std::string& urn);                      // auxC
Bytes RequiredReferences(const std::vector<std::string>& types);  // rref

// The data of a grid item: rows x columns tiles on a canvas of width x height.
Bytes GridHeader(int rows, int columns, std::uint32_t width, std::uint32_t height);
// The data of an Exif item: the block's TIFF data behind its four-byte offset field.
Bytes ExifItem(ByteSpan tiff);

struct BuiltItem {
  std::uint32_t id = 0;
  std::string type;
  Bytes data;
  std::vector<Bytes> properties;  // whole property boxes, in the order associated
  bool hidden = false;
};

class HeifFileBuilder {
 public:
  // Every item of `file` with its data, properties and references; no items when its item
  // boxes cannot be read.
  static HeifFileBuilder From(ByteSpan file);

  BuiltItem& Item(std::uint32_t id);
  // The first item of the type.
  BuiltItem& First(const std::string& type);
  std::uint32_t Add(const std::string& type, Bytes data, std::vector<Bytes> properties,
                    bool hidden = false);
  void Reference(const std::string& type, std::uint32_t from, std::vector<std::uint32_t> to);
  void SetPrimary(std::uint32_t id) { primary_ = id; }
  // Build marks properties of the type essential, as it marks the codecs' configurations, the
  // transformations and rref.
  void MarkEssential(const std::string& type) { essential_.push_back(type); }
  std::uint32_t Primary() const { return primary_; }

  // The file: ftyp with `brand` as its major brand, meta, and mdat with every item's data
  // (grids' and overlays' in the meta box's idat, as cameras keep them). Equal property boxes
  // are stored once.
  Bytes Build(const std::string& brand = "heic") const;

 private:
  std::vector<BuiltItem> items_;
  std::vector<imagelib::HeifReference> references_;
  std::vector<std::string> essential_ = {"hvcC", "av1C", "irot", "imir", "clap", "rref"};
  std::uint32_t primary_ = 0;
};

}  // namespace heiftest
