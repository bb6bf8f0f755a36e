// Times the whole pipeline (load, resize off, encode) of one picture into each output format,
// and measures the peak memory of a long animated GIF.
//   pipeline_timing convert INPUT OUTPUT_FOLDER RUNS   -> "format median-ms bytes" lines
//   pipeline_timing animation FRAME OUTPUT_FILE COUNT  -> seconds, peak RSS and output bytes
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "base/program_folder.h"
#include "engine/encoders.h"
#include "engine/pipeline.h"
#include "state/app_state.h"

namespace {

struct Job {
  const char* name;
  int format;
  int bmpType;
  const char* extension;
};

constexpr Job kJobs[] = {
    {"bmp24", kFormatBmp, 0, "bmp"},   {"bmp8rle", kFormatBmp, 3, "bmp"},
    {"jpeg80", kFormatJpeg, 0, "jpg"}, {"png", kFormatPng, 0, "png"},
    {"gif", kFormatGif, 0, "gif"},
};

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int TimeFormats(const char* input, const std::string& folder, int runs) {
  AppState* state = GetAppState();
  CopyText(state->source->path, input);
  for (const Job& job : kJobs) {
    PictureRecord& target = *state->target;
    target.DIB_TYPE = job.format;
    target.BMP_TYPE = job.bmpType;
    target.JPG_TYPE = 20;
    std::string output = folder + "/ours-" + job.name + "." + job.extension;
    CopyText(target.path, output.c_str());
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
      auto start = std::chrono::steady_clock::now();
      if (!ConvertSingle()) {
        std::fprintf(stderr, "%s failed\n", job.name);
        return 1;
      }
      times.push_back(Seconds(start) * 1000);
    }
    std::sort(times.begin(), times.end());
    std::printf("%s %.1f %ju\n", job.name, times[times.size() / 2],
                static_cast<std::uintmax_t>(std::filesystem::file_size(output)));
  }
  return 0;
}

int TimeAnimation(const char* frame, const char* output, int count) {
  AppState* state = GetAppState();
  PictureRecord& target = *state->target;
  target.DIB_TYPE = kFormatGif;
  target.GIF_ANIMA = 1;
  state->paths->itemCount = count;
  CopyText(state->source->path, frame);
  CopyText(target.path, output);
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < count; ++i) {
    if (!ConvertFrame(i, i == count - 1)) {
      std::fprintf(stderr, "frame %d failed\n", i);
      return 1;
    }
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("frames %d seconds %.2f peak-rss-mb %.1f bytes %ju\n", count, Seconds(start),
              usage.ru_maxrss / 1024.0,
              static_cast<std::uintmax_t>(std::filesystem::file_size(output)));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: %s convert|animation INPUT OUTPUT COUNT\n", argv[0]);
    return 2;
  }
  SetProgramFolder(std::filesystem::temp_directory_path().c_str());
  std::string mode = argv[1];
  int count = std::atoi(argv[4]);
  if (mode == "convert") return TimeFormats(argv[2], argv[3], count);
  if (mode == "animation") return TimeAnimation(argv[2], argv[3], count);
  return 2;
}
