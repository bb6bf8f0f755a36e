#include "tests/support/main_job_fixture.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <thread>

#include "base/program_folder.h"
#include "resources/control_ids.h"
#include "tests/support/reference_tool.h"
#include "tests/support/unique_folder.h"
#include "window/fill_and_read_panels.h"
#include "window/picture_facts.h"
#include "window/settings_pages.h"
#include "window/view_dispatch.h"

namespace fs = std::filesystem;

void MainJobFixture::SetUp() {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  folder =
      MakeUniqueFolder(std::string("trastel-job-") + test->test_suite_name() + "-" + test->name());
  for (const char* data : {"Data/__Temp", "Data/Preview", "Data/Help"}) {
    fs::create_directories(folder / data);
  }
  // Written with '/' as the program writes its own folder on every system.
  ASSERT_TRUE(SetProgramFolder(folder.generic_string().c_str()));
  fs::current_path(folder);
  DestroyAppState();
  DestroyPanelHelper();
  auto headless = std::make_unique<HeadlessControlLayer>();
  layer = headless.get();
  layer->SetEventSink(DispatchViewEvent);
  SetControlLayer(std::move(headless));
  state = GetAppState();
  ASSERT_NE(state, nullptr);
  FillPanels();
  ReadPanels();
}

void MainJobFixture::TearDown() {
  HoldMeasuringForTesting(false);
  StopMeasuring();
  SetControlLayer(nullptr);
  DestroyAppState();
  DestroyPanelHelper();
  fs::current_path(fs::temp_directory_path());
  fs::remove_all(folder);
}

fs::path MainJobFixture::MakePicture(const std::string& relativePath, const std::string& arguments,
                                     const std::string& prefix) {
  fs::path file = folder / relativePath;
  fs::create_directories(file.parent_path());
  std::string command = "/usr/bin/convert " + arguments + " '" + prefix + file.string() + "'";
  EXPECT_TRUE(RunReferenceTool(command).succeeded) << command;
  return file;
}

void MainJobFixture::WriteFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> MainJobFixture::Entries() const {
  std::vector<std::string> entries;
  for (int i = 0; i < layer->ListCount(kInputPanel, kInputList); ++i) {
    entries.push_back(layer->ListText(kInputPanel, kInputList, i));
  }
  return entries;
}

int MainJobFixture::Selection() const {
  return layer->ListSelection(kInputPanel, kInputList);
}

void MainJobFixture::WaitForFacts() {
  while (MeasuringSelection()) {
    layer->PumpOneMessage();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

std::string MainJobFixture::Box(int controlId) const {
  return layer->GetText(kInputPanel, controlId);
}

std::string MainJobFixture::Identify(const fs::path& file, const std::string& format) {
  return RunReferenceTool("/usr/bin/identify -format '" + format + "' '" + file.string() +
                          "' 2>/dev/null")
      .output;
}
