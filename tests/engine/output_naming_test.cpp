#include "engine/output_naming.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include "base/program_folder.h"
#include "controls/headless/headless_control_layer.h"
#include "engine/batch.h"
#include "imagelib/picture_formats.h"
#include "state/app_state.h"
#include "state/output_formats.h"

#include "platform/files.h"
#include "tests/support/unique_folder.h"

namespace {

class OutputNamingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SetProgramFolder("/tmp"));
    DestroyAppState();
    paths_ = GetAppState()->paths.get();
    auto layer = std::make_unique<HeadlessControlLayer>();
    layer_ = layer.get();
    previousLayer_ = SetControlLayer(std::move(layer));
  }
  void TearDown() override {
    SetControlLayer(std::move(previousLayer_));
    DestroyAppState();
  }

  std::string Name(const char* source, int rule, int format, int number, int mode, int folder,
                   const char* arbitrary = "TrastelSan", const char* folderName = "トラステル") {
    CopyText(paths_->outputName, arbitrary);
    EXPECT_EQ(MakeOutputName(source, rule, format, number, mode, folder, folderName), 1);
    return paths_->outputName;
  }

  PathBlock* paths_ = nullptr;
  HeadlessControlLayer* layer_ = nullptr;
  std::unique_ptr<ControlLayer> previousLayer_;
};

TEST_F(OutputNamingTest, RulesExtensionsAndFolder) {
  EXPECT_EQ(Name("cat", kKeepName, 1, 0, kLowerCaseExtension, 0), "cat.jpg");
  EXPECT_EQ(Name("cat", kNameThenNumber, 3, 7, kUpperCaseExtension, 1),
            "トラステル/TrastelSan7.GIF");
  EXPECT_EQ(Name("cat", kNumberThenName, 2, -1, kLowerCaseExtension, 0), "-1TrastelSan.png");
  EXPECT_EQ(Name("cat", kNumber, 0, 12, kLowerCaseExtension, 0), "12.bmp");
  EXPECT_EQ(Name("cat", kNumber, 4, 3, kNoExtension, 0), "3");
  EXPECT_EQ(Name("cat", kKeepName, 4, 3, 9, 0), "cat");  // Unknown modes add nothing.
  EXPECT_EQ(Name("cat", 4, 1, 3, kNoExtension, 0), "");  // Unknown rule: an empty name.
  EXPECT_EQ(Name("cat", kKeepName, 5, 0, kLowerCaseExtension, 0), "cat.webp");
  EXPECT_EQ(Name("cat", kKeepName, 5, 0, kUpperCaseExtension, 0), "cat.WEBP");
  EXPECT_EQ(Name("cat", kKeepName, 6, 0, kNoExtension, 0), "cat");
  EXPECT_EQ(Name("cat", kKeepName, 6, 0, kLowerCaseExtension, 0), "cat.avif");
  EXPECT_EQ(Name("cat", kKeepName, 7, 0, kUpperCaseExtension, 0), "cat.JXL");
  EXPECT_EQ(Name("cat", kKeepName, 9, 0, kLowerCaseExtension, 0), "cat.");
  EXPECT_EQ(Name("cat", kKeepName, 1, 0, kLowerCaseExtension, 2, "", "sub"), "sub/cat.jpg");
  EXPECT_TRUE(layer_->messages.empty());
}

TEST_F(OutputNamingTest, UnknownFormatIsReportedAndGetsNoTypeName) {
  EXPECT_EQ(Name("cat", kKeepName, 10, 0, kUpperCaseExtension, 0), "cat.");
  EXPECT_EQ(GetPicTypeName(-1), "");
  EXPECT_EQ(layer_->messages,
            (std::vector<std::string>{"GetPicTypeName(int n) : 10参照(アドレス破壊)",
                                      "GetPicTypeName(int n) : -1参照(アドレス破壊)"}));
}

