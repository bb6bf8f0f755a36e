// Does the main job in the real program under the display, as a user would: adds three pictures
// through the open-file dialog, selects one, presses "実行", reads and answers the closing
// message, finds the converted files and closes the program through its menu. Screenshots of
// each step are kept as test artifacts.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/msgdlg.h>
#include <wx/timer.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <span>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "controls/panel_layout.h"
#include "resources/control_ids.h"
#include "resources/panel_templates.h"
#include "tests/wx/wx_test_support.h"

#include "tests/support/unique_folder.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr char kMainTitle[] = "ヴィンボトラステル２ Ver 2.00 Updata 2006_0116";
constexpr char kOpenFileTitle[] = "どのファイルを変換する？？";
constexpr char kMessageTitle[] = "メッセージボックス";
constexpr char kSuccessText[] = "変換が成功しました！";
constexpr char kFailureText[] = "変換が失敗しました！";
constexpr char kTrialFile[] = "Data/__Temp/__Temp__file__vimbo_trastel2__.tpf";
// Every wait gives up after this: a step that never happens fails the test instead of hanging.
constexpr auto kStepTimeout = 60s;

// Each picture has its own size, so the trial file tells which entry is selected.
struct Picture {
  const char* name;
  const char* source;
  int width;
  int height;
};
constexpr Picture kPictures[] = {
    {"one.bmp", "gradient:red-blue", 64, 48},
    {"two.png", "plasma:fractal", 80, 60},
    {"three.gif", "pattern:checkerboard", 50, 40},
};

// The input panel's controls of the two picture information rows.
constexpr int kBeforeRow[] = {kBeforeNameBox, kBeforeBytesBox, kBeforeWidthBox, kBeforeHeightBox,
                              kBeforeTypeBox};
constexpr int kAfterRow[] = {kAfterNameBox, kAfterBytesBox, kAfterWidthBox, kAfterHeightBox,
                             kAfterTypeBox};

