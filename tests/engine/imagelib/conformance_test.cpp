// Every picture of the public conformance suites: the good ones load to the size and pixels
// ImageMagick reads, the broken ones are refused, the questionable ones load or are refused
// without harm.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "engine/imagelib/imagelib.h"
#include "engine/imagelib/picture_store.h"
#include "tests/engine/imagelib/codec_test_support.h"

namespace {

enum class Expect { kLoads, kRefused, kEither };

struct SuiteFile {
  std::string path;
  Expect expect;
  // Largest channel difference allowed against ImageMagick's reading.
  int tolerance;
};

// Files that are sound pictures but outside what the library reads: 12-bit JPEG samples.
const std::set<std::string> kUnsupported = {"monkey12.jpg"};

// Damaged BMP files whose pixels are all there: wrong sizes or densities in the header, a
// palette count beyond 256 (clipped), runs past the edge (clipped), indexes past the palette
// (black). They may load; the other damaged files must be refused.
const std::set<std::string> kLoadableDamagedBmps = {
    "badbitssize.bmp",    "baddens1.bmp",  "baddens2.bmp",  "badfilesize.bmp",
    "badpalettesize.bmp", "badrle.bmp",    "badrle4.bmp",   "badrle4bis.bmp",
    "badrle4ter.bmp",     "badrlebis.bmp", "badrleter.bmp", "pal8badindex.bmp",
    "rgb16-880.bmp"};

Expect ExpectationOf(const std::filesystem::path& path) {
  const std::string suite = path.parent_path().filename().string();
  const std::string name = path.filename().string();
  if (kUnsupported.count(name) != 0) return Expect::kRefused;
  if (suite == "pngsuite") return name[0] == 'x' ? Expect::kRefused : Expect::kLoads;
  if (suite == "b")
    return kLoadableDamagedBmps.count(name) != 0 ? Expect::kEither : Expect::kRefused;
  if (suite == "q" || suite == "x") return Expect::kEither;
  return Expect::kLoads;
}

std::vector<SuiteFile> SuiteFiles() {
  std::vector<SuiteFile> files;
  const std::set<std::string> pictureExtensions = {".bmp", ".jpg", ".png", ".gif"};
  for (const auto& entry : std::filesystem::recursive_directory_iterator(TRASTEL_SHARED_TESTDATA)) {
    if (!entry.is_regular_file() || pictureExtensions.count(entry.path().extension()) == 0) {
      continue;
    }
    const int tolerance = entry.path().extension() == ".jpg" ? 2 : 1;
    files.push_back({entry.path().string(), ExpectationOf(entry.path()), tolerance});
  }
  std::sort(files.begin(), files.end(),
            [](const SuiteFile& a, const SuiteFile& b) { return a.path < b.path; });
  return files;
}

std::string TestName(const testing::TestParamInfo<SuiteFile>& info) {
  const std::filesystem::path path(info.param.path);
  std::string name = path.parent_path().filename().string() + "_" + path.stem().string();
  std::replace_if(
      name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
  return name;
}

void PrintTo(const SuiteFile& file, std::ostream* out) {
  *out << file.path;
}

class ConformanceTest : public testing::TestWithParam<SuiteFile> {};

TEST_P(ConformanceTest, LoadsAsImageMagickReadsOrIsRefused) {
  const SuiteFile& file = GetParam();
  const std::size_t storedBefore = imagelib::StoredPictureCount();
  ScopedPicture picture(LoadPicture(file.path.c_str()));
  switch (file.expect) {
    case Expect::kRefused:
      EXPECT_FALSE(picture);
      EXPECT_EQ(imagelib::StoredPictureCount(), storedBefore);
      break;
    case Expect::kEither:
      break;
    case Expect::kLoads: {
      ASSERT_TRUE(picture);
      const auto reference = codectest::ReadWithImageMagick(file.path);
      ASSERT_TRUE(reference.has_value()) << "ImageMagick cannot read it";
      const codectest::RgbPicture ours = codectest::RgbOf(picture.Get());
      EXPECT_EQ(ours.width, reference->width);
      EXPECT_EQ(ours.height, reference->height);
      const int difference = codectest::LargestDifference(ours, *reference);
      EXPECT_GE(difference, 0);
      EXPECT_LE(difference, file.tolerance);
      break;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(SharedTestData, ConformanceTest, testing::ValuesIn(SuiteFiles()),
                         TestName);

TEST(ConformanceTest, FindsEverySuite) {
  std::set<std::string> suites;
  for (const SuiteFile& file : SuiteFiles()) {
    suites.insert(std::filesystem::path(file.path).parent_path().filename().string());
  }
  EXPECT_EQ(suites,
            (std::set<std::string>{"b", "g", "giflib", "libjpeg-turbo", "pngsuite", "q", "x"}));
}

}  // namespace
