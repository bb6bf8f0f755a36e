// Saving writes the whole file or leaves everything as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "imagelib/imagelib.h"
#include "tests/imagelib/codec_test_support.h"
#include "tests/imagelib/test_pictures.h"

namespace {

using codectest::TempFolder;
using SaveCall = std::function<int(const char*, PictureHandle)>;

const std::vector<std::pair<const char*, SaveCall>> kSaves = {
    {"bmp", [](const char* path, PictureHandle picture) { return SaveBmp(path, picture); }},
    {"jpeg",
     [](const char* path, PictureHandle picture) { return SaveJpeg(path, picture, 80, 0); }},
    {"png",
     [](const char* path, PictureHandle picture) { return SavePng(path, picture, nullptr); }},
    {"gif",
     [](const char* path, PictureHandle picture) { return SaveGif(path, picture, nullptr); }},
};

TEST(FileOutputTest, ReplacesAnExistingFileWhole) {
  TempFolder folder;
  ScopedPicture picture = testpictures::MakeFlat(9, 7, MakeColour(10, 200, 30));
  for (const auto& [name, save] : kSaves) {
    const std::string path = folder.File(std::string("out.") + name);
    codectest::WriteBytes(path, std::vector<std::uint8_t>(100000, 'x'));
    ASSERT_EQ(save(path.c_str(), picture.Get()), 1) << name;
    ScopedPicture loaded(LoadPicture(path.c_str()));
    EXPECT_TRUE(loaded) << name;
  }
  EXPECT_EQ(folder.Names(),
            (std::vector<std::string>{"out.bmp", "out.gif", "out.jpeg", "out.png"}));
}

TEST(FileOutputTest, FailureLeavesTheOldFileAndNoLeftovers) {
  TempFolder folder;
  const std::string path = folder.File("keep.bmp");
  const std::vector<std::uint8_t> old(1234, 'o');
  // Too wide for a GIF or a JPEG, which say so; no picture at all for the others.
  ScopedPicture tooWide = testpictures::MakeFlat(70000, 1, MakeColour(1, 2, 3));
  const std::map<std::string, std::string> reasons = {
      {"gif", "GIF形式の幅と高さは 65535 ピクセルまでです"},
      {"jpeg", "JPEG形式の幅と高さは 65500 ピクセルまでです"}};
  for (const auto& [name, save] : kSaves) {
    codectest::WriteBytes(path, old);
    const bool refused = reasons.count(name) != 0;
    ClearFailureReason();
    EXPECT_EQ(save(path.c_str(), refused ? tooWide.Get() : 0), 0) << name;
    if (refused) {
      EXPECT_EQ(LastFailureReason(), reasons.at(name));
    }
    EXPECT_EQ(codectest::ReadBytes(path), old) << name;
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"keep.bmp"}) << name;
  }
}

TEST(FileOutputTest, ImpossiblePathsFailCleanly) {
  TempFolder folder;
  ScopedPicture picture = testpictures::MakeFlat(3, 3, MakeColour(1, 2, 3));
  std::filesystem::create_directory(folder.File("folder"));
  for (const auto& [name, save] : kSaves) {
    ClearFailureReason();
    EXPECT_EQ(save(folder.File("missing/out").c_str(), picture.Get()), 0) << name;
    EXPECT_EQ(LastFailureReason(),
              "出力先のフォルダがないため保存できません:\n[" + folder.File("missing/") + "]");
    EXPECT_NE(LastFailureIsWriting(), 0);
    EXPECT_EQ(save(folder.File("folder").c_str(), picture.Get()), 0) << name;
    EXPECT_EQ(save("", picture.Get()), 0) << name;
    EXPECT_EQ(save(nullptr, picture.Get()), 0) << name;
  }
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"folder"});
  EXPECT_TRUE(std::filesystem::is_empty(folder.File("folder")));
}

TEST(FileOutputTest, NamesAsLongAsAllowedCanBeWritten) {
  TempFolder folder;
  ScopedPicture picture = testpictures::MakeFlat(3, 3, MakeColour(1, 2, 3));
  const std::string name = std::string(251, 'n') + ".bmp";
  ASSERT_EQ(SaveBmp(folder.File(name).c_str(), picture.Get()), 1);
  EXPECT_EQ(folder.Names(), std::vector<std::string>{name});
}

#ifndef _WIN32  // File modes and the umask are POSIX's.
TEST(FileOutputTest, NewFilesFollowTheUmask) {
  TempFolder folder;
  ScopedPicture picture = testpictures::MakeFlat(3, 3, MakeColour(1, 2, 3));
  const mode_t previous = umask(022);
  const std::string path = folder.File("mode.bmp");
  ASSERT_EQ(SaveBmp(path.c_str(), picture.Get()), 1);
  umask(previous);
  struct stat status {};
  ASSERT_EQ(stat(path.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0644u);
}
#endif

TEST(FileOutputTest, TooWideWebpIsRefusedWithItsReason) {
  TempFolder folder;
  ScopedPicture tooWide = testpictures::MakeFlat(16384, 1, MakeColour(1, 2, 3));
  ClearFailureReason();
  EXPECT_EQ(SaveWebp(folder.File("wide.webp").c_str(), tooWide.Get(), 80, 0), 0);
  EXPECT_STREQ(LastFailureReason(), "WebP形式の幅と高さは16383ピクセルまでです");
  EXPECT_TRUE(folder.Names().empty());
}

}  // namespace
