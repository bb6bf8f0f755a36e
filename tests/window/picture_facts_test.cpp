#include "window/picture_facts.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <fstream>

#include <string>
#include <vector>

#include "resources/control_ids.h"
#include "tests/support/main_job_fixture.h"

namespace {

namespace fs = std::filesystem;

using Texts = std::vector<std::string>;

constexpr int kBefore[] = {kBeforeNameBox, kBeforeBytesBox, kBeforeWidthBox, kBeforeHeightBox,
                           kBeforeTypeBox};
constexpr int kAfter[] = {kAfterNameBox, kAfterBytesBox, kAfterWidthBox, kAfterHeightBox,
                          kAfterTypeBox};

class PictureInfoTest : public MainJobFixture {
 protected:
  // The texts of one information row's boxes.
  Texts Row(const int (&boxes)[5]) const {
    Texts texts;
    for (int box : boxes) texts.push_back(Box(box));
    return texts;
  }
};

TEST_F(PictureInfoTest, NothingSelectedShowsPlaceholdersAndZeroTotals) {
  layer->ListInsert(kInputPanel, kInputList, 0, "a.png");
  layer->Choose(kInputPanel, kInputList, -1);
  EXPECT_EQ(Box(kEntryCountBox), "0");
  EXPECT_EQ(Box(kTotalBytesBox), "0");
  const Texts placeholders{"NODATA", "??????????", "????", "????", "???"};
  EXPECT_EQ(Row(kBefore), placeholders);
  EXPECT_EQ(Row(kAfter), placeholders);
}

TEST_F(PictureInfoTest, RowsShowTheSourceAndTheTrialResult) {
  fs::path source =
      MakePicture("pics/big.bmp", "-size 1024x768 xc:'rgb(10,20,30)' -type TrueColor", "BMP3:");
  layer->Choose(kFormatPanel, kFormatList, 1);  // JPG
  layer->Click(kFormatPanel, kResize640Radio);
  layer->fileChoices = {source.string()};
  layer->Click(kInputPanel, kAddOneButton);
  WaitForFacts();

  EXPECT_EQ(Row(kBefore),
            (Texts{"big.bmp", std::to_string(fs::file_size(source)), "1024", "768", "BMP"}));
  fs::path trial = folder / "Data/__Temp/__Temp__file__vimbo_trastel2__.tpf";
  ASSERT_TRUE(fs::exists(trial));
  EXPECT_EQ(Identify(trial, "%m %wx%h"), "JPEG 640x480");
  EXPECT_EQ(Row(kAfter),
            (Texts{"big.jpg", std::to_string(fs::file_size(trial)), "640", "480", "JPG"}));
  EXPECT_TRUE(layer->messages.empty());
  EXPECT_EQ(layer->waitCursorDepth, 0);
}

TEST_F(PictureInfoTest, TheListAnswersAtOnceWhileTheSelectedEntryIsMeasured) {
  for (const char* name : {"pics/first.png", "pics/second.png"}) {
    layer->fileChoices = {MakePicture(name, "-size 30x20 xc:blue").string()};
    layer->Click(kInputPanel, kAddOneButton);
  }
  WaitForFacts();
  HoldMeasuringForTesting(true);
  layer->Choose(kInputPanel, kInputList, 0);
  EXPECT_EQ(Row(kBefore), (Texts{"first.png", "計測中…", "…", "…", "…"}));
  EXPECT_EQ(Row(kAfter), (Texts{"first.bmp", "計測中…", "…", "…", "…"}));
  EXPECT_EQ(layer->waitCursorDepth, 0);
  // A newer selection drops the measurement still held back.
  layer->ListReset(kInputPanel, kInputList);
  layer->fileChoices = {MakePicture("pics/third.png", "-size 11x9 xc:blue").string()};
  layer->Click(kInputPanel, kAddOneButton);
  EXPECT_EQ(Row(kBefore)[0], "third.png");
  HoldMeasuringForTesting(false);
  WaitForFacts();
  const std::string bytes = std::to_string(fs::file_size(folder / "pics/third.png"));
  EXPECT_EQ(Row(kBefore), (Texts{"third.png", bytes, "11", "9", "PNG"}));
  EXPECT_EQ(Row(kAfter)[2] + "x" + Row(kAfter)[3], "11x9");
  EXPECT_TRUE(layer->messages.empty());
}

TEST_F(PictureInfoTest, WebpIsReadAndWrittenAndNamedByItsKind) {
  fs::path source = MakePicture("pics/photo.webp", "-size 64x48 xc:'rgb(10,20,30)'");
  layer->Choose(kFormatPanel, kFormatList, 2);  // PNG
  layer->fileChoices = {source.string()};
  layer->Click(kInputPanel, kAddOneButton);
  WaitForFacts();
  EXPECT_EQ(Row(kBefore),
            (Texts{"photo.webp", std::to_string(fs::file_size(source)), "64", "48", "WEBP"}));
  EXPECT_EQ(Row(kAfter)[4], "PNG");
  layer->Choose(kFormatPanel, kFormatList, 5);  // WEBP: the trial is a real WebP file.
  WaitForFacts();
  fs::path trial = folder / "Data/__Temp/__Temp__file__vimbo_trastel2__.tpf";
  EXPECT_EQ(Identify(trial, "%m %wx%h"), "WEBP 64x48");
  EXPECT_EQ(Row(kAfter),
            (Texts{"photo.webp", std::to_string(fs::file_size(trial)), "64", "48", "WEBP"}));
  EXPECT_TRUE(layer->messages.empty());
}

TEST_F(PictureInfoTest, HeicIsReadAndAvifWrittenAndBothNamedByTheirKinds) {
  fs::path source = MakePicture("pics/phone.heic", "-size 64x48 xc:'rgb(10,20,30)'");
  layer->Choose(kFormatPanel, kFormatList, 6);  // AVIF
  layer->fileChoices = {source.string()};
  layer->Click(kInputPanel, kAddOneButton);
  WaitForFacts();
  EXPECT_EQ(Row(kBefore),
            (Texts{"phone.heic", std::to_string(fs::file_size(source)), "64", "48", "HEIC"}));
  fs::path trial = folder / "Data/__Temp/__Temp__file__vimbo_trastel2__.tpf";
  EXPECT_EQ(Identify(trial, "%wx%h"), "64x48");
  EXPECT_EQ(Row(kAfter),
            (Texts{"phone.avif", std::to_string(fs::file_size(trial)), "64", "48", "AVIF"}));
  EXPECT_TRUE(layer->messages.empty());
}

TEST_F(PictureInfoTest, TableArtRowIsComputedWithoutConverting) {
  fs::path source = MakePicture("p.png", "-size 100x50 xc:red");
  layer->Choose(kFormatPanel, kFormatList, 4);  // HTM
  layer->Choose(kHtmPage, kHtmPixelList, 2);    // Cells of 3 pixels.
  layer->fileChoices = {source.string()};
  layer->Click(kInputPanel, kAddOneButton);
  WaitForFacts();
  EXPECT_EQ(Row(kAfter), (Texts{"p.htm", "計算不可", "300", "150", "HTM"}));
  EXPECT_FALSE(fs::exists(folder / "Data/__Temp/__Temp__file__vimbo_trastel2__.tpf"));

  // Cropping 40x30 without resizing, cells of 1 pixel.
  layer->Choose(kHtmPage, kHtmPixelList, 0);
  layer->Click(kFilterPage, kCropSizeRadio);
  layer->Type(kFilterPage, kCropSizeXBox, "40");
  layer->Type(kFilterPage, kCropSizeYBox, "30");
  layer->Focus(kInputPanel, kInputList);
  layer->Choose(kInputPanel, kInputList, 0);
  WaitForFacts();
  EXPECT_EQ(Row(kAfter)[2], "40");
  EXPECT_EQ(Row(kAfter)[3], "30");
}

TEST_F(PictureInfoTest, UndecodableSourceKeepsThePreviousFacts) {
  fs::path good = MakePicture("good.png", "-size 7x5 xc:red");
  layer->fileChoices = {good.string()};
  layer->Click(kInputPanel, kAddOneButton);
  WaitForFacts();
  // The file becomes unreadable after it was added.
  WriteFile(good, "broken now");
  layer->messages.clear();
  layer->Choose(kInputPanel, kInputList, 0);
  WaitForFacts();
  ASSERT_GE(layer->messages.size(), 1u);
  EXPECT_EQ(layer->messages[0],
            "GetSizeXY(const char* szName, int &nX, int &nY)：エラー\n[good.png]\n"
            "オープンに失敗しました。");
  EXPECT_EQ(Row(kBefore)[2], "7");
  EXPECT_EQ(Row(kBefore)[3], "5");
}

#ifndef _WIN32  // The memory limit is set in a forked child.
TEST_F(PictureInfoTest, PictureTooLargeForTheMemoryLeftFailsLikeAnUnreadableOne) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#endif
  const fs::path big = MakePicture("big.png", "-size 5000x5000 xc:red -define png:color-type=2");
  layer->messages.clear();
  const pid_t child = fork();
  if (child == 0) {
    // Room for small allocations, not for the picture's 75 MB of pixels.
    std::ifstream statm("/proc/self/statm");
    rlim_t pages = 0;
    statm >> pages;
    rlimit limit{};
    getrlimit(RLIMIT_AS, &limit);
    limit.rlim_cur = pages * sysconf(_SC_PAGESIZE) + (32 << 20);
    setrlimit(RLIMIT_AS, &limit);
    int width = 0;
    int height = 0;
    const bool measured = GetSizeXY(big.c_str(), width, height);
    _exit(!measured && layer->messages.size() == 1 ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
}
#endif

TEST_F(PictureInfoTest, TotalsCountEveryEntryAndAMissingFileAsMinusOne) {
  WriteFile(folder / "a.bin", std::string(100, 'a'));
  WriteFile(folder / "b.bin", std::string(200, 'b'));
  WriteFile(folder / "c.bin", std::string(300, 'c'));
  for (const char* name : {"a.bin", "b.bin", "c.bin"}) {
    layer->ListInsert(kInputPanel, kInputList, -1, name);
  }
  layer->Click(kInputPanel, kCalcTotalButton);
  EXPECT_EQ(Box(kEntryCountBox), "3");
  EXPECT_EQ(Box(kTotalBytesBox), "600");

  fs::remove(folder / "b.bin");
  layer->Click(kInputPanel, kCalcTotalButton);
  EXPECT_EQ(Box(kTotalBytesBox), "399");
  EXPECT_EQ(layer->messages,
            Texts{"GetFileSize(const char* szName)：エラー\n[b.bin]\nオープンに失敗しました。"});
}

}  // namespace
