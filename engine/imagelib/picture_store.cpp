#include "engine/imagelib/picture_store.h"

#include <unordered_map>

namespace imagelib {
namespace {

struct Store {
  std::unordered_map<PictureHandle, std::unique_ptr<Picture>> pictures;
  PictureHandle lastHandle = 0;
};

Store& TheStore() {
  static Store store;
  return store;
}

}  // namespace

bool IsAcceptableSize(std::int64_t width, std::int64_t height) {
  if (width <= 0 || height <= 0) return false;
  return static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) <= kMaxPixels;
}

PictureHandle StorePicture(std::unique_ptr<Picture> picture) {
  Store& store = TheStore();
  // Handles are not reused soon, so a stale handle finds nothing rather than another picture.
  do {
    ++store.lastHandle;
  } while (store.lastHandle == 0 || store.pictures.count(store.lastHandle) != 0);
  store.pictures.emplace(store.lastHandle, std::move(picture));
  return store.lastHandle;
}

Picture* FindPicture(PictureHandle handle) {
  if (handle == 0) return nullptr;
  auto& pictures = TheStore().pictures;
  auto found = pictures.find(handle);
  return found == pictures.end() ? nullptr : found->second.get();
}

std::size_t StoredPictureCount() {
  return TheStore().pictures.size();
}

}  // namespace imagelib

void ReleasePicture(PictureHandle picture) {
  if (picture != 0) imagelib::TheStore().pictures.erase(picture);
}
