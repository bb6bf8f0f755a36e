#include "tests/engine/pipeline_test_support.h"

#include "base/program_folder.h"

#include "tests/support/reference_tool.h"
#include "tests/support/unique_folder.h"

namespace fs = std::filesystem;

std::string RunCommand(const std::string& command) {
  return RunReferenceTool(command).output;
}

void PipelineTest::SetUp() {
  ASSERT_TRUE(SetProgramFolder("/tmp"));
  DestroyAppState();
  state_ = GetAppState();
  ASSERT_NE(state_, nullptr);
  target_ = state_->target.get();
  folder_ = MakeUniqueFolder("trastel-pipeline");
  auto layer = std::make_unique<HeadlessControlLayer>();
  layer_ = layer.get();
  previousLayer_ = SetControlLayer(std::move(layer));
}

void PipelineTest::TearDown() {
  SetControlLayer(std::move(previousLayer_));
  DestroyAppState();
  fs::remove_all(folder_);
}

fs::path PipelineTest::MakePicture(const std::string& name, const std::string& arguments) {
  std::string fileName = name;
  std::string prefix;
  if (auto colon = name.find(':'); colon != std::string::npos) {
    prefix = name.substr(0, colon + 1);
    fileName = name.substr(colon + 1);
  }
  fs::path file = folder_ / fileName;
  std::string command = "/usr/bin/convert " + arguments + " '" + prefix + file.string() + "'";
  EXPECT_TRUE(RunReferenceTool(command).succeeded) << command;
  return file;
}

void PipelineTest::SetPaths(const fs::path& input, const std::string& outputName) {
  output_ = folder_ / outputName;
  CopyText(state_->source->path, input.string().c_str());
  CopyText(target_->path, output_.string().c_str());
}

std::string PipelineTest::Identify(const fs::path& file, const std::string& format) {
  return RunCommand("/usr/bin/identify -format '" + format + "' '" + file.string() +
                    "' 2>/dev/null");
}

std::string PipelineTest::PixelOf(const fs::path& file, int x, int y) {
  std::string at = "p{" + std::to_string(x) + "," + std::to_string(y) + "}";
  std::string format;
  for (const char* channel : {".r", ".g", ".b"}) {
    format += std::string(format.empty() ? "" : ",") + "%[fx:round(255*" + at + channel + ")]";
  }
  format += ",%[fx:" + at + ".a]";
  return RunCommand("/usr/bin/convert '" + file.string() + "[0]' -format '" + format +
                    "' info: 2>/dev/null");
}
