#include "tests/imagelib/heif_file_builder.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

namespace heiftest {
namespace {

void Put(Bytes& out, std::uint64_t value, int bytes) {
  for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) {
    out.push_back(static_cast<std::uint8_t>(value >> shift));
  }
}

void PutType(Bytes& out, const std::string& type) {
  if (type.size() != 4) throw std::invalid_argument("a box type has four characters: " + type);
  out.insert(out.end(), type.begin(), type.end());
}

std::string TypeName(imagelib::FourCc type) {
  std::string name(4, ' ');
  for (int i = 0; i < 4; ++i) name[i] = static_cast<char>(type >> (24 - 8 * i));
  return name;
}

bool InItemData(const std::string& type) {
  return type == "grid" || type == "iovl";
}

}  // namespace

Bytes Box(const std::string& type, const Bytes& body) {
  Bytes box;
  Put(box, body.size() + 8, 4);
  PutType(box, type);
  box.insert(box.end(), body.begin(), body.end());
  return box;
}

Bytes FullBox(const std::string& type, std::uint8_t version, std::uint32_t flags,
              const Bytes& body) {
  Bytes full;
  Put(full, std::uint32_t{version} << 24 | flags, 4);
  full.insert(full.end(), body.begin(), body.end());
  return Box(type, full);
}

Bytes ImageSize(std::uint32_t width, std::uint32_t height) {
  Bytes body;
  Put(body, width, 4);
  Put(body, height, 4);
  return FullBox("ispe", 0, 0, body);
}

Bytes Rotation(int quarterTurnsAnticlockwise) {
  return Box("irot", {static_cast<std::uint8_t>(quarterTurnsAnticlockwise & 3)});
}

Bytes Mirror(int axis) {
  return Box("imir", {static_cast<std::uint8_t>(axis & 1)});
}

Bytes Crop(std::uint32_t width, std::uint32_t height) {
  Bytes body;
  for (std::uint32_t value : {width, 1u, height, 1u, 0u, 1u, 0u, 1u}) Put(body, value, 4);
  return Box("clap", body);
}

Bytes AuxiliaryType(const std::string& urn) {
  Bytes body(urn.begin(), urn.end());
  body.push_back(0);
  return FullBox("auxC", 0, 0, body);
}

Bytes RequiredReferences(const std::vector<std::string>& types) {
  Bytes body = {static_cast<std::uint8_t>(types.size())};
  for (const std::string& type : types) PutType(body, type);
  return FullBox("rref", 0, 0, body);
}

Bytes GridHeader(int rows, int columns, std::uint32_t width, std::uint32_t height) {
  const bool wide = width > 0xffff || height > 0xffff;
  Bytes data = {0, static_cast<std::uint8_t>(wide ? 1 : 0), static_cast<std::uint8_t>(rows - 1),
                static_cast<std::uint8_t>(columns - 1)};
  Put(data, width, wide ? 4 : 2);
  Put(data, height, wide ? 4 : 2);
  return data;
}

Bytes ExifItem(ByteSpan tiff) {
  Bytes data(4 + tiff.size(), 0);
  std::copy(tiff.begin(), tiff.end(), data.begin() + 4);
  return data;
}

HeifFileBuilder HeifFileBuilder::From(ByteSpan file) {
  HeifFileBuilder builder;
  const std::optional<imagelib::HeifLayout> layout = imagelib::ReadHeifLayout(file);
  if (!layout) return builder;
  for (const imagelib::HeifItem& item : layout->items) {
    BuiltItem built{item.id, TypeName(item.type), layout->DataOf(item), {}, item.hidden};
    for (std::size_t index : item.properties) {
      const imagelib::HeifProperty& property = layout->properties[index];
      built.properties.push_back(
          Box(TypeName(property.type), Bytes(property.body.begin(), property.body.end())));
    }
    builder.items_.push_back(std::move(built));
  }
  builder.references_ = layout->references;
  builder.primary_ = layout->primary;
  return builder;
}

BuiltItem& HeifFileBuilder::Item(std::uint32_t id) {
  for (BuiltItem& item : items_) {
    if (item.id == id) return item;
  }
  throw std::out_of_range("no item " + std::to_string(id));
}

BuiltItem& HeifFileBuilder::First(const std::string& type) {
  for (BuiltItem& item : items_) {
    if (item.type == type) return item;
  }
  throw std::out_of_range("no item of type " + type);
}

std::uint32_t HeifFileBuilder::Add(const std::string& type, Bytes data,
                                   std::vector<Bytes> properties, bool hidden) {
  std::uint32_t id = 1;
  for (const BuiltItem& item : items_) id = std::max(id, item.id + 1);
  items_.push_back({id, type, std::move(data), std::move(properties), hidden});
  return id;
}

void HeifFileBuilder::Reference(const std::string& type, std::uint32_t from,
                                std::vector<std::uint32_t> to) {
  Bytes name;
  PutType(name, type);
  imagelib::HeifReference reference;
  reference.type = imagelib::FourCc{name[0]} << 24 | imagelib::FourCc{name[1]} << 16 |
                   imagelib::FourCc{name[2]} << 8 | name[3];
  reference.from = from;
  reference.to = std::move(to);
  references_.push_back(std::move(reference));
}

