#include "imagelib/exif_editing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>

#include "tests/imagelib/codec_test_support.h"

namespace {

using imagelib::Bytes;
using imagelib::ExifKeep;

bool Holds(const Bytes& bytes, std::string_view text) {
  return std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
}

// Whatever a damaged block or file claims, finding and editing the block reads and writes only
// inside it, and what the date-and-camera choice leaves out is never in what it returns.
TEST(ExifEditingTest, DamagedBlocksAreEditedWithinTheirBytesAndLeakNothing) {
  codectest::TempFolder folder;
  const std::string photo = folder.File("photo.jpg");
  ASSERT_TRUE(codectest::Run("/usr/bin/convert -size 16x8 xc:red " + codectest::Quoted(photo) +
                             " && /usr/bin/exiftool -q -overwrite_original -Make=TestMaker "
                             "'-DateTimeOriginal=2026:05:04 10:11:12' -Orientation#=6 "
                             "-GPSLatitude=35.6 -GPSLatitudeRef=N '-Artist=Hanako Yamada' "
                             "-ExifImageWidth=16 -ExifImageHeight=8 " +
                             codectest::Quoted(photo)));
  std::ifstream in(photo, std::ios::binary);
  const Bytes file{std::istreambuf_iterator<char>(in), {}};
  const Bytes block = imagelib::ExifBlockOf(file);
  ASSERT_TRUE(Holds(block, "Hanako"));
  ASSERT_TRUE(Holds(imagelib::ExifForOutput(block, ExifKeep::kAll, 8, 16), "Hanako"));
  ASSERT_TRUE(Holds(imagelib::ExifForOutput(block, ExifKeep::kDateAndCamera, 8, 16), "TestMaker"));

  for (std::size_t size = 0; size < file.size(); ++size) {
    imagelib::ExifBlockOf(imagelib::ByteSpan(file).first(size));
  }
  const auto check = [](const Bytes& damaged, std::size_t where) {
    for (ExifKeep keep : {ExifKeep::kDateAndCamera, ExifKeep::kAll}) {
      const Bytes edited = imagelib::ExifForOutput(damaged, keep, 70000, 8);
      EXPECT_LE(edited.size(), damaged.size()) << where;
      EXPECT_TRUE(keep == ExifKeep::kAll || !Holds(edited, "Hanako")) << where;
    }
  };
  for (std::size_t size = 0; size < block.size(); ++size) {
    check(Bytes(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(size)), size);
  }
  for (std::size_t at = 6; at < block.size(); ++at) {
    Bytes damaged = block;
    damaged[at] ^= 0xFF;
    check(damaged, at);
  }
  // The fuzzer's files, its findings among them.
  for (const auto& entry : std::filesystem::directory_iterator(TRASTEL_SOURCE_DIR "/fuzz/seeds")) {
    std::ifstream seed(entry.path(), std::ios::binary);
    check(imagelib::ExifBlockOf(Bytes{std::istreambuf_iterator<char>(seed), {}}), 0);
  }
}

}  // namespace
