// Every picture of the public conformance suites: the good ones load to the size and pixels
// ImageMagick reads (PNG samples brought from their file's gamma to sRGB), the broken ones are
// refused, the questionable ones load or are refused without harm.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "imagelib/imagelib.h"
#include "imagelib/picture_store.h"
#include "tests/imagelib/codec_test_support.h"

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
    if (!entry.is_regular_file() ||
        pictureExtensions.count(entry.path().extension().string()) == 0) {
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

// A PNG's gamma as ImageMagick reports its gAMA chunk; nothing when the file has none.
std::optional<double> PngGamma(const std::string& path) {
  if (std::filesystem::path(path).extension() != ".png") return std::nullopt;
  const auto property = codectest::Run("/usr/bin/identify -format '%[png:gAMA]' " +
                                       codectest::Quoted(path) + " 2>/dev/null");
  double gamma = 0;
  if (!property || std::sscanf(property->c_str(), "gamma=%lf", &gamma) != 1) return std::nullopt;
  return gamma;
}

// The pixels of a PNG with a gamma as browsers show them: ImageMagick's samples as stored,
// 16 bits deep, decoded to linear light with the pure power curve of the gamma (the suite's
// chromaticities, where given, are sRGB's), encoded with sRGB's curve and composited over white.
bool ShowInSrgb(const std::string& path, double gamma, codectest::RgbPicture& picture) {
  const auto rgba =
      codectest::Run("/usr/bin/convert " + codectest::Quoted(path + "[0]") +
                     " -set colorspace sRGB -depth 16 -endian MSB rgba:- 2>/dev/null");
  const std::size_t pixels = static_cast<std::size_t>(picture.width) * picture.height;
  if (!rgba || rgba->size() != 8 * pixels) return false;
  const auto sample = [&rgba](std::size_t at) {
    return (static_cast<std::uint8_t>((*rgba)[2 * at]) << 8 |
            static_cast<std::uint8_t>((*rgba)[2 * at + 1])) /
           65535.0;
  };
  for (std::size_t i = 0; i < pixels; ++i) {
    const double alpha = sample(4 * i + 3);
    for (std::size_t channel = 0; channel < 3; ++channel) {
      const double linear = std::pow(sample(4 * i + channel), 1 / gamma);
      const double encoded =
          linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
      picture.rgb[3 * i + channel] =
          static_cast<std::uint8_t>(std::lround(255 * (encoded * alpha + 1 - alpha)));
    }
  }
  return true;
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
      auto reference = codectest::ReadWithImageMagick(file.path);
      ASSERT_TRUE(reference.has_value()) << "ImageMagick cannot read it";
      if (const auto gamma = PngGamma(file.path)) {
        ASSERT_TRUE(ShowInSrgb(file.path, *gamma, *reference));
      }
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
