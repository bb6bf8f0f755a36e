// A program folder with its Data folders, the default state and in-memory panels wired to the
// view's handlers, as the program has them after start-up; plus pictures made by ImageMagick.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "controls/headless/headless_control_layer.h"
#include "state/app_state.h"

class MainJobFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Makes a picture with /usr/bin/convert at `relativePath` below the program folder;
  // `arguments` go before the output name, which may carry a format prefix ("BMP3:").
  std::filesystem::path MakePicture(const std::string& relativePath,
                                    const std::string& arguments = "-size 8x6 xc:red",
                                    const std::string& prefix = "");
  void WriteFile(const std::filesystem::path& path, const std::string& bytes);

  // The entries of the input list, in order.
  std::vector<std::string> Entries() const;
  int Selection() const;
  // Lets the selected entry's measurement end and its figures show in the rows.
  void WaitForFacts();
  // Text of a box of the input panel.
  std::string Box(int controlId) const;

  // What /usr/bin/identify -format prints for the file.
  static std::string Identify(const std::filesystem::path& file, const std::string& format);

  std::filesystem::path folder;
  HeadlessControlLayer* layer = nullptr;
  AppState* state = nullptr;
};
