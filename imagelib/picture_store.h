// The store that maps PictureHandles to pictures.
#pragma once

#include <memory>

#include "imagelib/imagelib.h"
#include "imagelib/picture.h"

namespace imagelib {

// Takes ownership of the picture and returns its new handle (never 0).
PictureHandle StorePicture(std::unique_ptr<Picture> picture);

// The picture behind a handle, or null for 0 or a handle that is not (or no longer) stored.
Picture* FindPicture(PictureHandle handle);

// Number of pictures currently stored (for tests that look for leaks).
std::size_t StoredPictureCount();

}  // namespace imagelib

// Owns a handle and releases it when it goes out of scope.
class ScopedPicture {
 public:
  ScopedPicture() = default;
  explicit ScopedPicture(PictureHandle handle) : handle_(handle) {}
  ScopedPicture(const ScopedPicture&) = delete;
  ScopedPicture& operator=(const ScopedPicture&) = delete;
  ScopedPicture(ScopedPicture&& other) noexcept : handle_(other.Release()) {}
  ScopedPicture& operator=(ScopedPicture&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  ~ScopedPicture() { Reset(); }

  PictureHandle Get() const { return handle_; }
  explicit operator bool() const { return handle_ != 0; }
  PictureHandle Release() {
    PictureHandle handle = handle_;
    handle_ = 0;
    return handle;
  }
  void Reset(PictureHandle handle = 0) {
    if (handle_ != 0) ReleasePicture(handle_);
    handle_ = handle;
  }

 private:
  PictureHandle handle_ = 0;
};
