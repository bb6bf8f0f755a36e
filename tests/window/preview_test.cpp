#include "window/browser_preview.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "resources/control_ids.h"
#include "tests/support/main_job_fixture.h"
#include "window/fill_and_read_panels.h"

namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

constexpr const char* kSourceCopy = "Data/__Temp/__Temp__file__vimbo_trastel1__.tpf";
constexpr const char* kTrialFile = "Data/__Temp/__Temp__file__vimbo_trastel2__.tpf";

class PreviewTest : public MainJobFixture {
 protected:
  void AddPicture(const std::string& name) {
    fs::path picture = MakePicture(name, "-size 9x7 xc:'rgb(200,30,30)'");
    layer->fileChoices = {picture.string()};
    layer->Click(kInputPanel, kAddOneButton);
    WaitForFacts();
  }
  void Preview() { layer->Click(kActionPanel, kPreviewButton); }
};

TEST_F(PreviewTest, OpensThePageOfTheChosenMethodWithACopyOfTheSource) {
  fs::create_directories(folder / "Data/Preview/Normal");
  WriteFile(folder / "Data/Preview/Normal/HTop.html", "<html></html>");
  AddPicture("a.png");
  ASSERT_TRUE(fs::exists(kTrialFile));
  Preview();
  EXPECT_EQ(layer->launched, Texts{"Data/Preview/Normal/HTop.html"});
  EXPECT_EQ(fs::file_size(kSourceCopy), fs::file_size(folder / "a.png"));
  EXPECT_TRUE(layer->messages.empty());

  layer->Choose(kOtherPage, kPreviewMethodList, 1);
  Preview();
  EXPECT_EQ(layer->messages, Texts{"[Data/Preview/Active/HTop.html]\nが見つかりませんでした！"});
  EXPECT_EQ(layer->launched.size(), 1u);
}

TEST_F(PreviewTest, AHeicSourceIsShownAsAPngBrowsersCanShow) {
  fs::create_directories(folder / "Data/Preview/Normal");
  WriteFile(folder / "Data/Preview/Normal/HTop.html", "<html></html>");
  AddPicture("phone.heic");
  Preview();
  EXPECT_EQ(Identify(kSourceCopy, "%m %wx%h"), "PNG 9x7");
  EXPECT_TRUE(layer->messages.empty());
}

TEST_F(PreviewTest, EmptyListAndTableArtCannotBePreviewed) {
  WriteFile(folder / kSourceCopy, "old");
  Preview();
  layer->Choose(kFormatPanel, kFormatList, 4);
  AddPicture("a.png");
  Preview();
  EXPECT_EQ(layer->messages,
            (Texts{"読み込まれてる画像はありません！", "HTM形式はプレビューできません！"}));
  EXPECT_TRUE(layer->launched.empty());
}

TEST_F(PreviewTest, UnknownMethodFromTheSettingsFileOpensTheCopiedPicture) {
  AddPicture("a.png");
  state->paths->PREVIEW_TYPE = 5;
  FillPanels();
  ReadPanels();
  Preview();
  EXPECT_EQ(layer->launched, Texts{kSourceCopy});
}

TEST_F(PreviewTest, AnimatedTrialConvertsTheWholeList) {
  layer->Choose(kFormatPanel, kFormatList, 3);
  layer->Click(kGifPage, kGifAnimationCheck);
  std::vector<int> positions;
  layer->onPump = [&] {
    positions.push_back(layer->ProgressPosition(kProgressPanel, kBatchProgressBar));
  };
  for (const char* name : {"a.png", "b.png", "c.png"}) AddPicture(name);
  positions.clear();
  layer->Choose(kInputPanel, kInputList, 0);
  EXPECT_EQ(positions, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(layer->ProgressPosition(kProgressPanel, kBatchProgressBar), 0);
  EXPECT_EQ(Identify(kTrialFile, "%n "), "3 3 3 ");
  // The source row shows no single picture; the output row the whole animation.
  EXPECT_EQ(Box(kBeforeNameBox), "NODATA");
  EXPECT_EQ(Box(kAfterTypeBox), "GIF");
  EXPECT_EQ(Box(kAfterBytesBox), std::to_string(fs::file_size(kTrialFile)));
}

}  // namespace
