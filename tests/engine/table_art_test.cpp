// The table-art page, byte for byte.
#include "engine/table_art.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>

#include "base/long_work.h"
#include "controls/headless/headless_control_layer.h"
#include "platform/process.h"
#include "tests/imagelib/test_pictures.h"
#include "tests/support/file_size_limit.h"

namespace {

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string ReplaceOnce(std::string text, const std::string& from, const std::string& to) {
  std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

class TableArtTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto layer = std::make_unique<HeadlessControlLayer>();
    layer_ = layer.get();
    previousLayer_ = SetControlLayer(std::move(layer));
    folder_ = std::filesystem::temp_directory_path() /
              ("table_art_test_" + std::to_string(platform::CurrentProcessId()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    // The page of a 1×1 white picture with cell size 1, kept as a literal file.
    whitePage_ = ReadBytes(std::filesystem::path(TRASTEL_SOURCE_DIR) / "tests/data/table_art" /
                           "white_1x1.htm");
    ASSERT_EQ(whitePage_.size(), 490u);
  }
  void TearDown() override {
    SetControlLayer(std::move(previousLayer_));
    std::filesystem::remove_all(folder_);
  }

  // Writes the page and returns its bytes.
  std::string Write(PictureHandle picture, int columns, int rows, int cellSize) {
    std::filesystem::path path = folder_ / "page.htm";
    EXPECT_EQ(WriteTableArt(picture, path.string().c_str(), columns, rows, cellSize), 1);
    return ReadBytes(path);
  }

  HeadlessControlLayer* layer_ = nullptr;
  std::filesystem::path folder_;
  std::string whitePage_;

 private:
  std::unique_ptr<ControlLayer> previousLayer_;
};

const std::string kWhiteRow = "<tr><td bgcolor=\"#ffffff\"></td> \r\n</tr> \r\n";

TEST_F(TableArtTest, PagesMatchTheLiteralPage) {
  ScopedPicture white = testpictures::MakeFlat(1, 1, MakeColour(255, 255, 255));
  ScopedPicture red = testpictures::MakeFlat(1, 1, MakeColour(255, 0, 0));
  struct Case {
    const char* name;
    PictureHandle picture;
    int columns;
    int rows;
    int cellSize;
    std::string expected;
  };
  const Case cases[] = {
      {"white", white.Get(), 1, 1, 1, whitePage_},
      {"red digits come first", red.Get(), 1, 1, 1, ReplaceOnce(whitePage_, "ffffff", "ff0000")},
      {"no rows", white.Get(), 1, 0, 1, ReplaceOnce(whitePage_, kWhiteRow, "")},
      {"no columns", white.Get(), 0, 2, 1,
       ReplaceOnce(whitePage_, kWhiteRow, "<tr></tr> \r\n<tr></tr> \r\n")},
      {"cell size 5", white.Get(), 1, 1, 5,
       ReplaceOnce(whitePage_, "width:1px;height:1px;", "width:5px;height:5px;")},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Write(c.picture, c.columns, c.rows, c.cellSize), c.expected) << c.name;
  }
  EXPECT_TRUE(layer_->messages.empty());
}

TEST_F(TableArtTest, CellsGoLeftToRightTopToBottomWithOnePumpPerRow) {
  const LongWorkTurns turns(pumpOneMessage);
  ScopedPicture picture = testpictures::Make24Bit(
      2, 3, [](int x, int y) { return MakeColour(16 * x + y, 0xab, 0x0c); });
  std::string page = Write(picture.Get(), 2, 3, 2);
  std::string rows;
  for (int y = 0; y < 3; ++y) {
    rows += "<tr>";
    for (int x = 0; x < 2; ++x) {
      std::ostringstream cell;
      cell << "<td bgcolor=\"#" << x << y << "ab0c\"></td> \r\n";
      rows += cell.str();
    }
    rows += "</tr> \r\n";
  }
  EXPECT_EQ(page, ReplaceOnce(ReplaceOnce(whitePage_, kWhiteRow, rows), "width:1px;height:1px;",
                              "width:2px;height:2px;"));
  EXPECT_EQ(layer_->pumpCount, 3);
}

TEST_F(TableArtTest, CompressedPictureGivesTheSamePage) {
  auto colourAt = [](int x, int y) { return MakeColour(40 * x, 0, 255 - 60 * y); };
  ScopedPicture plain = testpictures::Make24Bit(5, 4, colourAt);
  ScopedPicture compressed = testpictures::Make24Bit(5, 4, colourAt);
  ConvertTo8Bit(plain.Get(), 0, 0);
  ConvertTo8Bit(compressed.Get(), 0, 0);
  ASSERT_EQ(CompressRle(compressed.Get()), 1);
  std::string expected = Write(plain.Get(), 5, 4, 3);
  EXPECT_NE(expected.find("<td bgcolor=\"#a000c3\">"), std::string::npos);
  EXPECT_EQ(Write(compressed.Get(), 5, 4, 3), expected);
}

TEST_F(TableArtTest, ExistingFileIsReplaced) {
  std::filesystem::path path = folder_ / "page.htm";
  std::ofstream(path) << std::string(5000, 'x');
  ScopedPicture white = testpictures::MakeFlat(1, 1, MakeColour(255, 255, 255));
  EXPECT_EQ(Write(white.Get(), 1, 1, 1), whitePage_);
}

TEST_F(TableArtTest, UnopenablePathShowsTheMessageAndWritesNothing) {
  ScopedPicture white = testpictures::MakeFlat(1, 1, MakeColour(255, 255, 255));
  std::filesystem::path path = folder_ / "missing" / "page.htm";
  EXPECT_EQ(WriteTableArt(white.Get(), path.string().c_str(), 1, 1, 1), 0);
  ASSERT_EQ(layer_->messages.size(), 1u);
  EXPECT_EQ(layer_->messages[0], "[" + path.string() + "]\nはオープンできませんでした！");
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(layer_->pumpCount, 0);
}

#ifndef _WIN32  // A full disk is made with a POSIX file size limit.
TEST_F(TableArtTest, WriteFailureIsReportedAndKeepsThePreviousPage) {
  ScopedPicture white = testpictures::MakeFlat(1, 1, MakeColour(255, 255, 255));
  const std::string previous = Write(white.Get(), 1, 1, 1);
  ScopedPicture big = testpictures::MakeFlat(300, 200, MakeColour(1, 2, 3));
  {
    FileSizeLimit fullDisk(100000);  // the new page needs about 1.8 MB
    ASSERT_TRUE(fullDisk.active());
    EXPECT_EQ(WriteTableArt(big.Get(), (folder_ / "page.htm").c_str(), 300, 200, 1), 0);
  }
  EXPECT_TRUE(layer_->messages.empty());
  EXPECT_EQ(ReadBytes(folder_ / "page.htm"), previous);
  // No temporary file is left beside it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_),
                          std::filesystem::directory_iterator()),
            1);
}
#endif

}  // namespace
