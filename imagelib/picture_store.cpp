#include "imagelib/picture_store.h"

#include "imagelib/codec_support.h"

#include <mutex>
#include <unordered_map>

namespace imagelib {
namespace {

// Pictures are made and released by several threads at once; each picture is used by one.
struct Store {
  std::mutex mutex;
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
  const std::lock_guard lock(store.mutex);
  // Handles are not reused soon, so a stale handle finds nothing rather than another picture.
  do {
    ++store.lastHandle;
  } while (store.lastHandle == 0 || store.pictures.count(store.lastHandle) != 0);
  store.pictures.emplace(store.lastHandle, std::move(picture));
  return store.lastHandle;
}

Picture* FindPicture(PictureHandle handle) {
  if (handle == 0) return nullptr;
  Store& store = TheStore();
  const std::lock_guard lock(store.mutex);
  auto& pictures = store.pictures;
  auto found = pictures.find(handle);
  return found == pictures.end() ? nullptr : found->second.get();
}

ByteSpan StoredExif(PictureHandle handle) {
  const Picture* picture = FindPicture(handle);
  return picture == nullptr ? ByteSpan() : ByteSpan(picture->exif);
}

std::size_t StoredPictureCount() {
  Store& store = TheStore();
  const std::lock_guard lock(store.mutex);
  return store.pictures.size();
}

}  // namespace imagelib

void ReleasePicture(PictureHandle picture) {
  if (picture == 0) return;
  std::unique_ptr<imagelib::Picture> released;
  imagelib::Store& store = imagelib::TheStore();
  {
    const std::lock_guard lock(store.mutex);
    auto found = store.pictures.find(picture);
    if (found == store.pictures.end()) return;
    released = std::move(found->second);
    store.pictures.erase(found);
  }
  // Freed outside the lock: a large picture takes a while.
}
