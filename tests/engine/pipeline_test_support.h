// Shared set-up for the pipeline and encoder tests: a fresh AppState with a temporary folder,
// a recording control layer, pictures made by ImageMagick and facts read back by it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "controls/headless/headless_control_layer.h"
#include "state/app_state.h"

class PipelineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Makes a picture file with /usr/bin/convert; `arguments` go between "convert" and the
  // output name (which may carry a format prefix such as "BMP3:").
  std::filesystem::path MakePicture(const std::string& name, const std::string& arguments);

  // Points source.path at `input` and target.path at `outputName` in the temporary folder.
  void SetPaths(const std::filesystem::path& input, const std::string& outputName);

 public:
  // What /usr/bin/identify -format prints for the file.
  static std::string Identify(const std::filesystem::path& file, const std::string& format);

  // The colour of one pixel as ImageMagick reads it: "red,green,blue,alpha", e.g. "255,0,0,1".
  static std::string PixelOf(const std::filesystem::path& file, int x, int y);

 protected:
  AppState* state_ = nullptr;
  PictureRecord* target_ = nullptr;
  HeadlessControlLayer* layer_ = nullptr;
  std::filesystem::path folder_;
  std::filesystem::path output_;

 private:
  std::unique_ptr<ControlLayer> previousLayer_;
};

// Runs a shell command and returns what it printed on standard output.
std::string RunCommand(const std::string& command);
