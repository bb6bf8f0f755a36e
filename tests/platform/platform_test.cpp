#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/text_codes.h"
#include "tests/support/unique_folder.h"

namespace {

#ifdef _WIN32
constexpr const char* kDevice = "NUL";
constexpr const char* kExecutableSuffix = ".exe";
#else
constexpr const char* kDevice = "/dev/null";
constexpr const char* kExecutableSuffix = "";
#endif

class PlatformTest : public testing::Test {
 protected:
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  std::string PathOf(const std::string& name) const { return folder_.string() + "/" + name; }

  // Writes `bytes` into a new file at `path` and flushes it to disk.
  static bool Write(const std::string& path, const std::string& bytes) {
    bool exists = false;
    auto file = platform::File::CreateNew(path.c_str(), exists);
    return file && file->WriteAll(bytes.data(), bytes.size()) && file->Close(true);
  }
  static std::string Read(const std::string& path) {
    auto file = platform::File::OpenRegularForReading(path.c_str());
    if (!file) return "<not opened>";
    std::string bytes(file->Size() + 1, '\0');
    const auto got = file->Read(bytes.data(), bytes.size());
    return got ? bytes.substr(0, *got) : "<not read>";
  }

  std::filesystem::path folder_ = MakeUniqueFolder("platform-test");
};

// Bytes are stored as given (no line-end translation) and a move replaces an existing target.
TEST_F(PlatformTest, WritesBinaryAndMovesOverExistingFile) {
  const std::string bytes("a\nb\r\n\x1a\0z", 8);
  const std::string target = PathOf("target.bin");
  ASSERT_TRUE(Write(target, "old"));
  bool exists = false;
  EXPECT_FALSE(platform::File::CreateNew(target.c_str(), exists));
  EXPECT_TRUE(exists);
  for (int round = 0; round < 2; ++round) {
    const std::string temporary = PathOf("new" + std::to_string(round));
    ASSERT_TRUE(Write(temporary, bytes.substr(round)));
    EXPECT_TRUE(platform::MoveReplacing(temporary.c_str(), target.c_str()));
    EXPECT_EQ(Read(target), bytes.substr(round));
    EXPECT_EQ(platform::FileSize(target.c_str()), bytes.size() - round);
    EXPECT_EQ(platform::KindOf(temporary.c_str()), platform::PathKind::kMissing);
  }
  // A file still being written can be removed (an interrupted run's clean-up); it is gone at the
  // latest when it is closed.
  const std::string writing = PathOf("writing");
  {
    auto file = platform::File::CreateNew(writing.c_str(), exists);
    ASSERT_TRUE(file);
    EXPECT_TRUE(platform::RemoveFile(writing.c_str()));
  }
  EXPECT_EQ(platform::KindOf(writing.c_str()), platform::PathKind::kMissing);
}

// A move that must not replace keeps what is there; one file is known under another spelling of
// its path; a failed call says what kept it from succeeding.
TEST_F(PlatformTest, MovesWithoutReplacingAndKnowsFilesByIdentity) {
  const std::string target = PathOf("Target.bin");
  const std::string temporary = PathOf("new");
  ASSERT_TRUE(Write(target, "there"));
  ASSERT_TRUE(Write(temporary, "new"));
  EXPECT_EQ(platform::MoveUnlessExists(temporary.c_str(), target.c_str()),
            platform::MoveResult::kExists);
  EXPECT_EQ(Read(target), "there");
  EXPECT_EQ(Read(temporary), "new");
  const std::string free = PathOf("free.bin");
  EXPECT_EQ(platform::MoveUnlessExists(temporary.c_str(), free.c_str()),
            platform::MoveResult::kMoved);
  EXPECT_EQ(Read(free), "new");
  EXPECT_EQ(platform::KindOf(temporary.c_str()), platform::PathKind::kMissing);

  const auto identity = platform::IdentityOf(target.c_str());
  ASSERT_TRUE(identity);
  EXPECT_EQ(platform::IdentityOf((folder_.string() + "/./Target.bin").c_str()), identity);
#ifdef _WIN32
  EXPECT_EQ(platform::IdentityOf(PathOf("TARGET.BIN").c_str()), identity);
#endif
  EXPECT_NE(platform::IdentityOf(free.c_str()), identity);
  EXPECT_FALSE(platform::IdentityOf(PathOf("none").c_str()));

  bool exists = false;
  EXPECT_FALSE(platform::File::CreateNew(PathOf("none/x").c_str(), exists));
  EXPECT_EQ(platform::LastFileProblem(), platform::FileProblem::kMissing);
#ifndef _WIN32
  const int device = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
  ASSERT_GE(device, 0);
  EXPECT_LT(::write(device, "x", 1), 0);
  EXPECT_EQ(platform::LastFileProblem(), platform::FileProblem::kNoSpace);
  ::close(device);
#endif
}

// Folders and devices are not opened as files; the kinds of paths are told apart.
TEST_F(PlatformTest, OpensOnlyRegularFiles) {
  EXPECT_FALSE(platform::File::OpenRegularForReading(folder_.string().c_str()));
  EXPECT_FALSE(platform::File::OpenRegularForReading(kDevice));
  EXPECT_FALSE(platform::File::OpenRegularForReading(PathOf("missing").c_str()));
  EXPECT_EQ(platform::KindOf(folder_.string().c_str()), platform::PathKind::kFolder);
  EXPECT_EQ(platform::KindOf(PathOf("missing").c_str()), platform::PathKind::kMissing);
  ASSERT_TRUE(Write(PathOf("写真.txt"), "x"));
  EXPECT_EQ(platform::KindOf(PathOf("写真.txt").c_str()), platform::PathKind::kRegularFile);
  EXPECT_EQ(Read(PathOf("写真.txt")), "x");
}

// Folders are made, listed in the Windows order (letter case ignored) and removed.
TEST_F(PlatformTest, MakesListsAndRemovesFolders) {
  const std::string sub = PathOf("Sub");
  EXPECT_TRUE(platform::MakeFolder(sub.c_str(), folder_.string().c_str()));
  EXPECT_FALSE(platform::MakeFolder(sub.c_str(), folder_.string().c_str()));
  for (const char* name : {"b.png", "C.bmp", "a.jpg"}) ASSERT_TRUE(Write(sub + "/" + name, name));
  EXPECT_EQ(platform::ListFolder(sub.c_str()),
            (std::vector<std::string>{".", "..", "a.jpg", "b.png", "C.bmp"}));
  std::error_code error;
  EXPECT_TRUE(platform::ListFolder(PathOf("missing").c_str(), error).empty());
  EXPECT_TRUE(error);
  platform::RemoveFlatFolder(sub.c_str());
  EXPECT_EQ(platform::KindOf(sub.c_str()), platform::PathKind::kMissing);

  const auto unique = platform::MakeUniqueFolder(PathOf("run-"));
  ASSERT_TRUE(unique);
  EXPECT_EQ(unique->size(), PathOf("run-").size() + 6);
  EXPECT_NE(platform::MakeUniqueFolder(PathOf("run-")), unique);
  EXPECT_EQ(platform::KindOf(unique->c_str()), platform::PathKind::kFolder);
}

// A memory stream gives back its bytes, also when there are none.
TEST_F(PlatformTest, MemoryStreamReadsItsBytes) {
  for (const std::string& bytes : {std::string("line\r\nnext\x1a"), std::string()}) {
    platform::Stream stream = platform::OpenMemoryStream(bytes);
    ASSERT_TRUE(stream);
    std::string read;
    for (int c; (c = std::fgetc(stream.get())) != EOF;) read += static_cast<char>(c);
    EXPECT_EQ(read, bytes);
  }
}

// A file is opened only when it exists; on POSIX desktops a page counts as opened only when the
// opener succeeds or is still running (openers that wait for the browser), and a relative file is
// handed over by its full path.
TEST_F(PlatformTest, OpensWithTheDesktopOnlyWhatCanBeOpened) {
  EXPECT_FALSE(platform::OpenWithDesktop(PathOf("missing.html")));
#ifndef _WIN32
  std::filesystem::create_directories(folder_ / "bin");
  const std::filesystem::path opener = folder_ / "bin" / "xdg-open";
  auto useOpener = [&](const std::string& body) {
    std::ofstream(opener) << "#!/bin/sh\necho \"$1\" > " << PathOf("opened") << "\n"
                          << body << "\n";
    std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
  };
  const std::string path = std::getenv("PATH");
  setenv("PATH", (folder_.string() + "/bin:" + path).c_str(), 1);
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(folder_);
  std::ofstream("page.html") << "<html></html>";

  useOpener("exit 3");
  EXPECT_FALSE(platform::OpenWithDesktop("page.html"));
  useOpener("exit 0");
  EXPECT_TRUE(platform::OpenWithDesktop("page.html"));
  std::string target;
  std::getline(std::ifstream(PathOf("opened")), target);
  EXPECT_EQ(target, PathOf("page.html"));
  useOpener("exec >/dev/null 2>&1; sleep 30");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(platform::OpenWithDesktop("https://example.org/"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  std::filesystem::current_path(previous);
  setenv("PATH", path.c_str(), 1);
#endif
}

TEST(PlatformText, ConvertsCp932) {
  EXPECT_EQ(platform::Utf8ToCp932("写真A"), std::string("\x8e\xca\x90\x5e"
                                                        "A"));
  EXPECT_EQ(platform::Cp932ToUtf8("\x8e\xca\x90\x5e"
                                  "A"),
            "写真A");
  EXPECT_EQ(platform::Utf8ToCp932("\xf0\x9f\x98\x80"), std::nullopt);
  EXPECT_EQ(platform::Cp932ToUtf8("\x81"), std::nullopt);
}

TEST(PlatformProcess, KnowsItsFolderAndProcesses) {
  const auto folder = platform::ExecutableFolder();
  ASSERT_TRUE(folder);
  EXPECT_EQ(folder->back(), '/');
  EXPECT_EQ(platform::KindOf((*folder + "platform_tests" + kExecutableSuffix).c_str()),
            platform::PathKind::kRegularFile);
  EXPECT_FALSE(platform::HasProcessEnded(platform::CurrentProcessId()));
}

}  // namespace
