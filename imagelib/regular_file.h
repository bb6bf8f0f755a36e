// Reading picture files: only regular files are opened, so that a named pipe, socket or device
// given as a picture is refused at once instead of blocking the program for good.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>

#include "imagelib/codec_support.h"
#include "platform/files.h"

namespace imagelib {

// Pictures larger than this are not read at all: even the largest acceptable picture takes
// fewer bytes uncompressed.
inline constexpr std::uint64_t kLargestFile = std::uint64_t{1} << 30;

class RegularFile {
 public:
  // The file at `path` opened for reading; nothing when it cannot be opened or is not a
  // regular file. Opening does not wait for a writer, and nothing is read yet.
  static std::optional<RegularFile> Open(const char* path);

  // The size of the file when it was opened.
  std::uint64_t Size() const { return file_.Size(); }

  // Appends up to `count` further bytes to `bytes` (fewer at the end of the file); false on a
  // read error.
  bool ReadMore(Bytes& bytes, std::size_t count);

 private:
  explicit RegularFile(platform::File file) : file_(std::move(file)) {}

  platform::File file_;
};

}  // namespace imagelib
