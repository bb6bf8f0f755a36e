// Helpers of the codec tests: a fresh folder per test, ImageMagick as the independent reader,
// and pictures as plain RGB bytes for comparison.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "imagelib/imagelib.h"
#include "tests/imagelib/heif_file_builder.h"

namespace codectest {

// A new empty folder, removed with everything in it at the end of the test.
class TempFolder {
 public:
  TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder();

  std::string File(const std::string& name) const { return (path_ / name).string(); }
  // The names of the files in the folder, sorted.
  std::vector<std::string> Names() const;

 private:
  std::filesystem::path path_;
};

// Runs a shell command and returns what it wrote on standard output, or nothing when it
// failed.
std::optional<std::string> Run(const std::string& command);

// Quotes a path for the shell.
std::string Quoted(const std::string& path);

// A picture as width, height and R, G, B bytes row by row from the top.
struct RgbPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
};

// The picture of a loaded handle.
RgbPicture RgbOf(PictureHandle picture);

// The first frame of a file as ImageMagick reads it, transparency over white. PNG samples are
// taken as stored, without ImageMagick's gamma correction.
std::optional<RgbPicture> ReadWithImageMagick(const std::string& path);

// The largest difference of any channel of any pixel; -1 when the sizes differ.
int LargestDifference(const RgbPicture& a, const RgbPicture& b);

// The mean absolute difference of all channels of all pixels; -1 when the sizes differ.
double MeanDifference(const RgbPicture& a, const RgbPicture& b);

// `identify -verbose` of a file.
std::string DescribeWithImageMagick(const std::string& path);

// The whole content of a file.
std::vector<std::uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// The fuzzer's small.heic taken apart: a grid (the primary) of one 70x64 tile shown 70x46.
heiftest::HeifFileBuilder SmallHeic();

}  // namespace codectest
