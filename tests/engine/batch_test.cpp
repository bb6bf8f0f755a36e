#include "engine/batch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "engine/date_names.h"
#include "engine/entry_job.h"
#include "engine/run_report.h"
#include "engine/smaller_output.h"
#include "imagelib/picture_store.h"
#include "platform/files.h"
#include "resources/control_ids.h"
#include "state/app_state.h"
#include "tests/support/main_job_fixture.h"
#include "tests/support/reference_tool.h"
#include "window/window_run.h"

namespace {

// The missing entry of the failing runs as messages name it.
const std::string kMissing = platform::ShownPath("pics/missing.png");

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

class BatchTest : public MainJobFixture {
 protected:
  void SetUp() override {
    MainJobFixture::SetUp();
    output = folder / "out";
    fs::create_directories(output);
    SetOutputFolder(output.string() + "/");
    layer->Choose(kFormatPanel, kFormatList, 2);  // PNG
  }

  void SetOutputFolder(const std::string& path) {
    layer->SetText(kInputPanel, kOutputFolderBox, path);
  }

  // Adds pictures named `names` (made in pics/) as entries, in order.
  void AddPictures(const Texts& names) {
    for (const std::string& name : names) {
      MakePicture("pics/" + name, "-size 6x4 xc:'rgb(40,80,120)'");
      layer->ListInsert(kInputPanel, kInputList, -1, "pics/" + name);
    }
  }

