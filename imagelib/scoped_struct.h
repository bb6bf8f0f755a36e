// A C library's struct that owns what the library allocated into it, released by the library's
// own function when the scope ends (libwebp's pictures, writers and iterators).
#pragma once

namespace imagelib {

template <typename T, auto Release>
class ScopedStruct {
 public:
  ScopedStruct() = default;
  ~ScopedStruct() { Release(&value_); }
  ScopedStruct(const ScopedStruct&) = delete;
  ScopedStruct& operator=(const ScopedStruct&) = delete;
  T* operator->() { return &value_; }
  T* Get() { return &value_; }
  const T& operator*() const { return value_; }

 private:
  T value_{};
};

}  // namespace imagelib
