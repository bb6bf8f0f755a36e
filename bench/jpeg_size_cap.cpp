// The JPEG size cap's cost: for each picture given, the CPU time of one plain encode at the
// chosen quality and of the capped search (median of three each), the ratio, and how full the
// capped file is (its bytes over the cap). Ends with the medians over all pictures.
//   jpeg_size_cap QUALITY CAP_KB FOLDER PICTURE...
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "imagelib/imagelib.h"

namespace {

constexpr int kRuns = 3;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0.0 : values[values.size() / 2];
}

template <typename Work>
double MedianCpuMilliseconds(Work work) {
  std::vector<double> times;
  for (int run = 0; run < kRuns; ++run) {
    const std::clock_t start = std::clock();
    work();
    times.push_back(1000.0 * static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC);
  }
  return Median(times);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s QUALITY CAP_KB FOLDER PICTURE...\n", argv[0]);
    return 2;
  }
  const int quality = std::atoi(argv[1]);
  const std::uint64_t capBytes = std::strtoull(argv[2], nullptr, 10) * 1000;
  const std::string plainPath = std::string(argv[3]) + "/plain.jpg";
  const std::string cappedPath = std::string(argv[3]) + "/capped.jpg";
  std::vector<double> ratios;
  std::vector<double> fills;
  int over = 0;
  std::printf("%-28s %9s %9s %6s %8s %6s\n", "picture", "plain ms", "capped ms", "ratio", "bytes",
              "fill");
  for (int i = 4; i < argc; ++i) {
    PictureHandle picture = LoadPicture(argv[i]);
    if (picture == 0) {
      std::fprintf(stderr, "cannot load %s\n", argv[i]);
      return 1;
    }
    const double plain =
        MedianCpuMilliseconds([&] { SaveJpeg(plainPath.c_str(), picture, quality, 0); });
    int result = 0;
    const double capped = MedianCpuMilliseconds(
        [&] { result = SaveJpegWithin(cappedPath.c_str(), picture, quality, 0, capBytes); });
    ReleasePicture(picture);
    const auto bytes = std::filesystem::file_size(cappedPath);
    const double fill = static_cast<double>(bytes) / static_cast<double>(capBytes);
    over += result == kOverCap;
    ratios.push_back(capped / plain);
    fills.push_back(fill);
    std::printf("%-28s %9.1f %9.1f %6.2f %8llu %6.3f%s\n",
                std::filesystem::path(argv[i]).filename().string().c_str(), plain, capped,
                capped / plain, static_cast<unsigned long long>(bytes), fill,
                result == kOverCap ? " over" : "");
  }
  std::printf("median ratio %.2f, median fill %.3f, lowest fill %.3f, over the cap %d of %zu\n",
              Median(ratios), Median(fills), *std::min_element(fills.begin(), fills.end()), over,
              ratios.size());
  return 0;
}
