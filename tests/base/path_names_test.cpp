#include "base/path_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/show_message.h"

namespace {

std::string Relative(const std::string& path, const std::string& base, std::size_t size = 256) {
  char buffer[512] = {};
  path.copy(buffer, path.size());
  return MakeRelativePath(buffer, size, base.c_str());
}

TEST(MakeRelativePathTest, PathsRelativeToTheProgramFolder) {
  struct Case {
    const char* path;
    const char* base;
    const char* expected;
  } cases[] = {
      {"/opt/trastel/a.bmp", "/opt/trastel/", "a.bmp"},
      {"/opt/trastel/pics/a.bmp", "/opt/trastel/", "pics/a.bmp"},
      {"/opt/trastel/pics//a.bmp", "/opt/trastel/", "pics//a.bmp"},
      {"/opt/other/b.jpg", "/opt/trastel/", "../other/b.jpg"},
      {"/opt/trastel2/b.jpg", "/opt/trastel/", "../trastel2/b.jpg"},
      {"/home/user/photos/c.png", "/opt/trastel/", "../../home/user/photos/c.png"},
      {"/OPT/Trastel/a.bmp", "/opt/trastel/", "a.bmp"},  // Letter case is ignored.
      {"/opt/trastel/", "/opt/trastel/", "./"},          // The base itself.
      {"/opt/trastel", "/opt/trastel/", "."},
      {"/opt", "/opt/trastel/", ".."},  // A parent folder.
      {"/", "/opt/trastel/", "../.."},
      {"/opt/trastel/sub/x.gif", "/opt/trastel", "sub/x.gif"},  // Base without separator.
      {"already/relative.bmp", "/opt/trastel/", "already/relative.bmp"},
      {"", "/opt/trastel/", ""},
      {"C:\\pics\\a.bmp", "C:\\prog\\", "..\\pics\\a.bmp"},  // Windows paths, same drive.
      {"D:\\pics\\a.bmp", "c:\\prog\\", "D:\\pics\\a.bmp"},  // Another drive.
      {"c:\\prog\\a.bmp", "C:\\prog\\", "a.bmp"},
      {"pics\\a.bmp", "C:\\prog\\", "pics\\a.bmp"},
      // A file chosen in a Windows dialog, under a program folder written with '/'.
      {"C:\\prog\\pics\\a.bmp", "C:/prog/", "pics\\a.bmp"},
      {"C:\\photos\\a.bmp", "C:/prog/", "../photos\\a.bmp"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Relative(c.path, c.base), c.expected) << c.path << " from " << c.base;
  }
}

TEST(MakeRelativePathTest, ResultIsCutToTheBuffer) {
  // Room for one ".." step only: the result ends before the step that does not fit.
  EXPECT_EQ(Relative("/x/y.bmp", "/a/b/", 6), "../");
  EXPECT_EQ(Relative("/a/long-name.bmp", "/a/", 8), "long-na");
}

TEST(FileNamesTest, NameAndExtensionParts) {
  struct Case {
    const char* path;
    const char* extension;
    const char* withExtension;
    const char* withoutExtension;
  } cases[] = {
      {"pics/cat.png", "png", "cat.png", "cat"},
      {"pics\\cat.tar.gz", "gz", "cat.tar.gz", "cat.tar"},
      {"pics//a.bmp", "bmp", "a.bmp", "a"},
      {"folder.d/noext", "", "noext", "noext"},  // A folder's dot is no extension's dot.
      {"../../pics/noext", "", "noext", "noext"},
      {"..\\pics.d\\noext", "", "noext", "noext"},
      {"pics/noext", "", "noext", "noext"},
      {"bare.jpg", "jpg", "bare.jpg", "bare"},  // No folder: the whole path.
      {"pics/.hidden", "hidden", ".hidden", ""},
      {"pics/", "", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FileExtension(c.path), c.extension) << c.path;
    EXPECT_EQ(FileNamePart(c.path, true), c.withExtension) << c.path;
    EXPECT_EQ(FileNamePart(c.path, false), c.withoutExtension) << c.path;
  }
}

// A message names its paths, in brackets, as the system writes them; the rest stays as it is.
TEST(ShownPathsTest, MessagesNamePathsWithTheSystemsSeparator) {
  MessageCapture capture;
  ShowMessage("[%s]\nを開けません (1/2)", "C:/写真/a.png");
  ShowMessage("[Data/x.html");
#ifdef _WIN32
  const std::vector<std::string> shown{"[C:\\写真\\a.png]\nを開けません (1/2)", "[Data/x.html"};
#else
  const std::vector<std::string> shown{"[C:/写真/a.png]\nを開けません (1/2)", "[Data/x.html"};
#endif
  EXPECT_EQ(capture.Take(), shown);
}

}  // namespace
