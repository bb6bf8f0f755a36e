#include "window/input_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/program_folder.h"
#include "platform/files.h"
#include "resources/control_ids.h"
#include "state/app_state.h"
#include "tests/support/main_job_fixture.h"
#include "tests/support/reference_tool.h"

#include "tests/support/unique_folder.h"

namespace {

namespace fs = std::filesystem;

using InputListTest = MainJobFixture;
using Texts = std::vector<std::string>;

const std::string kLimitMessage = "[1001]以上は読み込めません。(1000件までです)";

TEST_F(InputListTest, AddOneInsertsAfterTheSelectionRelativeToTheProgramFolder) {
  MakePicture("pics/a.bmp");
  const fs::path outsideFolder = MakeUniqueFolder("trastel-outside");
  const fs::path outside = outsideFolder / "picture.png";
  RunReferenceTool("/usr/bin/convert -size 4x4 xc:blue '" + outside.string() + "'");
  MakePicture("c.gif");

  layer->fileChoices = {(folder / "pics/a.bmp").string(), outside.string(),
                        (folder / "c.gif").string(), std::nullopt};
  for (int i = 0; i < 4; ++i) layer->Click(kInputPanel, kAddOneButton);
  WaitForFacts();  // Windows removes no file that is being read.
  fs::remove_all(outsideFolder);

  const std::string outsideEntry = "../" + (outsideFolder.filename() / "picture.png").string();
  EXPECT_EQ(Entries(), (Texts{"pics/a.bmp", outsideEntry, "c.gif"}));
  EXPECT_EQ(Selection(), 2);
  EXPECT_EQ(layer->dialogTitles.front(), "どのファイルを変換する？？");
  EXPECT_TRUE(layer->messages.empty());
  EXPECT_EQ(fs::current_path(), folder);
  EXPECT_EQ(Box(kEntryCountBox), "????");
  EXPECT_EQ(Box(kTotalBytesBox), "要：再計算");
}

TEST_F(InputListTest, PicturesAreRecognisedByContentNotByName) {
  MakePicture("photo.txt", "-size 4x4 xc:green", "JPEG:");
  WriteFile(folder / "fake.bmp", "just some text\n");
  fs::path temporary =
      MakePicture("pics/__Temp__file__vimbo_trastel2__.tpf", "-size 4x4 xc:red", "BMP3:");
  layer->fileChoices = {(folder / "photo.txt").string(), (folder / "fake.bmp").string(),
                        temporary.string()};
  for (int i = 0; i < 3; ++i) layer->Click(kInputPanel, kAddOneButton);
  EXPECT_EQ(Entries(), Texts{"photo.txt"});
  EXPECT_EQ(layer->messages, (Texts{"[" + platform::ShownPath((folder / "fake.bmp").string()) +
                                        "]\nは変換できないファイルです！",
                                    "[" + platform::ShownPath(temporary.string()) +
                                        "]\nは変換できないファイルです！"}));
}

TEST_F(InputListTest, FolderPicturesLandAfterTheSelectionInNameOrder) {
  for (const char* name : {"one.png", "two.png", "three.png", "four.png"}) MakePicture(name);
  layer->fileChoices = {(folder / "one.png").string(), (folder / "two.png").string(),
                        (folder / "three.png").string(), (folder / "four.png").string()};
  for (int i = 0; i < 4; ++i) layer->Click(kInputPanel, kAddOneButton);
  layer->Choose(kInputPanel, kInputList, 1);

  MakePicture("scan/B.gif");
  MakePicture("scan/a.bmp");
  MakePicture("scan/c.jpg");
  WriteFile(folder / "scan/notes.txt", "not a picture");
  WriteFile(folder / "scan/x.heic", "");
  MakePicture("scan/sub/deep.png");  // Sub-folders are not entered, nor counted as files.
  layer->folderChoices = {(folder / "scan").string() + "/"};
  layer->Click(kInputPanel, kAddFolderButton);

  EXPECT_EQ(Entries(), (Texts{"one.png", "two.png", "scan//a.bmp", "scan//B.gif", "scan//c.jpg",
                              "three.png", "four.png"}));
  EXPECT_EQ(Selection(), 4);
  EXPECT_EQ(layer->waitCursorDepth, 0);
  EXPECT_GE(layer->pumpCount, 8);  // One per folder entry, "." and ".." included.
  // The files that are not pictures are told, not silently dropped.
  EXPECT_EQ(layer->messages, Texts{"画像ではないファイル2件は追加しませんでした。"});
#ifdef _WIN32
  // A folder written with the system's own separator gets that one added: none mixes the two.
  layer->ListReset(kInputPanel, kInputList);
  layer->folderChoices = {(folder / "scan").string() + "\\"};
  layer->Click(kInputPanel, kAddFolderButton);
  EXPECT_EQ(Entries(), (Texts{"scan\\\\a.bmp", "scan\\\\B.gif", "scan\\\\c.jpg"}));
#endif
}

// SUBFOLDERS: the whole tree, depth first in each folder's order; the output folder inside it
// and a link back up the tree are skipped and counted; a tree beyond the list's room is told
// how many of its pictures were left out.
TEST_F(InputListTest, SubfoldersAreWalkedDepthFirstSkippingTheOutputFolderAndLinkLoops) {
  for (const char* name : {"card/b.png", "card/DCIM/a.png", "card/DCIM/100/a.png",
                           "card/DCIM/100/c.png", "card/out/old.png"}) {
    MakePicture(name);
  }
  int skipped = 1;
#ifndef _WIN32
  fs::create_directory_symlink(folder / "card", folder / "card/DCIM/loop");
  ++skipped;
#endif
  // The output folder as the box and the settings hold it once chosen.
  const std::string out = (folder / "card/out").string() + "/";
  layer->SetText(kInputPanel, kOutputFolderBox, out);
  CopyText(GetAppState()->paths->SAVE, out.c_str());
  GetAppState()->target->SUBFOLDERS = 1;
  layer->folderChoices = {(folder / "card").string() + "/"};
  layer->Click(kInputPanel, kAddFolderButton);
  EXPECT_EQ(Entries(), (Texts{"card//b.png", "card//DCIM/100/a.png", "card//DCIM/100/c.png",
                              "card//DCIM/a.png"}));
  EXPECT_EQ(
      layer->messages,
      Texts{"[" + platform::ShownPath((folder / "card").string() + "/") + "]\nの中の " +
            std::to_string(skipped) +
            " 個のフォルダは、読めないか、出力先か、すでに追加したフォルダのため飛ばしました。"});

  layer->messages.clear();
  layer->ListReset(kInputPanel, kInputList);
  for (int i = 0; i < 997; ++i) layer->ListInsert(kInputPanel, kInputList, i, "card//b.png");
  layer->folderChoices = {(folder / "card").string() + "/"};
  layer->Click(kInputPanel, kAddFolderButton);
  EXPECT_EQ(Entries().size(), 1000u);
  ASSERT_GE(layer->messages.size(), 2u);
  EXPECT_EQ(layer->messages[0], kLimitMessage);
  EXPECT_EQ(layer->messages[1], "ほかの 1 個の画像は追加していません。");
}

TEST_F(InputListTest, TheThousandthEntryIsTheLast) {
  MakePicture("a.png");
  const std::string picture = (folder / "a.png").string();
  for (int i = 0; i < 999; ++i) layer->ListInsert(kInputPanel, kInputList, i, "a.png");
  layer->DropFiles(kInputPanel, {picture, picture});
  EXPECT_EQ(Entries().size(), 1000u);
  EXPECT_EQ(layer->messages, Texts{kLimitMessage});
  EXPECT_EQ(layer->ProgressPosition(kProgressPanel, kBatchProgressBar), 0);

  layer->messages.clear();
  layer->fileChoices = {picture};
  layer->Click(kInputPanel, kAddOneButton);
  layer->folderChoices = {folder.string() + "/"};
  layer->Click(kInputPanel, kAddFolderButton);
  layer->DropFiles(kInputPanel, {picture});
  EXPECT_EQ(layer->messages, (Texts{kLimitMessage, kLimitMessage, kLimitMessage}));
  EXPECT_EQ(layer->fileChoices.size(), 1u);  // No dialog was opened.
  EXPECT_EQ(Entries().size(), 1000u);
}

TEST_F(InputListTest, TooLongAPathIsRefusedWithItsOwnMessage) {
  // Too long for an entry, short enough to be shown whole. The length is checked before the
  // file is read, so the picture need not exist (Windows could not even make it).
  const fs::path picture = folder / ("pics/" + std::string(90, 'a') + "/" + std::string(90, 'b') +
                                     "/" + std::string(90, 'c') + "/x.png");
  // Beyond the system's limits: a name of 300 bytes, a path of 5000 bytes.
  const std::string longName = (folder / (std::string(300, 'n') + ".png")).string();
  std::string longPath = folder.string();
  for (int i = 0; i < 25; ++i) longPath += "/" + std::string(200, 'd');
  longPath += "/end.png";
  layer->fileChoices = {picture.string(), longName, longPath};
  for (int i = 0; i < 3; ++i) layer->Click(kInputPanel, kAddOneButton);
  layer->folderChoices = {longPath + "/"};
  layer->Click(kInputPanel, kAddFolderButton);
  layer->DropFiles(kInputPanel, {longPath});
  EXPECT_TRUE(Entries().empty());
  ASSERT_EQ(layer->messages.size(), 5u);
  for (const std::string& message : layer->messages) {
    EXPECT_NE(message.find("はパスが長すぎるため追加できません！(255 バイトまでです)"),
              std::string::npos)
        << message;
  }
  using platform::ShownPath;
  EXPECT_EQ(layer->messages[0].find("[" + ShownPath(picture.string()) + "]"), 0u);
  EXPECT_EQ(layer->messages[1].find("[" + ShownPath(longName) + "]"), 0u);
  // Too long to show whole: its start and its file name are shown.
  EXPECT_EQ(layer->messages[2].find("[" + ShownPath(folder.string())), 0u);
  EXPECT_NE(layer->messages[2].find("…"), std::string::npos);
  EXPECT_NE(layer->messages[2].find(ShownPath("/end.png]")), std::string::npos);
  EXPECT_NE(layer->messages[3].find(ShownPath("/end.png/]")), std::string::npos);
  EXPECT_EQ(layer->messages[4], layer->messages[2]);
}

// Entries are measured as Japanese Windows stores them: two bytes a kanji, not UTF-8's three.
TEST_F(InputListTest, JapanesePathsAreMeasuredAsJapaneseWindowsStoresThem) {
  std::string name;
  for (int i = 0; i < 80; ++i) name += "夕";
  // 198 bytes in cp932, 294 in UTF-8.
  const std::string entry = "写真/家族旅行の思い出の写真フォルダ/" + name + ".png";
  const fs::path picture = MakePicture("a.png");
  const std::string base = platform::Utf8Of(folder) + "/";
  fs::create_directories(platform::PathOf(base + "写真/家族旅行の思い出の写真フォルダ"));
  fs::copy_file(picture, platform::PathOf(base + entry));
  // In a folder of 60 more, 290 bytes in cp932: too many.
  std::string more;
  for (int i = 0; i < 60; ++i) more += "夕";
  layer->fileChoices = {base + entry, base + "写真/" + more + "/" + name + ".png"};
  layer->Click(kInputPanel, kAddOneButton);
  layer->Click(kInputPanel, kAddOneButton);
  EXPECT_EQ(Entries(), Texts{entry});
  ASSERT_EQ(layer->messages.size(), 1u);
  EXPECT_NE(layer->messages[0].find("はパスが長すぎるため追加できません！(255 バイトまでです)"),
            std::string::npos);
}

TEST_F(InputListTest, EntriesFromADeepProgramFolderAreNeverCut) {
  // The program eight levels below a folder whose sibling holds the pictures: the relative
  // form of a picture's path is much longer than the path itself.
  const fs::path pictures = folder.string() + "-pics";
  const fs::path picture = pictures / "a.png";
  fs::create_directories(pictures);
  ASSERT_TRUE(
      RunReferenceTool("/usr/bin/convert -size 4x4 xc:red '" + picture.string() + "'").succeeded);
  const fs::path program = folder / "1/2/3/4/5/6/7/8";
  fs::create_directories(program);
  ASSERT_TRUE(SetProgramFolder(program.generic_string().c_str()));
  fs::current_path(program);
  layer->fileChoices = {picture.string()};
  layer->Click(kInputPanel, kAddOneButton);
  layer->DropFiles(kInputPanel, {picture.string()});
  std::string climb;
  for (int i = 0; i < 9; ++i) climb += "../";
  const std::string relative = climb + (pictures.filename() / "a.png").string();
  EXPECT_EQ(Entries(), (Texts{relative, relative}));
  EXPECT_TRUE(fs::equivalent(relative, picture));

  // So deep that the relative form passes the entry's limit: the path itself is the entry.
  fs::path deeper = program;
  while (deeper.string().size() + 3 < kMaxProgramFolderLength) deeper /= "d";
  fs::create_directories(deeper);
  ASSERT_TRUE(SetProgramFolder(deeper.generic_string().c_str()));
  fs::current_path(deeper);
  layer->DropFiles(kInputPanel, {picture.string()});
  EXPECT_EQ(Entries().back(), picture.string());
  EXPECT_TRUE(layer->messages.empty());
  WaitForFacts();
  fs::remove_all(pictures);
}

TEST_F(InputListTest, DeleteAndMoveKeepTheSelectionWhereTheUserExpectsIt) {
  for (int i = 0; i < 3; ++i)
    layer->ListInsert(kInputPanel, kInputList, i, "e" + std::to_string(i));
  layer->ListSelect(kInputPanel, kInputList, 2);
  layer->Click(kInputPanel, kDeleteOneButton);
  EXPECT_EQ(Entries(), (Texts{"e0", "e1"}));
  EXPECT_EQ(Selection(), 1);
  layer->ListSelect(kInputPanel, kInputList, 0);
  layer->Click(kInputPanel, kDeleteOneButton);
  EXPECT_EQ(Entries(), Texts{"e1"});
  EXPECT_EQ(Selection(), 0);

  layer->ListInsert(kInputPanel, kInputList, 1, "e2");
  layer->ListInsert(kInputPanel, kInputList, 2, "e3");
  layer->ListSelect(kInputPanel, kInputList, 0);
  EXPECT_FALSE(MoveEntryUp());
  EXPECT_TRUE(MoveEntryDown());
  EXPECT_EQ(Entries(), (Texts{"e2", "e1", "e3"}));
  EXPECT_EQ(Selection(), 1);
  layer->ListSelect(kInputPanel, kInputList, 2);
  EXPECT_FALSE(MoveEntryDown());
  EXPECT_TRUE(MoveEntryUp());
  EXPECT_EQ(Entries(), (Texts{"e2", "e3", "e1"}));
  EXPECT_EQ(Selection(), 1);
  layer->ListSelect(kInputPanel, kInputList, -1);
  EXPECT_FALSE(MoveEntryUp());
  layer->messages.clear();  // The entries are no pictures: refreshing them said so.
  layer->Click(kInputPanel, kDeleteOneButton);
  EXPECT_EQ(layer->messages, Texts{"リストボックスを選択してください！"});

  layer->ListReset(kInputPanel, kInputList);
  layer->ListInsert(kInputPanel, kInputList, 0, "only");
  EXPECT_FALSE(MoveEntryDown());
  EXPECT_EQ(Selection(), 0);
}

TEST_F(InputListTest, EmptyListAndDeleteAllQuestion) {
  layer->Click(kInputPanel, kDeleteOneButton);
  layer->Click(kInputPanel, kDeleteAllButton);
  layer->Click(kInputPanel, kMoveUpButton);
  layer->Click(kInputPanel, kMoveDownButton);
  EXPECT_EQ(layer->messages, Texts(4, "読み込まれてる画像はありません！"));
  EXPECT_TRUE(layer->questions.empty());

  layer->ListInsert(kInputPanel, kInputList, 0, "a.png");
  layer->answers = {false, true};
  layer->Click(kInputPanel, kDeleteAllButton);
  EXPECT_EQ(Entries().size(), 1u);
  layer->Click(kInputPanel, kDeleteAllButton);
  EXPECT_TRUE(Entries().empty());
  EXPECT_EQ(layer->questions, Texts(2, "本当に削除してよろしいでしょうか？"));
  EXPECT_EQ(Box(kEntryCountBox), "0");
  EXPECT_EQ(Box(kTotalBytesBox), "0");
}

}  // namespace
