// One JPEG XL step for bench/jxl.sh to time as a whole process, as it times djxl and cjxl:
//   jxl_timing decode FILE.jxl                  decodes the picture into memory
//   jxl_timing save jxl|webp|avif PICTURE OUT QUALITY [EFFORT]
//                                               loads the picture and writes it at the quality
//                                               (EFFORT: libjxl's effort, or aom's speed)
#include <cstdio>
#include <cstdlib>
#include <string>

#include "imagelib/codec_support.h"
#include "imagelib/imagelib.h"
#include "imagelib/picture_store.h"
#include "imagelib/regular_file.h"

namespace {

int Decode(const char* path) {
  auto file = imagelib::RegularFile::Open(path);
  imagelib::Bytes bytes;
  if (!file || !file->ReadMore(bytes, static_cast<std::size_t>(file->Size()))) return 1;
  return imagelib::DecodeJxl(bytes) ? 0 : 1;
}

int Save(const std::string& format, const char* picture, const char* out, int quality, int effort) {
  const ScopedPicture loaded(LoadPicture(picture));
  if (!loaded) return 1;
  int saved = 0;
  if (format == "jxl") saved = SaveJxl(out, loaded.Get(), quality, effort, 0);
  if (format == "webp") saved = SaveWebp(out, loaded.Get(), quality, 0);
  if (format == "avif") saved = SaveAvif(out, loaded.Get(), quality, effort);
  return saved ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "decode" && argc == 3) return Decode(argv[2]);
  if (mode == "save" && argc >= 6) {
    return Save(argv[2], argv[3], argv[4], std::atoi(argv[5]), argc > 6 ? std::atoi(argv[6]) : 7);
  }
  std::fprintf(stderr,
               "usage: %s decode FILE.jxl | save jxl|webp|avif PICTURE OUT QUALITY [EFFORT]\n",
               argv[0]);
  return 2;
}