// True when `name` matches the open dialog's pattern `pattern`, whose '*' stands for any text.
bool MatchesPattern(std::string_view name, std::string_view pattern) {
  if (pattern.empty()) return name.empty();
  if (pattern[0] == '*') {
    for (std::size_t skip = 0; skip <= name.size(); ++skip) {
      if (MatchesPattern(name.substr(skip), pattern.substr(1))) return true;
    }
    return false;
  }
  return !name.empty() && name[0] == pattern[0] &&
         MatchesPattern(name.substr(1), pattern.substr(1));
}

// A picture the program writes (or names in the facts) is read back as its own format, and the
// open dialog offers it by the name the program gives it.
TEST(OutputFormatsTest, EachFormatsFilesAreReadAndOfferedUnderTheirOwnKind) {
  for (const imagelib::PictureFormat& format : imagelib::PictureFormats()) {
    EXPECT_EQ(imagelib::PictureFormatOfKind(format.kind), &format) << format.name;
  }
  for (const OutputFormatRow& row : kOutputFormats) {
    if (row.kind == kIdentifiedNone) continue;
    const imagelib::PictureFormat* read = imagelib::PictureFormatOfKind(row.kind);
    ASSERT_NE(read, nullptr) << row.typeName;
    const std::string file = "x" + OutputExtension(row.format, kLowerCaseExtension);
    bool offered = false;
    for (std::string_view rest = read->patterns; !offered && !rest.empty();) {
      const std::size_t end = std::min(rest.find(';'), rest.size());
      offered = MatchesPattern(file, rest.substr(0, end));
      rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    EXPECT_TRUE(offered) << file << " in " << read->patterns;
  }
}

TEST_F(OutputNamingTest, LongNamesAreCutWholeCharactersAt255StoredBytes) {
  std::string arbitrary;
  for (int i = 0; i < 150; ++i) arbitrary += "写";  // 2 bytes each in cp932, 3 in UTF-8.
  std::string name = Name("cat", kNameThenNumber, 1, 5, kLowerCaseExtension, 0, arbitrary.c_str());
  EXPECT_EQ(name, arbitrary.substr(0, 3 * 127));
  // A hundred fit whole, with the number and the extension (209 bytes in cp932, 309 in UTF-8).
  arbitrary = arbitrary.substr(0, 3 * 100);
  EXPECT_EQ(Name("cat", kNameThenNumber, 1, 5, kLowerCaseExtension, 0, arbitrary.c_str()),
            arbitrary + "5.jpg");
}

// The 変換後 name is the file a run will write: beside a file of the name there already when
// outputs are numbered (EXISTING 2).
TEST_F(OutputNamingTest, ThePreviewNamesTheNumberedOutputBesideAnExistingFile) {
  const std::filesystem::path folder = MakeUniqueFolder("trastel-naming");
  CopyText(paths_->SAVE, (folder.string() + "/").c_str());
  CopyText(GetAppState()->source->name, "cat");
  GetAppState()->target->DIB_TYPE = 2;  // PNG
  std::ofstream(folder / "cat.png") << "an earlier run's";
  EXPECT_EQ(PreviewOutputName(), "cat.png");
  GetAppState()->target->EXISTING = kExistingNumber;
  EXPECT_EQ(PreviewOutputName(), "cat(2).png");
  std::filesystem::remove_all(folder);
}

TEST(CreateOutputFolderTest, CreatesOnceAndIgnoresFailures) {
  namespace fs = std::filesystem;
  const fs::path base = MakeUniqueFolder("trastel-naming");
  std::string folder = base.string() + "/";
  EXPECT_EQ(CreateOutputFolder(folder.c_str(), "トラステル"), 1);
  EXPECT_TRUE(fs::is_directory(platform::PathOf(folder + "トラステル")));
  EXPECT_EQ(CreateOutputFolder(folder.c_str(), "トラステル"), 1);
  EXPECT_EQ(CreateOutputFolder((folder + "missing/").c_str(), "x"), 1);
  EXPECT_FALSE(fs::exists(folder + "missing"));
  fs::remove_all(base);
}

}  // namespace
