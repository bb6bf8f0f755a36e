// Starts the real program in an empty program folder under the display and drives it from
// outside, as a user would: the first-start message, the window's title and size, a settings
// page, the program's icon, a screenshot kept as a test artifact, closing through the menu, and
// no toolkit warning printed on the way.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/wx/wx_test_support.h"

#include "tests/support/default_settings.h"
#include "tests/support/unique_folder.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr char kTitle[] = "ヴィンボトラステル２ Ver 2.00 Updata 2006_0116";

std::string RunCommand(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  pclose(pipe);
  return output;
}

struct ScreenWindow {
  std::string id;
  std::string title;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// Visible windows of the process. Titles are read from _NET_WM_NAME, since a search by name
// does not match Japanese titles.
std::vector<ScreenWindow> VisibleWindowsOf(pid_t pid) {
  std::vector<ScreenWindow> windows;
  std::istringstream ids(
      RunCommand("xdotool search --onlyvisible --pid " + std::to_string(pid) + " 2>/dev/null"));
  for (std::string id; ids >> id;) {
    ScreenWindow window;
    window.id = id;
    std::string name = RunCommand("xprop -id " + id + " _NET_WM_NAME 2>/dev/null");
    auto open = name.find('"');
    auto close = name.rfind('"');
    if (open != std::string::npos && close > open)
      window.title = name.substr(open + 1, close - open - 1);
    WindowPlace place = ScreenPlaceOf(id);
    window.x = place.x;
    window.y = place.y;
    window.width = place.width;
    window.height = place.height;
    windows.push_back(window);
  }
  return windows;
}

std::optional<ScreenWindow> WaitForWindow(pid_t pid, const std::string& title) {
  for (auto end = std::chrono::steady_clock::now() + 60s; std::chrono::steady_clock::now() < end;) {
    for (const ScreenWindow& window : VisibleWindowsOf(pid)) {
      if (window.title == title) return window;
    }
    std::this_thread::sleep_for(200ms);
  }
  return std::nullopt;
}

void Click(int x, int y) {
  RunCommand("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1");
  std::this_thread::sleep_for(500ms);
}

std::optional<int> WaitForExit(pid_t pid) {
  for (auto end = std::chrono::steady_clock::now() + 60s; std::chrono::steady_clock::now() < end;) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      return WIFEXITED(status) ? std::optional<int>(WEXITSTATUS(status)) : std::nullopt;
    }
    std::this_thread::sleep_for(100ms);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return std::nullopt;
}

// Pixels that differ between two screenshots within a rectangle.
long DifferingPixels(const fs::path& a, const fs::path& b, int x, int y, int width, int height) {
  std::string crop = std::to_string(width) + "x" + std::to_string(height) + "+" +
                     std::to_string(x) + "+" + std::to_string(y);
  std::string output = RunCommand("/usr/bin/compare -metric AE -extract " + crop + " " +
                                  a.string() + " " + b.string() + " null: 2>&1");
  return output.empty() ? -1 : std::stol(output);
}

TEST(WxProgramTest, FirstStartShowsTheWindowAndClosesCleanly) {
  ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "the window tests need a display";
  DisplayLock displayLock;
  fs::path folder = MakeUniqueFolder("trastel-program-test");
  fs::path artifacts = TRASTEL_ARTIFACT_DIR;
  fs::create_directories(artifacts);
  fs::path program = folder / "trastel";
  fs::copy_file(fs::path(TRASTEL_BIN_DIR) / "trastel", program);

  // What the program prints, the toolkit's warnings included.
  fs::path output = artifacts / "trastel-window-stderr.txt";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::string programPath = program.string();
  char* argv[] = {programPath.data(), nullptr};
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, programPath.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  ASSERT_EQ(spawned, 0);

  auto message = WaitForWindow(pid, "メッセージボックス");
  ASSERT_TRUE(message) << "no first-start message";
  Click(message->x + message->width / 2, message->y + message->height - 8);

  auto window = WaitForWindow(pid, kTitle);
  ASSERT_TRUE(window) << "no main window";
  EXPECT_EQ(window->width, 630);
  EXPECT_EQ(window->height, 485);
  // The program's icon, for the desktop to show.
  EXPECT_NE(RunCommand("xprop -id " + window->id + " _NET_WM_ICON").find("Icon (48 x 48)"),
            std::string::npos);
  std::this_thread::sleep_for(1s);
  fs::path firstShot = artifacts / "trastel-window.png";
  RunCommand("import -window root " + firstShot.string());
  EXPECT_TRUE(fs::exists(firstShot));

  // A click on the selected first tree item gives the tree the focus; End selects its last
  // item, "その他", which shows the other settings page.
  Click(window->x + 195, window->y + 239);
  RunCommand("xdotool key End");
  std::this_thread::sleep_for(1s);
  fs::path secondShot = artifacts / "trastel-other-page.png";
  RunCommand("import -window root " + secondShot.string());
  EXPECT_GT(DifferingPixels(firstShot, secondShot, window->x + 260, window->y + 230, 290, 150),
            500);
  // Three items up, past "リネーム" and "編集": the JPEG XL page, kept for a look.
  RunCommand("xdotool key Up Up Up");
  std::this_thread::sleep_for(1s);
  RunCommand("import -window root " + (artifacts / "trastel-jxl-page.png").string());

  // "ファイル" then its last item, the fifth: "アプリ終了".
  Click(window->x + 20, window->y + 10);
  RunCommand("xdotool key Down Down Down Down Down Return");
  auto exitCode = WaitForExit(pid);
  ASSERT_TRUE(exitCode) << "the program did not end";
  EXPECT_EQ(*exitCode, 0);
  std::ifstream printed(output);
  std::string warnings((std::istreambuf_iterator<char>(printed)), std::istreambuf_iterator<char>());
  EXPECT_EQ(warnings.find("Gtk-CRITICAL"), std::string::npos) << warnings;
  EXPECT_EQ(warnings.find("Gtk-WARNING"), std::string::npos) << warnings;

  std::ifstream file(folder / "Data" / "Confing.inf", std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, DefaultSettings(folder.string() + "/"));
  for (const char* name : {"Data/Preview", "Data/Help", "Data/__Temp"}) {
    EXPECT_TRUE(fs::is_directory(folder / name)) << name;
  }
  fs::remove_all(folder);
}

TEST(WxProgramTest, ProgramFolderTooLongForItsSettingsPathStopsWithAMessage) {
  ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "window tests need a display";
  DisplayLock displayLock;
  const fs::path base = MakeUniqueFolder("trastel-program-too-long");
  // 240 bytes with the separator: no room for "Data/Confing.inf" in 255 bytes.
  const fs::path folder = base / std::string(238 - base.string().size(), 'f');
  fs::create_directories(folder);
  const std::string program = (folder / "trastel").string();
  fs::copy_file(fs::path(TRASTEL_BIN_DIR) / "trastel", program);

  char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ), 0);
  auto message = WaitForWindow(pid, "メッセージボックス");
  EXPECT_TRUE(message) << "no message";
  if (message) Click(message->x + message->width / 2, message->y + message->height - 8);
  auto exitCode = WaitForExit(pid);
  ASSERT_TRUE(exitCode) << "the program did not end";
  EXPECT_EQ(*exitCode, 1);
  EXPECT_FALSE(fs::exists(folder / "Data"));
  fs::remove_all(base);
}

}  // namespace