std::string RunCommand(const std::string& command) {
  std::string output;
  FILE* pipe = popen(("timeout 30 " + command).c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  pclose(pipe);
  return output;
}

template <typename Condition>
bool WaitUntil(Condition done) {
  for (auto end = std::chrono::steady_clock::now() + kStepTimeout;
       std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(200ms)) {
    if (done()) return true;
  }
  return false;
}

std::string Geometry(const PixelRect& rect) {
  return std::to_string(rect.width) + "x" + std::to_string(rect.height) + "+" +
         std::to_string(rect.x) + "+" + std::to_string(rect.y);
}

// "JPEG 64x48" for a picture file, empty when it cannot be read.
std::string PictureFacts(const fs::path& file) {
  return RunCommand("/usr/bin/identify -format '%m %wx%h' '" + file.string() + "' 2>/dev/null");
}

std::string JpegFacts(const Picture& picture) {
  return "JPEG " + std::to_string(picture.width) + "x" + std::to_string(picture.height);
}

void CutOut(const fs::path& screenshot, const PixelRect& rect, const fs::path& result) {
  RunCommand("/usr/bin/convert " + screenshot.string() + " -crop " + Geometry(rect) + " +repage " +
             result.string());
}

// Pixels that differ between two pictures, within `rect` when given; -1 when they cannot be
// compared (pictures of different sizes).
double DifferingPixels(const fs::path& a, const fs::path& b,
                       std::optional<PixelRect> rect = std::nullopt) {
  std::string output = RunCommand("/usr/bin/compare -metric AE " +
                                  (rect ? "-extract " + Geometry(*rect) + " " : std::string()) +
                                  a.string() + " " + b.string() + " null: 2>&1");
  char* end = nullptr;
  double count = std::strtod(output.c_str(), &end);
  return end == output.c_str() ? -1 : count;
}

struct ScreenWindow {
  std::string title;
  PixelRect rect;
};

// Visible windows of a process. Titles are read from _NET_WM_NAME: a search by name does not
// match Japanese titles.
std::vector<ScreenWindow> VisibleWindowsOf(pid_t pid) {
  std::vector<ScreenWindow> windows;
  std::istringstream ids(
      RunCommand("xdotool search --onlyvisible --pid " + std::to_string(pid) + " 2>/dev/null"));
  for (std::string id; ids >> id;) {
    ScreenWindow window;
    std::string name = RunCommand("xprop -id " + id + " _NET_WM_NAME 2>/dev/null");
    auto open = name.find('"');
    auto close = name.rfind('"');
    if (open != std::string::npos && close > open)
      window.title = name.substr(open + 1, close - open - 1);
    WindowPlace place = ScreenPlaceOf(id);
    window.rect = {place.x, place.y, place.width, place.height};
    windows.push_back(window);
  }
  return windows;
}

std::optional<ScreenWindow> FindWindow(pid_t pid, const std::string& title) {
  for (const ScreenWindow& window : VisibleWindowsOf(pid)) {
    if (window.title == title) return window;
  }
  return std::nullopt;
}

std::optional<ScreenWindow> WaitForWindow(pid_t pid, const std::string& title) {
  std::optional<ScreenWindow> found;
  WaitUntil([&] { return (found = FindWindow(pid, title)).has_value(); });
  return found;
}

bool WaitUntilClosed(pid_t pid, const std::string& title) {
  return WaitUntil([&] { return !FindWindow(pid, title); });
}

void Click(int x, int y) {
  RunCommand("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1");
  std::this_thread::sleep_for(300ms);
}

void ClickOk(const ScreenWindow& messageBox) {
  Click(messageBox.rect.x + messageBox.rect.width / 2, messageBox.rect.Bottom() - 8);
}

// Parks the pointer in the screen's far corner, where it lights up no control of any window.
void ParkPointer() {
  std::istringstream size(RunCommand("xdotool getdisplaygeometry"));
  int width = 0;
  int height = 0;
  size >> width >> height;
  RunCommand("xdotool mousemove " + std::to_string(width - 1) + " " + std::to_string(height - 1));
}

// Text on the clipboard of this process; notes when another program takes it.
class ClipboardText : public wxTextDataObject {
 public:
  ClipboardText(const std::string& text, bool* handedOver)
      : wxTextDataObject(wxString::FromUTF8(text)), handedOver_(handedOver) {}

  using wxTextDataObject::GetDataHere;
  bool GetDataHere(const wxDataFormat& format, void* buffer) const override {
    *handedOver_ = true;
    return wxTextDataObject::GetDataHere(format, buffer);
  }

 private:
  bool* handedOver_;
};

// Puts `text` on the clipboard; this process hands it over while it handles its events.
bool OfferOnClipboard(const std::string& text, bool* handedOver) {
  wxClipboardLocker clipboard;
  if (!clipboard) return false;
  return wxTheClipboard->SetData(new ClipboardText(text, handedOver));
}

void TakeScreenshot(const fs::path& file) {
  RunCommand("import -window root " + file.string());
}

// The rows of a message box above its button, where its text is.
PixelRect MessageTextRect(const ScreenWindow& messageBox) {
  return {messageBox.rect.x, messageBox.rect.y, messageBox.rect.width, messageBox.rect.height / 2};
}

// Shoots the screen and keeps the text rows of a message box in `textFile`; true when they look
// as in the previous shot, that is once the box is painted completely.
bool ShootMessageText(const ScreenWindow& messageBox, const fs::path& screenshot,
                      const fs::path& textFile) {
  fs::path earlier = textFile.string() + ".earlier.png";
  bool hasEarlier = fs::exists(textFile);
  if (hasEarlier) fs::rename(textFile, earlier);
  TakeScreenshot(screenshot);
  CutOut(screenshot, MessageTextRect(messageBox), textFile);
  bool steady = hasEarlier && DifferingPixels(earlier, textFile) == 0;
  fs::remove(earlier);
  return steady;
}

// Shows a message box of this process, made the way the program makes its message boxes, and
// keeps a screenshot of its text rows: the reference the program's box is compared with. The
// toolkit's modal loop keeps running a timer, which shoots the box once it is painted and
// answers it.
class ReferenceMessage : public wxTimer {
 public:
  ReferenceMessage(fs::path screenshot, fs::path textFile)
      : screenshot_(std::move(screenshot)), textFile_(std::move(textFile)) {
    fs::remove(textFile_);
  }

  bool Show(const std::string& text) {
    wxMessageDialog box(nullptr, wxString::FromUTF8(text), wxString::FromUTF8(kMessageTitle),
                        wxOK | wxICON_NONE);
    Start(300);
    box.ShowModal();
    Stop();
    return steady_;
  }

  void Notify() override {
    // The modal loop is left only by answering the box; if that never works, the process ends
    // instead of hanging.
    constexpr int kMostTicks = 200;
    if (++ticks_ > kMostTicks) {
      std::fprintf(stderr, "the reference message box could not be answered\n");
      std::_Exit(EXIT_FAILURE);
    }
    std::optional<ScreenWindow> box = FindWindow(getpid(), kMessageTitle);
    if (!box) return;
    if (!steady_) steady_ = ShootMessageText(*box, screenshot_, textFile_);
    if (!steady_) return;
    ClickOk(*box);
    ParkPointer();
  }

 private:
  fs::path screenshot_;
  fs::path textFile_;
  int ticks_ = 0;
  bool steady_ = false;
};

// The program under test, with its output in a log file; killed if the test ends while it runs.
class ProgramProcess {
 public:
  ProgramProcess(const fs::path& program, const fs::path& log) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::string path = program.string();
    char* argv[] = {path.data(), nullptr};
    if (posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv, environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~ProgramProcess() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  ProgramProcess(const ProgramProcess&) = delete;
  ProgramProcess& operator=(const ProgramProcess&) = delete;

  pid_t Id() const { return pid_; }

  // The exit code; nothing when the program did not end in time or ended by a signal.
  std::optional<int> WaitForExit() {
    int status = 0;
    if (!WaitUntil([&] { return waitpid(pid_, &status, WNOHANG) == pid_; })) return std::nullopt;
    pid_ = -1;
    return WIFEXITED(status) ? std::optional<int>(WEXITSTATUS(status)) : std::nullopt;
  }

 private:
  pid_t pid_ = -1;
};

// Removes a folder with everything in it when the test ends, however it ends.
struct FolderRemover {
  fs::path folder;
  ~FolderRemover() {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }
};

// Where the panels' controls are on the screen. The window's own area (inside any frame a window
// manager adds) starts with the menu bar, whose height is measured: the input list is the only
// large white area at the top of the window, and its first white row lies one pixel (the list's
// frame) below the list's place in the client area.
class WindowMap {
 public:
  static std::optional<WindowMap> Measure(const ScreenWindow& window, const fs::path& screenshot) {
    const PixelRect list = ControlRect(*FindControlTemplate(kInputPanel, kInputList));
    const PixelRect panel = PanelIn(LayoutPanels(kClientWidth, kClientHeight), kInputPanel);
    constexpr int kScannedRows = 120;
    constexpr int kWhiteRun = 20;
    std::string column = RunCommand(
        "/usr/bin/convert " + screenshot.string() + " -crop 1x" + std::to_string(kScannedRows) +
        "+" + std::to_string(window.rect.x + panel.x + list.x + list.width / 2) + "+" +
        std::to_string(window.rect.y) + " -colorspace gray -depth 8 gray:-");
    for (int row = 0, run = 0; row < static_cast<int>(column.size()); ++row) {
      run = static_cast<unsigned char>(column[row]) == 255 ? run + 1 : 0;
      if (run == kWhiteRun) {
        int listTop = row - kWhiteRun;  // the frame row above the first white one
        return WindowMap(window, listTop - panel.y - list.y);
      }
    }
    return std::nullopt;
  }

  int MenuBarHeight() const { return menuBarHeight_; }

  // The control's rectangle on the screen.
  PixelRect Control(int barId, int controlId) const {
    PixelRect panel = PanelIn(layout_, barId);
    PixelRect control = ControlRect(*FindControlTemplate(barId, controlId));
    return {window_.rect.x + panel.x + control.x,
            window_.rect.y + menuBarHeight_ + panel.y + control.y, control.width, control.height};
  }

  // The smallest rectangle around the controls.
  PixelRect Around(int barId, std::span<const int> controlIds) const {
    PixelRect around = Control(barId, controlIds.front());
    for (int id : controlIds) {
      PixelRect rect = Control(barId, id);
      int right = std::max(around.Right(), rect.Right());
      int bottom = std::max(around.Bottom(), rect.Bottom());
      around.x = std::min(around.x, rect.x);
      around.y = std::min(around.y, rect.y);
      around.width = right - around.x;
      around.height = bottom - around.y;
    }
    return around;
  }

  void ClickControl(int barId, int controlId) const {
    PixelRect rect = Control(barId, controlId);
    Click(rect.x + rect.width / 2, rect.y + rect.height / 2);
  }

  // "ファイル", the first menu of the menu bar.
  void OpenFileMenu() const { Click(window_.rect.x + 20, window_.rect.y + menuBarHeight_ / 2); }

 private:
  WindowMap(const ScreenWindow& window, int menuBarHeight)
      : window_(window),
        menuBarHeight_(menuBarHeight),
        layout_(LayoutPanels(kClientWidth, kClientHeight)) {}

  static PixelRect PanelIn(const FrameLayout& layout, int barId) {
    for (const PanelPlacement& placement : layout.panels) {
      if (placement.barId == barId) return placement.rect;
    }
    return {};
  }

  ScreenWindow window_;
  int menuBarHeight_;
  FrameLayout layout_;
};

// A program folder with the program, settings that convert to JPEG into an output folder of
// its own (the other settings keep their defaults), and the pictures to convert.
void PrepareProgramFolder(const fs::path& folder) {
  fs::create_directories(folder / "Data");
  fs::create_directories(folder / "pictures");
  fs::create_directories(folder / "output");
  fs::copy_file(fs::path(TRASTEL_BIN_DIR) / "trastel", folder / "trastel");
  std::ofstream(folder / "Data" / "Confing.inf", std::ios::binary)
      << "#FORMAT VIMBO_TRASTEL_200 (*.inf,*.INF)\r\n#SAVE=\r\n"
      << (folder / "output").string() << "/\r\n#DIB_TYPE=\t1\r\n#END\r\n";
  for (const Picture& picture : kPictures) {
    RunCommand("/usr/bin/convert -size " + std::to_string(picture.width) + "x" +
               std::to_string(picture.height) + " " + picture.source + " " +
               (folder / "pictures" / picture.name).string());
  }
}

TEST(WxMainJobTest, AddsPicturesSelectsOneRunsAndFindsTheConvertedFiles) {
  ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "the window tests need a display";
  DisplayLock displayLock;
  ASSERT_TRUE(StartToolkit());
  const fs::path folder = MakeUniqueFolder("trastel-main-job");
  FolderRemover remover{folder};
  PrepareProgramFolder(folder);
  for (const Picture& picture : kPictures) {
    ASSERT_FALSE(PictureFacts(folder / "pictures" / picture.name).empty()) << picture.name;
  }
  const fs::path artifacts = TRASTEL_ARTIFACT_DIR;
  fs::create_directories(artifacts);
  auto artifact = [&](const std::string& name) { return artifacts / ("main-job-" + name); };

  ProgramProcess program(folder / "trastel", artifact("program.log"));
  ASSERT_GT(program.Id(), 0);
  const pid_t pid = program.Id();
  std::optional<ScreenWindow> window = WaitForWindow(pid, kMainTitle);
  ASSERT_TRUE(window) << "no main window";
  ASSERT_EQ(window->rect.width, kClientWidth);
  std::this_thread::sleep_for(1s);
  TakeScreenshot(artifact("1-start.png"));
  std::optional<WindowMap> map = WindowMap::Measure(*window, artifact("1-start.png"));
  ASSERT_TRUE(map) << "the input list was not found";
  ASSERT_GT(map->MenuBarHeight(), 10);
  ASSERT_LT(map->MenuBarHeight(), 60);
  ASSERT_EQ(window->rect.height, map->MenuBarHeight() + kClientHeight);

  // Each picture through the open-file dialog; the new entry is selected, so the trial file
  // turns into a JPEG of its size.
  const fs::path trialFile = folder / kTrialFile;
  for (const Picture& picture : kPictures) {
    map->ClickControl(kInputPanel, kAddOneButton);
    std::optional<ScreenWindow> dialog = WaitForWindow(pid, kOpenFileTitle);
    ASSERT_TRUE(dialog) << "no open-file dialog for " << picture.name;
    std::this_thread::sleep_for(500ms);
    // Without a window manager the keyboard goes to the window under the pointer.
    RunCommand("xdotool mousemove " + std::to_string(dialog->rect.x + dialog->rect.width / 2) +
               " " + std::to_string(dialog->rect.y + dialog->rect.height / 2));
    // The path is pasted into the dialog's location entry (opened by Ctrl+L) rather than typed:
    // the entry completes what is typed whenever typing pauses, which on a busy machine mixes
    // completed and typed letters.
    bool handedOver = false;
    ASSERT_TRUE(OfferOnClipboard((folder / "pictures" / picture.name).string(), &handedOver));
    RunCommand("xdotool key ctrl+l ctrl+a ctrl+v");
    ASSERT_TRUE(WaitUntil([&] {
      ProcessEventsFor(100);
      return handedOver;
    })) << "the dialog did not take the path of "
        << picture.name;
    TakeScreenshot(artifact(std::string("path-") + picture.name + ".png"));
    RunCommand("xdotool key Return");
    ASSERT_TRUE(WaitUntilClosed(pid, kOpenFileTitle)) << picture.name;
    ASSERT_TRUE(WaitUntil([&] { return PictureFacts(trialFile) == JpegFacts(picture); }))
        << picture.name << " was not added and selected";
  }
  std::this_thread::sleep_for(500ms);
  TakeScreenshot(artifact("2-added.png"));

  // A click on the first entry selects it: the information rows fill with its picture.
  PixelRect list = map->Control(kInputPanel, kInputList);
  Click(list.x + 40, list.y + 8);
  ASSERT_TRUE(WaitUntil([&] { return PictureFacts(trialFile) == JpegFacts(kPictures[0]); }))
      << "the first entry was not selected";
  std::this_thread::sleep_for(500ms);
  TakeScreenshot(artifact("3-selected.png"));
  for (std::span<const int> row :
       {std::span<const int>(kBeforeRow), std::span<const int>(kAfterRow)}) {
    PixelRect rect = map->Around(kInputPanel, row);
    EXPECT_GT(DifferingPixels(artifact("1-start.png"), artifact("3-selected.png"), rect), 100)
        << "row at " << Geometry(rect) << " not filled";
    EXPECT_GT(DifferingPixels(artifact("2-added.png"), artifact("3-selected.png"), rect), 100)
        << "row at " << Geometry(rect) << " still shows the last picture added";
  }

  map->ClickControl(kActionPanel, kRunButton);
  ParkPointer();
  std::optional<ScreenWindow> message = WaitForWindow(pid, kMessageTitle);
  ASSERT_TRUE(message) << "no closing message";
  fs::remove(artifact("4-message-text.png"));
  ASSERT_TRUE(WaitUntil([&] {
    return ShootMessageText(*message, artifact("4-message.png"), artifact("4-message-text.png"));
  })) << "the closing message was not painted";
  ClickOk(*message);
  ASSERT_TRUE(WaitUntilClosed(pid, kMessageTitle));

  std::set<std::string> outputs;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder / "output")) {
    outputs.insert(entry.path().filename().string());
  }
  std::set<std::string> expected;
  for (const Picture& picture : kPictures) {
    std::string name = fs::path(picture.name).replace_extension(".jpg").string();
    expected.insert(name);
    EXPECT_EQ(PictureFacts(folder / "output" / name), JpegFacts(picture)) << name;
  }
  EXPECT_EQ(outputs, expected);

  // "アプリ終了", the fifth item, below "詳細設定...", the presets' two and "見積もり...".
  map->OpenFileMenu();
  RunCommand("xdotool key Down Down Down Down Down Return");
  std::optional<int> exitCode = program.WaitForExit();
  ASSERT_TRUE(exitCode) << "the program did not end";
  EXPECT_EQ(*exitCode, 0);

  // The program's message reads like this process's box with the success text, and unlike the
  // one with the failure text of the same length.
  ReferenceMessage success(artifact("5-success.png"), artifact("5-success-text.png"));
  ASSERT_TRUE(success.Show(kSuccessText));
  ReferenceMessage failure(artifact("6-failure.png"), artifact("6-failure-text.png"));
  ASSERT_TRUE(failure.Show(kFailureText));
  EXPECT_EQ(DifferingPixels(artifact("4-message-text.png"), artifact("5-success-text.png")), 0);
  EXPECT_GT(DifferingPixels(artifact("4-message-text.png"), artifact("6-failure-text.png")), 20);
}

}  // namespace