  Texts OutputFiles(const fs::path& where) const {
    Texts names;
    for (const auto& entry : fs::directory_iterator(where)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  void Run() { layer->Click(kActionPanel, kRunButton); }

  static std::string BytesOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  fs::path output;
};

TEST_F(BatchTest, ConvertsEveryEntryAndReportsSuccess) {
  AddPictures({"a.bmp", "b.gif", "c.jpg"});
  Run();
  EXPECT_EQ(OutputFiles(output), (Texts{"a.png", "b.png", "c.png"}));
  EXPECT_EQ(Identify(output / "b.png", "%m %wx%h"), "PNG 6x4");
  EXPECT_EQ(layer->messages, Texts{"変換が成功しました！"});
  EXPECT_EQ(layer->ProgressPosition(kProgressPanel, kBatchProgressBar), 0);
  EXPECT_EQ(layer->waitCursorDepth, 0);
  EXPECT_EQ(Entries().size(), 3u);  // Converted entries stay.
}

TEST_F(BatchTest, StopsAtTheFirstFailureWithTheProgressShownUntilTheMessageCloses) {
  AddPictures({"1.png", "2.png"});
  layer->ListInsert(kInputPanel, kInputList, -1, "pics/missing.png");
  AddPictures({"4.png", "5.png"});
  std::vector<int> progressAtMessage;
  layer->onMessage = [&](const std::string&) {
    progressAtMessage.push_back(layer->ProgressPosition(kProgressPanel, kBatchProgressBar));
  };
  Run();
  EXPECT_EQ(OutputFiles(output), (Texts{"1.png", "2.png"}));
  EXPECT_EQ(layer->messages,
            (Texts{"[" + kMissing + "]\nがオープンできませんでした！",
                   "変換が失敗しました！\n入力ファイルが見つかりません:\n[" + kMissing + "]"}));
  EXPECT_EQ(progressAtMessage, (std::vector<int>{2, 2}));
  EXPECT_EQ(layer->ProgressPosition(kProgressPanel, kBatchProgressBar), 0);
  EXPECT_EQ(layer->waitCursorDepth, 0);
}

TEST_F(BatchTest, ParallelRunStoppedByAFailingEntryLeavesWhatASerialRunLeaves) {
  // The entries after the failing one are converted side by side with it; none may appear,
  // not even under a temporary name, and the messages are those of one entry after another.
  AddPictures({"a.png"});
  MakePicture("pics/2/a.png", "-size 6x4 xc:red");
  layer->ListInsert(kInputPanel, kInputList, -1, "pics/2/a.png");
  layer->ListInsert(kInputPanel, kInputList, -1, "pics/missing.png");
  AddPictures({"c.png", "d.png", "e.png", "f.png", "g.png", "h.png"});
  const BatchResult result = RunBatch(4);
  EXPECT_EQ(result.outcome, BatchOutcome::kFailed);
  EXPECT_EQ(result.converted, 2);
  EXPECT_EQ(result.renamed, 1);
  EXPECT_EQ(OutputFiles(output), (Texts{"a(2).png", "a.png"}));
  EXPECT_EQ(Identify(output / "a(2).png", "%[pixel:p{0,0}]"), "srgb(255,0,0)");
  EXPECT_EQ(layer->messages,
            (Texts{"[" + kMissing + "]\nがオープンできませんでした！",
                   "変換が失敗しました！\n同じ名前になった 1 個のファイルは、(2) "
                   "などの番号を付けた名前で保存しました。\n入力ファイルが見つかりません:\n[" +
                       kMissing + "]"}));
  EXPECT_EQ(layer->waitCursorDepth, 0);
}

TEST_F(BatchTest, SideBySideConversionsWriteTheBytesOfOneAfterAnother) {
  // Codecs, quantiser and picture store at work on several threads at once.
  const Texts names = {"a.jpg", "b.gif", "c.bmp", "d.png", "e.jpg", "f.png", "g.gif", "h.bmp"};
  for (std::size_t i = 0; i < names.size(); ++i) {
    MakePicture("pics/" + names[i], "-size 96x64 gradient:'rgb(" + std::to_string(30 * i) +
                                        ",200,40)'-'rgb(0,40," + std::to_string(250 - 30 * i) +
                                        ")' -swirl " + std::to_string(40 * i));
    layer->ListInsert(kInputPanel, kInputList, -1, "pics/" + names[i]);
  }
  layer->Choose(kBmpPage, kBmpColourList, 2);  // 8 bits
  // Messages are pumped by the run's own thread only.
  const std::thread::id runThread = std::this_thread::get_id();
  std::atomic<bool> pumpedElsewhere = false;
  layer->onPump = [&] {
    if (std::this_thread::get_id() != runThread) pumpedElsewhere = true;
  };
  // BMP 8 bits, JPEG, GIF, table art, then the animated GIF.
  constexpr int kFormats[] = {0, 1, 3, 4, 3};
  for (int run = 0; run < 5; ++run) {
    layer->Choose(kFormatPanel, kFormatList, kFormats[run]);
    if (run == 4) layer->Click(kGifPage, kGifAnimationCheck);
    const fs::path one = output / ("one" + std::to_string(run));
    const fs::path many = output / ("many" + std::to_string(run));
    fs::create_directories(one);
    fs::create_directories(many);
    SetOutputFolder(one.string() + "/");
    ASSERT_EQ(RunBatch(1).outcome, BatchOutcome::kSucceeded);
    SetOutputFolder(many.string() + "/");
    ASSERT_EQ(RunBatch(4).outcome, BatchOutcome::kSucceeded);
    const Texts files = OutputFiles(one);
    EXPECT_EQ(OutputFiles(many), files);
    EXPECT_EQ(files.size(), run == 4 ? 1u : names.size());
    for (const std::string& file : files) {
      EXPECT_EQ(BytesOf(many / file), BytesOf(one / file)) << run << " " << file;
    }
  }
  EXPECT_FALSE(pumpedElsewhere);
}

TEST_F(BatchTest, EditsDuringARunGiveWhatARunOfOneEntryAfterAnotherGives) {
  // Each edit is a command that the run's pump dispatches once the first entry is in, while
  // later entries are being converted ahead. Entry i is a picture 6 + i pixels wide.
  const Texts names = {"01.png", "02.png", "03.png", "04.png", "05.png", "06.png",
                       "07.png", "08.png", "09.png", "10.png", "11.png", "12.png"};
  for (std::size_t i = 0; i < names.size(); ++i) {
    MakePicture("pics/" + names[i], "-size " + std::to_string(6 + i) + "x4 xc:'rgb(40," +
                                        std::to_string(20 * i) + ",120)'");
  }
  const std::string added = MakePicture("pics/new.png", "-size 30x4 xc:blue").string();
  const auto select = [&](int index) { layer->Choose(kInputPanel, kInputList, index); };
  struct Edit {
    std::string name;
    int namingRule;
    std::function<void()> make;
    Texts outputs;
    std::string message;
  };
  const std::string success = "変換が成功しました！";
  const std::vector<Edit> edits = {
      {"delete the fourth",
       0,
       [&] {
         select(3);
         layer->Click(kInputPanel, kDeleteOneButton);
       },
       {"01.png", "02.png", "03.png", "05.png", "06.png", "07.png", "08.png", "09.png", "10.png",
        "11.png", "12.png"},
       success},
      {"insert after the third",
       0,
       [&] {
         select(2);
         layer->fileChoices.push_back(added);
         layer->Click(kInputPanel, kAddOneButton);
       },
       {"01.png", "02.png", "03.png", "04.png", "05.png", "06.png", "07.png", "08.png", "09.png",
        "10.png", "11.png", "12.png", "new.png"},
       success},
      {"move the eighth up",
       1,
       [&] {
         select(7);
         layer->Click(kInputPanel, kMoveUpButton);
       },
       {"0.png", "1.png", "10.png", "11.png", "2.png", "3.png", "4.png", "5.png", "6.png", "7.png",
        "8.png", "9.png"},
       success},
      {"delete all",
       0,
       [&] { layer->Click(kInputPanel, kDeleteAllButton); },
       {"01.png"},
       "変換を中止しました！\n読み込まれてる画像がすべて削除されました。"},
      {"choose JPEG",
       0,
       [&] { layer->Choose(kFormatPanel, kFormatList, 1); },
       {"01.png", "02.jpg", "03.jpg", "04.jpg", "05.jpg", "06.jpg", "07.jpg", "08.jpg", "09.jpg",
        "10.jpg", "11.jpg", "12.jpg"},
       success},
  };
  for (const Edit& edit : edits) {
    fs::path serial;
    for (int workers : {1, 2, 4}) {
      SCOPED_TRACE(edit.name + ", " + std::to_string(workers) + " workers");
      layer->ListReset(kInputPanel, kInputList);
      for (const std::string& name : names)
        layer->ListInsert(kInputPanel, kInputList, -1, "pics/" + name);
      layer->Choose(kFormatPanel, kFormatList, 2);
      layer->Choose(kRenamePage, kRenameRuleList, edit.namingRule);
      const fs::path where =
          output / (std::to_string(&edit - edits.data()) + "-" + std::to_string(workers));
      fs::create_directories(where);
      SetOutputFolder(where.string() + "/");
      layer->messages.clear();
      bool edited = false;
      layer->onPump = [&] {
        if (edited || layer->ProgressPosition(kProgressPanel, kBatchProgressBar) != 1) return;
        edited = true;
        edit.make();
      };
      RunBatch(workers);
      layer->onPump = nullptr;
      EXPECT_EQ(layer->messages, Texts{edit.message});
      EXPECT_EQ(OutputFiles(where), edit.outputs);
      if (workers == 1) serial = where;
      for (const std::string& file : edit.outputs) {
        EXPECT_EQ(BytesOf(where / file), BytesOf(serial / file)) << file;
      }
    }
    if (edit.namingRule == 1) {
      // The eighth picture took the seventh place.
      EXPECT_EQ(Identify(serial / "6.png", "%w"), "13");
      EXPECT_EQ(Identify(serial / "7.png", "%w"), "12");
    }
  }
}

// A second run over the same pictures, with each choice for the outputs that are there already,
// and the outputs dated as their sources.
TEST_F(BatchTest, OutputsThereAlreadyAreReplacedSkippedOrNumbered) {
  AddPictures({"a.bmp", "b.bmp"});
  const auto earlier = [&] {
    fs::remove_all(output);
    fs::create_directories(output);
    std::ofstream(output / "a.png") << "an earlier run's";
  };
  PictureRecord& target = *GetAppState()->target;
  earlier();
  Run();  // EXISTING 0: replaced, as always.
  EXPECT_EQ(Identify(output / "a.png", "%m"), "PNG");

  earlier();
  target.EXISTING = kExistingSkip;
  layer->messages.clear();
  const BatchResult skipped = RunBatch(2);
  EXPECT_EQ(skipped.outcome, BatchOutcome::kSucceeded);
  EXPECT_EQ(skipped.skipped, 1);
  EXPECT_EQ(skipped.converted, 1);
  EXPECT_EQ(BytesOf(output / "a.png"), "an earlier run's");
  EXPECT_EQ(OutputFiles(output), (Texts{"a.png", "b.png"}));
  EXPECT_EQ(layer->messages, Texts{"変換が成功しました！\n1 個の画像は、出力先に同じ名前のファイル"
                                   "がすでにあるため飛ばしました。"});

  earlier();
  target.EXISTING = kExistingNumber;
  target.KEEP_DATE = 1;
  const auto sourceTime = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
  fs::last_write_time(folder / "pics/a.bmp", sourceTime);
  EXPECT_EQ(RunBatch(2).outcome, BatchOutcome::kSucceeded);
  EXPECT_EQ(OutputFiles(output), (Texts{"a(2).png", "a.png", "b.png"}));
  EXPECT_EQ(BytesOf(output / "a.png"), "an earlier run's");
  EXPECT_EQ(Identify(output / "a(2).png", "%m %wx%h"), "PNG 6x4");
  EXPECT_EQ(fs::last_write_time(output / "a(2).png"), fs::last_write_time(folder / "pics/a.bmp"));
}

// KEEP_TREE: a tree added with its sub-folders is written into the same folders of the output
// folder; flat, as always, its same names are numbered.
TEST_F(BatchTest, ATreeAddedWithItsSubfoldersKeepsItsFoldersInTheOutput) {
  MakePicture("card/a.png", "-size 6x4 xc:red");
  MakePicture("card/DCIM/a.png", "-size 6x4 xc:lime");
  MakePicture("card/DCIM/100/a.png", "-size 6x4 xc:blue");
  GetAppState()->target->SUBFOLDERS = 1;
  layer->folderChoices = {(folder / "card").string() + "/"};
  layer->Click(kInputPanel, kAddFolderButton);
  ASSERT_EQ(Entries(), (Texts{"card//a.png", "card//DCIM/100/a.png", "card//DCIM/a.png"}));
  EXPECT_EQ(RunBatch(2).renamed, 2);
  EXPECT_EQ(OutputFiles(output), (Texts{"a(2).png", "a(3).png", "a.png"}));

  fs::remove_all(output);
  fs::create_directories(output);
  GetAppState()->target->KEEP_TREE = 1;
  EXPECT_EQ(RunBatch(2).renamed, 0);
  EXPECT_EQ(OutputFiles(output), (Texts{"DCIM", "a.png"}));
  EXPECT_EQ(Identify(output / "a.png", "%[pixel:p{0,0}]"), "srgb(255,0,0)");
  EXPECT_EQ(Identify(output / "DCIM/a.png", "%[pixel:p{0,0}]"), "srgb(0,255,0)");
  EXPECT_EQ(Identify(output / "DCIM/100/a.png", "%[pixel:p{0,0}]"), "srgb(0,0,255)");
  layer->Choose(kInputPanel, kInputList, 1);
  WaitForFacts();
  EXPECT_EQ(Box(kAfterNameBox), "DCIM/100/a.png");
}

// NAME_FROM_DATE: outputs named by the Exif DateTimeOriginal (JPEG, HEIC), else DateTime, else the
// file's time; two photos of one second are numbered as any clash is, and the name shows as
// the 変換後 name before the run.
TEST_F(BatchTest, OutputsAreNamedByTheDateTheirPhotosWereTaken) {
  const auto exif = [&](const std::string& tags, const std::string& name) {
    MakePicture("pics/" + name, "-size 6x4 xc:red");
    ASSERT_TRUE(RunReferenceTool("/usr/bin/exiftool -q -overwrite_original " + tags + " '" +
                                 (folder / "pics" / name).string() + "'")
                    .succeeded);
    layer->ListInsert(kInputPanel, kInputList, -1, "pics/" + name);
  };
  exif("'-DateTimeOriginal=2026:12:09 15:30:00' '-ModifyDate=2000:01:01 00:00:00'", "IMG_1.jpg");
  exif("'-ModifyDate=2025:01:02 03:04:05'", "IMG_2.jpg");
  exif("'-DateTimeOriginal=2026:12:09 15:30:00'", "IMG_3.jpg");
  fs::copy_file(TRASTEL_SOURCE_DIR "/fuzz/seeds/gain_map_of_two_pictures.heic",
                folder / "pics/IMG_4.heic");
  layer->ListInsert(kInputPanel, kInputList, -1, "pics/IMG_4.heic");
  MakePicture("pics/IMG_5.png", "-size 6x4 xc:blue");
  ASSERT_TRUE(RunReferenceTool("touch -d '2024-05-06 07:08:09' '" +
                               (folder / "pics/IMG_5.png").string() + "'")
                  .succeeded);
  layer->ListInsert(kInputPanel, kInputList, -1, "pics/IMG_5.png");
  GetAppState()->target->NAME_FROM_DATE = kNameFromDate;
  EXPECT_EQ(RunBatch(2).outcome, BatchOutcome::kSucceeded);
  EXPECT_EQ(OutputFiles(output),
            (Texts{"2024-05-06_07-08-09.png", "2025-01-02_03-04-05.png", "2026-05-04_10-11-12.png",
                   "2026-12-09_15-30-00(2).png", "2026-12-09_15-30-00.png"}));

  GetAppState()->target->NAME_FROM_DATE = kNameFromDateAndSource;
  layer->Choose(kInputPanel, kInputList, 1);
  WaitForFacts();
  EXPECT_EQ(Box(kAfterNameBox), "2025-01-02_03-04-05_IMG_2.png");
}

// KEEP_SMALLER: a JPEG that would grow is kept as it is, its location gone from its Exif (the
// rest of it and its pixels untouched) and counted in the closing message; resized, or with the
// setting off, it is converted as always.
TEST_F(BatchTest, ASourceSmallerThanItsOutputIsKeptWithoutItsLocation) {
  layer->Choose(kFormatPanel, kFormatList, 1);  // JPEG
  const fs::path photo = MakePicture("pics/small.jpg", "-size 64x48 plasma: -quality 20");
  ASSERT_TRUE(RunReferenceTool("/usr/bin/exiftool -q -overwrite_original "
                               "'-DateTimeOriginal=2026:12:09 15:30:00' -GPSLatitude=35.6 "
                               "-GPSLatitudeRef=N '" +
                               photo.string() + "'")
                  .succeeded);
  layer->ListInsert(kInputPanel, kInputList, -1, "pics/small.jpg");
  const auto tags = [](const fs::path& file) {
    return RunReferenceTool("/usr/bin/exiftool -S -DateTimeOriginal -GPSLatitude '" +
                            file.string() + "'")
        .output;
  };
  const auto size = [](const fs::path& file) { return fs::file_size(file); };
  GetAppState()->target->EXIF_KEEP = 1;

  EXPECT_EQ(RunBatch(1).smallerSources, 0);
  const auto converted = size(output / "small.jpg");
  ASSERT_GT(converted, size(photo));

  GetAppState()->target->KEEP_SMALLER = kKeepSmallerSource;
  layer->messages.clear();
  EXPECT_EQ(RunBatch(1).smallerSources, 1);
  EXPECT_LT(size(output / "small.jpg"), size(photo));
  EXPECT_EQ(tags(output / "small.jpg"), "DateTimeOriginal: 2026:12:09 15:30:00\n");
  EXPECT_EQ(Identify(output / "small.jpg", "%#"), Identify(photo, "%#"));
  EXPECT_EQ(layer->messages,
            Texts{"変換が成功しました！\n1 個の画像は、変換後のほうが大きくなるため"
                  "元のファイルをそのまま使いました。"});

  layer->Click(kFormatPanel, kResize320Radio);
  EXPECT_EQ(RunBatch(1).smallerSources, 0);
  EXPECT_EQ(Identify(output / "small.jpg", "%wx%h"), "320x240");

  // A WebP without metadata is copied as it is.
  layer->Click(kFormatPanel, kResizeKeepRadio);
  layer->Choose(kFormatPanel, kFormatList, 5);  // WebP
  const fs::path webp = MakePicture("pics/small.webp", "-size 64x48 plasma: -quality 20");
  layer->ListReset(kInputPanel, kInputList);
  layer->ListInsert(kInputPanel, kInputList, -1, "pics/small.webp");
  EXPECT_EQ(RunBatch(1).smallerSources, 1);
  EXPECT_EQ(BytesOf(output / "small.webp"), BytesOf(webp));
}

// Under 続ける a run with two broken pictures converts every good one, shows no message box for
// the broken ones and lists them, with what they said, on a page that opens at the end.
TEST_F(BatchTest, ARunThatGoesOnPastFailuresListsThemAtTheEnd) {
  AddPictures({"a.png"});
  WriteFile(folder / "pics/broken.png", "not a picture");
  layer->ListInsert(kInputPanel, kInputList, -1, "pics/broken.png");
  AddPictures({"c.png"});
  layer->ListInsert(kInputPanel, kInputList, -1, "pics/missing.png");
  AddPictures({"e.png"});
  GetAppState()->target->ON_ERROR = kOnErrorContinue;
  layer->answers.push_back(false);
  const BatchResult result = RunBatch(2);
  EXPECT_EQ(result.outcome, BatchOutcome::kFailed);
  EXPECT_EQ(result.converted, 3);
  EXPECT_EQ(result.failed, 2);
  EXPECT_EQ(OutputFiles(output), (Texts{"a.png", "c.png", "e.png"}));
  const std::string report = RunReportPath();
  // The closing message offers to leave only the failed pictures in the list.
  EXPECT_TRUE(layer->messages.empty());
  ASSERT_EQ(layer->questions.size(), 1u);
  EXPECT_EQ(layer->questions[0],
            "変換が失敗しました！\n3 件変換、2 件失敗しました。失敗した画像の一覧:\n[" + report +
                "]\n\n失敗した画像だけをリストに残しますか？");
  EXPECT_EQ(layer->launched, Texts{report});
  EXPECT_EQ(layer->ListCount(kInputPanel, kInputList), 5);
  const std::string page = [&] {
    std::ifstream in(report, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }();
  const std::string brokenPath = platform::ShownPath("pics/broken.png");
  const auto broken = page.find("<li><b>" + brokenPath + "</b><br>[" + brokenPath +
                                "]<br>がオープンできませんでした！");
  const auto missing = page.find("<li><b>" + kMissing + "</b>");
  EXPECT_NE(broken, std::string::npos) << page;
  EXPECT_NE(missing, std::string::npos) << page;
  EXPECT_LT(broken, missing);
  EXPECT_NE(page.find("入力ファイルが見つかりません"), std::string::npos) << page;

  // はい: exactly the failed ones stay, in their order.
  layer->answers.push_back(true);
  EXPECT_EQ(RunBatch(2).failed, 2);
  ASSERT_EQ(layer->ListCount(kInputPanel, kInputList), 2);
  EXPECT_EQ(layer->ListText(kInputPanel, kInputList, 0), "pics/broken.png");
  EXPECT_EQ(layer->ListText(kInputPanel, kInputList, 1), "pics/missing.png");

  // The next run starts without the earlier run's list.
  GetAppState()->target->ON_ERROR = kOnErrorStop;
  layer->ListReset(kInputPanel, kInputList);
  AddPictures({"a.png"});
  EXPECT_EQ(RunBatch(1).outcome, BatchOutcome::kSucceeded);
  EXPECT_FALSE(fs::exists(report));
}

TEST_F(BatchTest, NumberedNamesInASubFolder) {
  AddPictures({"a.png", "b.png", "c.png"});
  layer->Choose(kRenamePage, kRenameRuleList, 1);
  layer->Type(kRenamePage, kRenameNumberBox, "10");
  layer->Type(kRenamePage, kRenameStepBox, "5");
  layer->Choose(kOtherPage, kSubFolderList, 1);
  layer->Type(kOtherPage, kFolderNameBox, "made");
  layer->Focus(kInputPanel, kInputList);
  Run();
  EXPECT_EQ(OutputFiles(output / "made"), (Texts{"10.png", "15.png", "20.png"}));
  EXPECT_EQ(layer->messages, Texts{"変換が成功しました！"});
}

TEST_F(BatchTest, AnimationIsOneFileNamedAfterTheLastEntry) {
  layer->Choose(kFormatPanel, kFormatList, 3);  // GIF
  layer->Click(kGifPage, kGifAnimationCheck);
  AddPictures({"first.png"});
  Run();
  EXPECT_EQ(OutputFiles(output), Texts{"first.gif"});
  EXPECT_EQ(Identify(output / "first.gif", "%n "), "1 ");

  fs::remove(output / "first.gif");
  AddPictures({"second.png", "third.png"});
  Run();
  EXPECT_EQ(OutputFiles(output), Texts{"third.gif"});
  EXPECT_EQ(Identify(output / "third.gif", "%n "), "3 3 3 ");
}

// The frames of an animated GIF are coded as they come: no frame's pixels wait for the last.
TEST_F(BatchTest, AnimationFramesDoNotWaitForTheLast) {
  layer->Choose(kFormatPanel, kFormatList, 3);  // GIF
  layer->Click(kGifPage, kGifAnimationCheck);
  AddPictures({"1.png", "2.png", "3.png", "4.png"});
  const std::size_t before = imagelib::StoredPictureCount();
  std::size_t most = 0;
  layer->onPump = [&] {
    if (layer->ProgressPosition(kProgressPanel, kBatchProgressBar) < 2) return;
    most = std::max(most, imagelib::StoredPictureCount() - before);
  };
  EXPECT_EQ(RunBatch(1).outcome, BatchOutcome::kSucceeded);
  EXPECT_LE(most, 1u);  // the one being converted
  EXPECT_EQ(Identify(output / "4.gif", "%n "), "4 4 4 4 ");
}

TEST_F(BatchTest, OutputsOfOneRunNeverReplaceEachOther) {
  // A file of an earlier run is replaced; names this run has written get the next copy number.
  std::ofstream(output / "x.png") << "earlier run";
  for (int width : {6, 7, 8}) {
    const std::string entry = "pics/" + std::to_string(width) + "/x.png";
    MakePicture(entry, "-size " + std::to_string(width) + "x4 xc:red");
    layer->ListInsert(kInputPanel, kInputList, -1, entry);
  }
  Run();
  EXPECT_EQ(OutputFiles(output), (Texts{"x(2).png", "x(3).png", "x.png"}));
  EXPECT_EQ(Identify(output / "x.png", "%w"), "6");
  EXPECT_EQ(Identify(output / "x(3).png", "%w"), "8");
  EXPECT_EQ(layer->messages, Texts{"変換が成功しました！\n同じ名前になった 2 個のファイルは、(2) "
                                   "などの番号を付けた名前で保存しました。"});

  // Table-art pages without an extension, written into the same folder by a second run.
  layer->messages.clear();
  layer->Choose(kFormatPanel, kFormatList, 4);
  layer->Choose(kRenamePage, kExtensionList, 2);
  Run();
  EXPECT_EQ(OutputFiles(output), (Texts{"x", "x(2)", "x(2).png", "x(3)", "x(3).png", "x.png"}));
  EXPECT_EQ(layer->messages.size(), 1u);
}

TEST_F(BatchTest, EmptyOutputFolderWritesBesideTheProgram) {
  AddPictures({"a.bmp"});
  SetOutputFolder("");
  Run();
  EXPECT_TRUE(fs::exists(folder / "a.png"));
  EXPECT_EQ(layer->messages, Texts{"変換が成功しました！"});
}

// During a run its button reads 中止: pressed, it ends the run at once, keeping what was
// converted and leaving nothing else, not even a temporary file.
TEST_F(BatchTest, EmptyListAndTheButtonThatStopsARun) {
  Run();
  EXPECT_EQ(layer->messages, Texts{"読み込まれてる画像はありません！"});
  layer->messages.clear();

  AddPictures({"a.png", "b.png", "c.png", "d.png", "e.png", "f.png"});
  std::string caption;
  bool pressed = false;
  layer->onPump = [&] {
    if (pressed || layer->ProgressPosition(kProgressPanel, kBatchProgressBar) < 1) return;
    caption = layer->GetText(kActionPanel, kRunButton);
    pressed = true;
    Run();
  };
  const BatchResult result = RunBatch(2);
  EXPECT_EQ(result.outcome, BatchOutcome::kStopped);
  EXPECT_EQ(caption, "中止");
  EXPECT_EQ(layer->GetText(kActionPanel, kRunButton), "実行");
  EXPECT_EQ(OutputFiles(output), Texts{"a.png"});
  EXPECT_EQ(layer->messages, Texts{"中止しました。1 件を変換しました。"});
  EXPECT_EQ(layer->waitCursorDepth, 0);
}

TEST_F(BatchTest, OutputPathTooLongFailsInsteadOfWritingACutName) {
  AddPictures({"a.png"});
  // Within what Windows can make without long-path support, 260.
  std::string deep = output.string() + "/" + std::string(100, 'd') + "/";
  fs::create_directories(deep);
  layer->Choose(kRenamePage, kRenameRuleList, 3);
  layer->Type(kRenamePage, kRenameNameBox, std::string(70, 'n'));
  layer->Focus(kInputPanel, kInputList);
  SetOutputFolder(deep);
  Run();
  // The message names the cause and the path.
  ASSERT_EQ(layer->messages.size(), 1u);
  EXPECT_TRUE(layer->messages[0].starts_with(
      "変換が失敗しました！\n出力先のパスが 255 バイトを超えるため保存できません:\n["))
      << layer->messages[0];
  EXPECT_TRUE(layer->messages[0].ends_with(std::string(70, 'n') + "0.png]"));
  EXPECT_TRUE(OutputFiles(deep).empty());
}

// With the output folder the pictures' own, no output replaces a file of the list: not the
// entry's own (a.jpg to JPEG) nor a later entry's (x.png to x.jpg, x.jpg being next).
TEST_F(BatchTest, OutputsNeverReplaceTheRunsSources) {
  AddPictures({"a.jpg", "x.png", "x.jpg"});
  const std::string a = BytesOf(folder / "pics/a.jpg");
  const std::string x = BytesOf(folder / "pics/x.jpg");
  layer->Choose(kFormatPanel, kFormatList, 1);  // JPEG
  SetOutputFolder((folder / "pics").string() + "/");
  layer->Choose(kInputPanel, kInputList, 0);
  Run();
  EXPECT_EQ(BytesOf(folder / "pics/a.jpg"), a);
  EXPECT_EQ(BytesOf(folder / "pics/x.jpg"), x);
  EXPECT_EQ(OutputFiles(folder / "pics"),
            (Texts{"a(2).jpg", "a.jpg", "x(2).jpg", "x(3).jpg", "x.jpg", "x.png"}));
  EXPECT_EQ(layer->messages,
            Texts{"変換が成功しました！\n変換する画像と同じ名前になった 3 個のファイルは、元の画像"
                  "を残すため (2) などの番号を付けた名前で保存しました。"});
  EXPECT_EQ(layer->GetText(kInputPanel, kAfterNameBox), "a(2).jpg");
}

// Under 飛ばす and 番号を付ける, a file that another program makes under an entry's output name
// after the entry was prepared is kept: the output takes the next number, or is left out.
TEST_F(BatchTest, AFileMadeThereDuringTheRunIsNeverReplaced) {
  AddPictures({"a.bmp", "b.bmp"});
  for (const int rule : {kExistingNumber, kExistingSkip}) {
    fs::remove_all(output);
    fs::create_directories(output);
    GetAppState()->target->EXISTING = rule;
    layer->onPump = [&] {
      if (fs::exists(output / "a.png") && !fs::exists(output / "b.png")) {
        std::ofstream(output / "b.png") << "another program's";
      }
    };
    const BatchResult result = RunBatch(1);
    EXPECT_EQ(result.outcome, BatchOutcome::kSucceeded);
    std::ifstream made(output / "b.png", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(made), {}), "another program's");
    if (rule == kExistingNumber) {
      EXPECT_EQ(OutputFiles(output), (Texts{"a.png", "b(2).png", "b.png"}));
      EXPECT_EQ(result.renamed, 1);
    } else {
      EXPECT_EQ(OutputFiles(output), (Texts{"a.png", "b.png"}));
      EXPECT_EQ(result.skipped, 1);
    }
  }
}

// A refused step fails its entry with the library's reason, on the report page; a file that
// cannot be written ends even a run that goes on past failures, with its reason.
TEST_F(BatchTest, EveryFailureSaysWhy) {
  // 23200 x 1, in 24 bits: turned by 45 degrees it is past the library's limit.
  const auto le = [](std::uint32_t value, int bytes) {
    std::string text;
    for (int i = 0; i < bytes; ++i) text += static_cast<char>((value >> (8 * i)) & 0xff);
    return text;
  };
  const std::uint32_t row = 23200 * 3;
  WriteFile(folder / "pics/long.bmp", "BM" + le(54 + row, 4) + le(0, 4) + le(54, 4) + le(40, 4) +
                                          le(23200, 4) + le(1, 4) + le(1, 2) + le(24, 2) +
                                          le(0, 4) + le(row, 4) + std::string(16, '\0') +
                                          std::string(row, '\x7f'));
  layer->ListInsert(kInputPanel, kInputList, -1, "pics/long.bmp");
  AddPictures({"b.png"});
  layer->Choose(kFilterPage, kAngleList, 45);
  GetAppState()->target->ON_ERROR = kOnErrorContinue;
  BatchResult result = RunBatch(1);
  EXPECT_EQ(result.failed, 1);
  EXPECT_EQ(OutputFiles(output), Texts{"b.png"});
  std::ifstream in(RunReportPath(), std::ios::binary);
  const std::string page(std::istreambuf_iterator<char>(in), {});
  EXPECT_NE(page.find("回転後の画像が大きすぎます（16406×16406 ピクセル。扱えるのは 16384×16384 "
                      "ピクセル分まで）:<br>[pics/long.bmp]"),
            std::string::npos)
      << page;

  layer->messages.clear();
  layer->ListReset(kInputPanel, kInputList);
  AddPictures({"c.png", "d.png"});
  SetOutputFolder((output / "gone").string() + "/");
  result = RunBatch(1);
  EXPECT_EQ(result.outcome, BatchOutcome::kFailed);
  EXPECT_EQ(result.converted + result.failed, 0);
  ASSERT_EQ(layer->messages.size(), 1u);
  EXPECT_EQ(layer->messages[0],
            "変換が失敗しました！\n出力先のフォルダがないため保存できません:\n[" +
                platform::ShownPath((output / "gone").string() + "/") + "]");
}

// KEEP_DATE dates an output while it is still under its temporary name, so that no output ever
// shows under its own name with the day of the run.
TEST_F(BatchTest, OutputsAreDatedBeforeTheyTakeTheirNames) {
  AddPictures({"a.bmp"});
  fs::last_write_time(folder / "pics/a.bmp",
                      fs::file_time_type::clock::now() - std::chrono::hours(24 * 400));
  PictureRecord source = *GetAppState()->source;
  CopyText(source.path, (folder / "pics/a.bmp").string().c_str());
  PictureRecord target = *GetAppState()->target;
  target.DIB_TYPE = 2;
  target.KEEP_DATE = 1;
  CopyText(target.path, (output / "a.png").string().c_str());
  EntryJob job(source, target, EntryJob::Kind::kPicture, {}, 0);
  job.Run();
  ASSERT_TRUE(job.Succeeded());
  const Texts staged = OutputFiles(output);
  ASSERT_EQ(staged.size(), 1u);
  EXPECT_TRUE(staged[0].ends_with(".tmp")) << staged[0];
  // As the file system keeps it (Windows rounds it).
  const auto sourceTime = fs::last_write_time(folder / "pics/a.bmp");
  EXPECT_EQ(fs::last_write_time(output / staged[0]), sourceTime);
  EXPECT_EQ(job.CommitOutputs(true), EntryJob::CommitResult::kCommitted);
  EXPECT_EQ(fs::last_write_time(output / "a.png"), sourceTime);
}

}  // namespace
