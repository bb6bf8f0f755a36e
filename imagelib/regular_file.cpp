#include "imagelib/regular_file.h"

namespace imagelib {

std::optional<RegularFile> RegularFile::Open(const char* path) {
  auto file = platform::File::OpenRegularForReading(path);
  if (!file) return std::nullopt;
  return RegularFile(std::move(*file));
}

bool RegularFile::ReadMore(Bytes& bytes, std::size_t count) {
  const std::size_t start = bytes.size();
  bytes.resize(start + count);
  std::size_t got = 0;
  while (got < count) {
    const std::optional<std::size_t> read = file_.Read(bytes.data() + start + got, count - got);
    if (!read) return false;
    if (*read == 0) break;
    got += *read;
  }
  bytes.resize(start + got);
  return true;
}

}  // namespace imagelib
