#include "window/estimate_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/estimate_texts.h"
#include "platform/files.h"
#include "resources/control_ids.h"
#include "resources/panel_templates.h"
#include "tests/support/main_job_fixture.h"

namespace {

namespace fs = std::filesystem;

using EstimateCommandTest = MainJobFixture;

// The list estimated from the menu: the summary counts what the run will do, its page names
// every entry with the sizes and bytes the selected entry's facts measured, and the run button
// and progress bar are as before.
TEST_F(EstimateCommandTest, TheListIsEstimatedAsTheFactsMeasureItAndTheDetailsNameEveryEntry) {
  const fs::path picture = MakePicture("pics/a.png", "-size 300x200 -seed 3 plasma:", "PNG24:");
  const fs::path broken = folder / "pics" / "broken.jpg";
  WriteFile(broken, "\xFF\xD8 no picture");
  layer->Choose(kFormatPanel, kFormatList, 1);  // JPG
  layer->fileChoices = {picture.string()};
  layer->Click(kInputPanel, kAddOneButton);
  WaitForFacts();
  layer->ListInsert(kInputPanel, kInputList, -1, broken.string());
  const std::string afterBytes = Box(kAfterBytesBox);
  const std::string afterSize = Box(kAfterWidthBox) + "x" + Box(kAfterHeightBox);

  std::string summary;
  layer->onDialog = [&](const DialogTemplate& dialog, DialogValues& values) {
    EXPECT_EQ(std::string(dialog.caption), "見積もり");
    summary = values[kEstimateSummaryLabel];
    EXPECT_FALSE(layer->PressDialogButton(kEstimateDetailsButton, values));
    return true;
  };
  layer->ChooseMenuCommand(kEstimateCommand);
  EXPECT_EQ(summary.rfind("変換する画像 1 件\n失敗する画像 1 件\n", 0), 0u) << summary;
  ASSERT_FALSE(layer->launched.empty());
  const std::string page = layer->launched.back();
  EXPECT_NE(page.find("estimate.html"), std::string::npos) << page;
  std::ifstream file(platform::PathOf(page), std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  EXPECT_NE(text.str().find("<td>300x200</td><td>" + afterSize + "</td>"), std::string::npos)
      << text.str();
  EXPECT_NE(text.str().find("<td>" + ShownBytes(std::stoll(afterBytes), true) + "</td>"),
            std::string::npos)
      << afterBytes << "\n"
      << text.str();
  EXPECT_NE(text.str().find("broken.jpg"), std::string::npos);
  EXPECT_EQ(layer->GetText(kActionPanel, kRunButton), "実行");
  EXPECT_EQ(layer->ProgressPosition(kProgressPanel, kBatchProgressBar), 0);
  // Nothing was written.
  EXPECT_FALSE(fs::exists(platform::PathOf(Box(kOutputFolderBox) + "a.jpg")));
}

}  // namespace
