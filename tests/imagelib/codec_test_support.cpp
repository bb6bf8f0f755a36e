#include "tests/imagelib/codec_test_support.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "imagelib/codec_support.h"
#include "imagelib/picture_store.h"

#include "tests/support/reference_tool.h"
#include "tests/support/unique_folder.h"

namespace codectest {

TempFolder::TempFolder() : path_(MakeUniqueFolder("trastel-codec")) {}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> TempFolder::Names() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::optional<std::string> Run(const std::string& command) {
  ReferenceToolRun run = RunReferenceTool(command);
  if (!run.succeeded) return std::nullopt;
  return std::move(run.output);
}

std::string Quoted(const std::string& path) {
  std::string quoted = "'";
  for (const char c : path) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

RgbPicture RgbOf(PictureHandle handle) {
  RgbPicture result;
  const imagelib::Picture* stored = imagelib::FindPicture(handle);
  if (stored == nullptr) return result;
  imagelib::Picture scratch;
  const imagelib::Picture* picture = imagelib::Bgr24View(*stored, scratch);
  if (picture == nullptr) return result;
  result.width = picture->width;
  result.height = picture->height;
  for (int y = 0; y < picture->height; ++y) {
    const std::uint8_t* pixel = picture->Row(y);
    for (int x = 0; x < picture->width; ++x, pixel += 3) {
      result.rgb.insert(result.rgb.end(), {pixel[2], pixel[1], pixel[0]});
    }
  }
  return result;
}

std::optional<RgbPicture> ReadWithImageMagick(const std::string& path) {
  const std::string frame = Quoted(path + "[0]");
  const auto size = Run("/usr/bin/identify -format '%w %h' " + frame + " 2>/dev/null");
  if (!size) return std::nullopt;
  RgbPicture picture;
  std::istringstream(*size) >> picture.width >> picture.height;
  const bool png = std::filesystem::path(path).extension() == ".png";
  const auto rgb = Run("/usr/bin/convert " + frame + (png ? " -set colorspace sRGB" : "") +
                       " -background white -alpha remove -alpha off -depth 8 rgb:- 2>/dev/null");
  if (!rgb || rgb->size() != static_cast<std::size_t>(picture.width) * picture.height * 3) {
    return std::nullopt;
  }
  picture.rgb.assign(rgb->begin(), rgb->end());
  return picture;
}

int LargestDifference(const RgbPicture& a, const RgbPicture& b) {
  if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size()) return -1;
  int largest = 0;
  for (std::size_t i = 0; i < a.rgb.size(); ++i) {
    largest = std::max(largest, std::abs(int{a.rgb[i]} - int{b.rgb[i]}));
  }
  return largest;
}

double MeanDifference(const RgbPicture& a, const RgbPicture& b) {
  if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size()) return -1;
  double sum = 0;
  for (std::size_t i = 0; i < a.rgb.size(); ++i) sum += std::abs(int{a.rgb[i]} - int{b.rgb[i]});
  return a.rgb.empty() ? 0 : sum / static_cast<double>(a.rgb.size());
}

std::string DescribeWithImageMagick(const std::string& path) {
  return Run("/usr/bin/identify -verbose " + Quoted(path) + " 2>&1").value_or("");
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

heiftest::HeifFileBuilder SmallHeic() {
  return heiftest::HeifFileBuilder::From(ReadBytes(TRASTEL_SOURCE_DIR "/fuzz/seeds/small.heic"));
}

}  // namespace codectest
