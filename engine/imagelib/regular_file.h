// Reading picture files: only regular files are opened, so that a named pipe, socket or device
// given as a picture is refused at once instead of blocking the program for good.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "engine/imagelib/codec_support.h"

namespace imagelib {

class RegularFile {
 public:
  // The file at `path` opened for reading; nothing when it cannot be opened or is not a
  // regular file. Opening does not wait for a writer, and nothing is read yet.
  static std::optional<RegularFile> Open(const char* path);

  RegularFile(RegularFile&& other) noexcept;
  RegularFile& operator=(RegularFile&&) = delete;
  RegularFile(const RegularFile&) = delete;
  RegularFile& operator=(const RegularFile&) = delete;
  ~RegularFile();

  // The size of the file when it was opened.
  std::uint64_t Size() const { return size_; }

  // Appends up to `count` further bytes to `bytes` (fewer at the end of the file); false on a
  // read error.
  bool ReadMore(Bytes& bytes, std::size_t count);

 private:
  RegularFile(int descriptor, std::uint64_t size) : descriptor_(descriptor), size_(size) {}

  int descriptor_;
  std::uint64_t size_;
};

}  // namespace imagelib