Bytes HeifFileBuilder::Build(const std::string& brand) const {
  // Item ids and counts are written in 16 bits (the boxes' first versions).
  Bytes infos;
  Put(infos, items_.size(), 2);
  for (const BuiltItem& item : items_) {
    Bytes info;
    Put(info, item.id, 2);
    Put(info, 0, 2);  // protection index
    PutType(info, item.type);
    info.push_back(0);  // no name
    const Bytes entry = FullBox("infe", 2, item.hidden ? 1 : 0, info);
    infos.insert(infos.end(), entry.begin(), entry.end());
  }

  std::vector<Bytes> properties;
  Bytes associations;
  std::size_t associated = 0;
  for (const BuiltItem& item : items_) {
    if (item.properties.empty()) continue;
    ++associated;
    Put(associations, item.id, 2);
    associations.push_back(static_cast<std::uint8_t>(item.properties.size()));
    for (const Bytes& property : item.properties) {
      auto found = std::find(properties.begin(), properties.end(), property);
      if (found == properties.end()) found = properties.insert(properties.end(), property);
      const std::string type(property.begin() + 4, property.begin() + 8);
      const bool essential =
          std::find(essential_.begin(), essential_.end(), type) != essential_.end();
      Put(associations, (essential ? 0x8000 : 0) | (found - properties.begin() + 1), 2);
    }
  }
  Bytes propertyBoxes;
  for (const Bytes& property : properties) {
    propertyBoxes.insert(propertyBoxes.end(), property.begin(), property.end());
  }
  Bytes associationBody;
  Put(associationBody, associated, 4);
  associationBody.insert(associationBody.end(), associations.begin(), associations.end());
  Bytes itemProperties = Box("ipco", propertyBoxes);
  const Bytes ipma = FullBox("ipma", 0, 1, associationBody);
  itemProperties.insert(itemProperties.end(), ipma.begin(), ipma.end());

  Bytes references;
  for (const imagelib::HeifReference& reference : references_) {
    Bytes body;
    Put(body, reference.from, 2);
    Put(body, reference.to.size(), 2);
    for (std::uint32_t to : reference.to) Put(body, to, 2);
    const Bytes box = Box(TypeName(reference.type), body);
    references.insert(references.end(), box.begin(), box.end());
  }

  Bytes handler(4, 0);
  PutType(handler, "pict");
  handler.resize(handler.size() + 13, 0);  // reserved, and an empty name
  Bytes primary;
  Put(primary, primary_, 2);

  // The locations: each item one extent, in the item data box or in mdat after the meta box,
  // whose size does not depend on the offsets written into it.
  auto metaWith = [&](std::uint64_t mediaStart) {
    Bytes locations;
    Put(locations, 0x4400, 2);  // 4-byte offsets and lengths, no base offsets or indexes
    Put(locations, items_.size(), 2);
    Bytes itemData;
    std::uint64_t mediaAt = mediaStart;
    for (const BuiltItem& item : items_) {
      const bool inItemData = InItemData(item.type);
      Put(locations, item.id, 2);
      Put(locations, inItemData ? 1 : 0, 2);  // construction method
      Put(locations, 0, 2);                   // data reference index
      Put(locations, 1, 2);                   // one extent
      Put(locations, inItemData ? itemData.size() : mediaAt, 4);
      Put(locations, item.data.size(), 4);
      if (inItemData) {
        itemData.insert(itemData.end(), item.data.begin(), item.data.end());
      } else {
        mediaAt += item.data.size();
      }
    }
    Bytes body = FullBox("hdlr", 0, 0, handler);
    std::vector<Bytes> boxes = {FullBox("pitm", 0, 0, primary), FullBox("iinf", 0, 0, infos),
                                Box("iprp", itemProperties), FullBox("iloc", 1, 0, locations)};
    if (!references.empty()) boxes.push_back(FullBox("iref", 0, 0, references));
    if (!itemData.empty()) boxes.push_back(Box("idat", itemData));
    for (const Bytes& box : boxes) body.insert(body.end(), box.begin(), box.end());
    return FullBox("meta", 0, 0, body);
  };

  Bytes fileType;
  PutType(fileType, brand);
  Put(fileType, 0, 4);
  for (const char* compatible : {"mif1", "miaf"}) PutType(fileType, compatible);
  PutType(fileType, brand);
  Bytes file = Box("ftyp", fileType);
  const std::size_t metaSize = metaWith(0).size();
  const Bytes meta = metaWith(file.size() + metaSize + 8);
  file.insert(file.end(), meta.begin(), meta.end());
  Bytes media;
  for (const BuiltItem& item : items_) {
    if (!InItemData(item.type)) media.insert(media.end(), item.data.begin(), item.data.end());
  }
  const Bytes mediaBox = Box("mdat", media);
  file.insert(file.end(), mediaBox.begin(), mediaBox.end());
  return file;
}

}  // namespace heiftest
