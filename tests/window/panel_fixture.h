// A fresh program folder with its Data folder, the default state and in-memory panels whose
// notifications go to the view's handler table. The refresh and name-preview operations are
// counted instead of run.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "controls/headless/headless_control_layer.h"

class PanelFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Fills the panels and reads them back, as start-up does.
  void StartUp();
  // The text of the entry that a drop-down list selects, or "" without a selection.
  std::string Shown(int barId, int controlId) const;
  std::string SettingsFileText() const;

  std::filesystem::path folder;
  HeadlessControlLayer* layer = nullptr;
  int refreshCount = 0;
  int namePreviewCount = 0;
};
