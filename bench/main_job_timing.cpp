// The main job through the headless window: how long a refresh of the selected entry takes with
// a full list, and how responsive a long batch run stays between its files.
//   main_job_timing refresh PICTURE RUNS     -> with 1000 entries, the median time a refresh holds
//                                               the window and the time until its figures show
//   main_job_timing batch FOLDER OUTPUT [PICTURE]
//                                            -> "実行" over every picture of FOLDER: total time
//                                               and the longest gap between two pumped messages;
//                                               with PICTURE, which is added and selected, also
//                                               the refresh times while the run is going
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/program_folder.h"
#include "controls/headless/headless_control_layer.h"
#include "resources/control_ids.h"
#include "state/app_state.h"
#include "window/fill_and_read_panels.h"
#include "window/picture_facts.h"
#include "window/view_dispatch.h"

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A program folder in a temporary place, with the panels filled as at start-up.
HeadlessControlLayer& StartProgram(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder / "Data/__Temp");
  SetProgramFolder(folder.c_str());
  std::filesystem::current_path(folder);
  auto headless = std::make_unique<HeadlessControlLayer>();
  HeadlessControlLayer& layer = *headless;
  layer.SetEventSink(DispatchViewEvent);
  SetControlLayer(std::move(headless));
  GetAppState();
  FillPanels();
  ReadPanels();
  layer.onMessage = [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); };
  return layer;
}

int TimeRefresh(const std::string& picture, int runs) {
  HeadlessControlLayer& layer =
      StartProgram(std::filesystem::temp_directory_path() / "trastel-refresh-bench");
  for (int i = 0; i < 1000; ++i) layer.ListInsert(kInputPanel, kInputList, i, picture);
  layer.ListSelect(kInputPanel, kInputList, 500);
  layer.Choose(kFormatPanel, kFormatList, 1);  // JPG
  // How long the window is held by a refresh, and how long until the figures show.
  std::vector<double> held;
  std::vector<double> shown;
  for (int run = 0; run < runs; ++run) {
    auto start = Clock::now();
    RefreshSelection();
    held.push_back(MillisecondsSince(start));
    while (MeasuringSelection()) {
      layer.PumpOneMessage();
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    shown.push_back(MillisecondsSince(start));
  }
  std::sort(held.begin(), held.end());
  std::sort(shown.begin(), shown.end());
  std::printf(
      "refresh with 1000 entries: window held median %.1f ms (of %d, max %.1f); figures shown "
      "after median %.1f ms\n",
      held[held.size() / 2], runs, held.back(), shown[shown.size() / 2]);
  return 0;
}

int TimeBatch(const std::string& pictures, const std::string& output, const std::string& selected) {
  HeadlessControlLayer& layer =
      StartProgram(std::filesystem::temp_directory_path() / "trastel-batch-bench");
  layer.folderChoices = {pictures};
  layer.Click(kInputPanel, kAddFolderButton);
  const int count = layer.ListCount(kInputPanel, kInputList);
  if (!selected.empty()) {
    layer.ListInsert(kInputPanel, kInputList, count, selected);
    layer.ListSelect(kInputPanel, kInputList, count);
  }
  layer.SetText(kInputPanel, kOutputFolderBox, output);
  layer.Choose(kFormatPanel, kFormatList, 1);  // JPG
  auto last = Clock::now();
  double longestGap = 0;
  int pumps = 0;
  std::vector<double> refreshes;
  layer.onPump = [&] {
    longestGap = std::max(longestGap, MillisecondsSince(last));
    // As a user clicking the selected entry now and then.
    if (!selected.empty() && ++pumps % 40 == 0) {
      auto start = Clock::now();
      RefreshSelection();
      refreshes.push_back(MillisecondsSince(start));
    }
    last = Clock::now();
  };
  auto start = Clock::now();
  last = start;
  layer.Click(kActionPanel, kRunButton);
  double total = MillisecondsSince(start);
  std::printf(
      "run of %d pictures: %.2f s, %.2f ms per picture, longest gap between pumped "
      "messages %.1f ms\n",
      layer.ListCount(kInputPanel, kInputList), total / 1000,
      total / layer.ListCount(kInputPanel, kInputList), longestGap);
  if (!refreshes.empty()) {
    std::sort(refreshes.begin(), refreshes.end());
    std::printf(
        "refresh of the selected picture during the run: median %.1f ms (of %zu), max %.1f\n",
        refreshes[refreshes.size() / 2], refreshes.size(), refreshes.back());
  }
  return layer.messages.empty() || layer.messages.back() != "変換が成功しました！";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: %s refresh PICTURE RUNS | batch FOLDER OUTPUT [PICTURE]\n",
                 argv[0]);
    return 2;
  }
  std::string mode = argv[1];
  if (mode == "refresh") return TimeRefresh(std::filesystem::absolute(argv[2]), std::atoi(argv[3]));
  if (mode == "batch") {
    return TimeBatch(argv[2], argv[3],
                     argc == 5 ? std::filesystem::absolute(argv[4]).string() : "");
  }
  return 2;
}
