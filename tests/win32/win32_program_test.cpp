// Starts the real trastel.exe in an empty program folder and drives it through Win32 calls as a
// user would: the first-start message and settings file, the window's title and size, a
// picture added through the open-file dialog, the output folder chosen through the folder
// dialog, a conversion, every settings page, and closing through the menu. Screenshots of the
// first start and of each page are kept as test artifacts. A run stopped by its button and one
// that goes on past a broken picture are driven the same way.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/wide_text_windows.h"
#include "resources/control_ids.h"
#include "tests/support/default_settings.h"
#include "tests/support/reference_tool.h"
#include "tests/support/unique_folder.h"
#include "tests/win32/win32_driver.h"

namespace {

namespace fs = std::filesystem;
using namespace win32_driver;

constexpr wchar_t kMainClass[] = L"TrastelMainWindow";
constexpr wchar_t kDialogClass[] = L"#32770";
constexpr wchar_t kMainTitle[] = L"ヴィンボトラステル２ Ver 2.00 Updata 2006_0116";
constexpr wchar_t kMessageTitle[] = L"メッセージボックス";
// The caption of a yes-or-no question.
constexpr wchar_t kQuestionTitle[] = L"メッセージ";
constexpr wchar_t kOpenFileTitle[] = L"どのファイルを変換する？？";
constexpr wchar_t kFolderTitle[] = L"画像を出力場所を指定してください！";
constexpr char kCreatedText[] = "下記の場所に設定ファイルを作成しました。";
constexpr char kSuccessText[] = "変換が成功しました！";
constexpr int kClientWidth = 630;
constexpr int kClientHeight = 464;

// The settings tree's items from top to bottom and the page each shows.
struct Page {
  int barId;
  const char* name;
};
constexpr Page kPages[] = {
    {kBmpPage, "bmp"},     {kJpgPage, "jpg"},       {kPngPage, "png"},     {kGifPage, "gif"},
    {kHtmPage, "htm"},     {kWebpPage, "webp"},     {kAvifPage, "avif"},   {kJxlPage, "jxl"},
    {kFilterPage, "edit"}, {kRenamePage, "rename"}, {kOtherPage, "other"},
};

std::string ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ForwardSlashed(std::string path) {
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

// The third line, the output folder, written with forward slashes.
std::string WithForwardSlashedFolder(std::string settings) {
  const std::size_t lineStart = settings.find("\r\n", settings.find("#SAVE=")) + 2;
  const std::size_t lineEnd = settings.find("\r\n", lineStart);
  if (lineStart < 2 || lineEnd == std::string::npos) return settings;
  return settings.replace(lineStart, lineEnd - lineStart,
                          ForwardSlashed(settings.substr(lineStart, lineEnd - lineStart)));
}

// The picture kind and size ImageMagick reads from a file, e.g. "BMP 160x120".
std::string PictureFacts(const fs::path& file) {
  return RunReferenceTool("/usr/bin/identify -format '%m %wx%h' '" + platform::Utf8Of(file) + "'")
      .output;
}

std::vector<int> VisiblePages(HWND main) {
  std::vector<int> visible;
  for (const Page& page : kPages) {
    if (IsWindowVisible(GetDlgItem(main, page.barId))) visible.push_back(page.barId);
  }
  return visible;
}

// The program copied into `folder` with a settings file that writes into `output`.
void InstallProgram(const fs::path& folder, const fs::path& output) {
  const fs::path bin = TRASTEL_BIN_DIR;
  fs::copy_file(bin / "trastel.exe", folder / "trastel.exe");
  fs::copy(bin / "Data", folder / "Data",
           fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  std::ofstream(folder / "Data" / "Confing.inf", std::ios::binary)
      << DefaultSettings(ForwardSlashed(platform::Utf8Of(output)) + "/");
}

struct FolderRemover {
  fs::path folder;
  ~FolderRemover() {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }
};

TEST(Win32ProgramTest, FirstStartConversionSettingsPagesAndClosing) {
  // Under Wine the windows need an X display; without one the test must fail, not hang.
  if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "the window test needs a display";
  }
  {
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(dpi, 96) << "the window's size is checked at 100 % scaling";
  }
  const fs::path folder = MakeUniqueFolder("trastel-win32-program");
  const FolderRemover remover{folder};
  const fs::path bin = TRASTEL_BIN_DIR;
  fs::copy_file(bin / "trastel.exe", folder / "trastel.exe");
  fs::copy(bin / "Data", folder / "Data", fs::copy_options::recursive);
  fs::remove(folder / "Data" / "Confing.inf");
  const fs::path input = folder / platform::PathOf("入力");
  const fs::path output = folder / platform::PathOf("出力");
  fs::create_directories(input);
  fs::create_directories(output);
  const fs::path picture = input / platform::PathOf("夕焼け.jpg");
  fs::copy_file(fs::path(TRASTEL_SOURCE_DIR) / "samples/sunset.jpg", picture);
  const std::string pictureFacts = PictureFacts(picture);
  ASSERT_EQ(pictureFacts.rfind("JPEG ", 0), 0u) << pictureFacts;
  const fs::path artifacts = fs::absolute(TRASTEL_ARTIFACT_DIR);
  fs::create_directories(artifacts);
  // The program's folder as it names it: its path with forward slashes and one at the end.
  const std::string programFolder = ForwardSlashed(platform::Utf8Of(folder)) + "/";

  Program program(folder / "trastel.exe");
  ASSERT_TRUE(program.Started()) << "error " << GetLastError();
  const DWORD id = program.Id();

  // First start: the settings file is made and named in a message.
  const HWND created = WaitForTopWindow(id, kDialogClass, kMessageTitle);
  ASSERT_NE(created, nullptr) << "no first-start message: " << DescribeTopWindows(id);
  const std::string createdText = ForwardSlashed(Utf8(StaticTextsOf(created)));
  EXPECT_NE(createdText.find(kCreatedText), std::string::npos) << createdText;
  EXPECT_NE(createdText.find(programFolder + "Data/Confing.inf"), std::string::npos) << createdText;
  EXPECT_EQ(ReadBytes(folder / "Data" / "Confing.inf"), DefaultSettings(programFolder));
  ASSERT_TRUE(Press(GetDlgItem(created, IDOK)));
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(created); }));

  const HWND main = WaitForTopWindow(id, kMainClass);
  ASSERT_NE(main, nullptr) << "no main window: " << DescribeTopWindows(id);
  EXPECT_EQ(TextOf(main), kMainTitle);
  RECT client{};
  ASSERT_TRUE(GetClientRect(main, &client));
  EXPECT_EQ(client.right, kClientWidth);
  EXPECT_EQ(client.bottom, kClientHeight);
  const LONG_PTR style = GetWindowLongPtrW(main, GWL_STYLE);
  EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0) << "the window's size is fixed";
  EXPECT_TRUE(SaveScreenshot(main, artifacts / "win32-first-start.png"));

  // A picture added through the open-file dialog.
  const HWND inputPanel = GetDlgItem(main, kInputPanel);
  const HWND list = GetDlgItem(inputPanel, kInputList);
  ASSERT_NE(list, nullptr);
  ASSERT_TRUE(Press(GetDlgItem(inputPanel, kAddOneButton)));
  const HWND open = WaitForTopWindow(id, kDialogClass, kOpenFileTitle);
  ASSERT_NE(open, nullptr) << "no open-file dialog: " << DescribeTopWindows(id);
  EXPECT_FALSE(IsWindowEnabled(main)) << "the open-file dialog is not modal";
  ASSERT_TRUE(ChooseInFileDialog(open, picture));
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(open); })) << DescribeTopWindows(id);
  EXPECT_TRUE(WaitUntil([&] { return Send(list, LB_GETCOUNT) == 1; }))
      << Send(list, LB_GETCOUNT).value_or(-1) << " entries";

  // The output folder chosen through the folder dialog.
  ASSERT_TRUE(Press(GetDlgItem(inputPanel, kBrowseFolderButton)));
  const HWND pick = WaitForTopWindow(id, kDialogClass, kFolderTitle);
  ASSERT_NE(pick, nullptr) << "no folder dialog: " << DescribeTopWindows(id);
  ASSERT_TRUE(ChooseInFileDialog(pick, output));
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(pick); })) << DescribeTopWindows(id);
  const std::string outputFolder = ForwardSlashed(platform::Utf8Of(output)) + "/";
  EXPECT_EQ(ForwardSlashed(Utf8(TextOf(GetDlgItem(inputPanel, kOutputFolderBox)))), outputFolder);

  // 実行: the picture converted with the first-start settings, to a Windows 3 bitmap.
  ASSERT_TRUE(Press(GetDlgItem(GetDlgItem(main, kActionPanel), kRunButton)));
  const HWND done = WaitForTopWindow(id, kDialogClass, kMessageTitle);
  ASSERT_NE(done, nullptr) << "no closing message: " << DescribeTopWindows(id);
  EXPECT_NE(Utf8(StaticTextsOf(done)).find(kSuccessText), std::string::npos)
      << Utf8(StaticTextsOf(done));
  ASSERT_TRUE(Press(GetDlgItem(done, IDOK)));
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(done); }));
  std::set<fs::path> outputs;
  for (const fs::directory_entry& entry : fs::directory_iterator(output)) {
    outputs.insert(entry.path().filename());
  }
  const fs::path converted = platform::PathOf("夕焼け.bmp");
  EXPECT_EQ(outputs, std::set<fs::path>{converted});
  EXPECT_EQ(PictureFacts(output / converted), "BMP3 " + pictureFacts.substr(5));

  // Each settings page, the tree's first one last since it is selected already.
  const HWND tree = GetDlgItem(GetDlgItem(main, kSettingsTreePanel), kSettingsTree);
  ASSERT_EQ(Send(tree, TVM_GETCOUNT), static_cast<LRESULT>(std::size(kPages)));
  std::vector<LRESULT> items{Send(tree, TVM_GETNEXTITEM, TVGN_ROOT).value_or(0)};
  while (items.size() < std::size(kPages)) {
    items.push_back(Send(tree, TVM_GETNEXTITEM, TVGN_NEXT, items.back()).value_or(0));
  }
  EXPECT_EQ(VisiblePages(main), std::vector<int>{kPages[0].barId});
  for (std::size_t step = 1; step <= std::size(kPages); ++step) {
    const std::size_t page = step % std::size(kPages);
    ASSERT_NE(items[page], 0) << kPages[page].name;
    EXPECT_TRUE(Send(tree, TVM_SELECTITEM, TVGN_CARET, items[page]).value_or(FALSE));
    EXPECT_TRUE(WaitUntil([&] {
      return VisiblePages(main) == std::vector<int>{kPages[page].barId};
    })) << kPages[page].name;
    EXPECT_TRUE(SaveScreenshot(main, artifacts / ("win32-page-" + std::to_string(page + 1) + "-" +
                                                  kPages[page].name + ".png")));
  }

  // Closing through the menu's exit command saves the settings with the folder chosen.
  ASSERT_TRUE(PostMessageW(main, WM_COMMAND, kExitCommand, 0));
  const std::optional<DWORD> status = program.WaitForExit();
  ASSERT_TRUE(status) << "the program did not end: " << DescribeTopWindows(id);
  EXPECT_EQ(*status, 0u);
  EXPECT_EQ(WithForwardSlashedFolder(ReadBytes(folder / "Data" / "Confing.inf")),
            DefaultSettings(outputFolder));
}

// Files and folders given on the command line are added at start; the 詳細設定 dialog opens from
// the menu, keeps its texts whole and stores what OK leaves in Trastel.inf.
TEST(Win32ProgramTest, FilesGivenAtStartAndTheMoreSettingsDialog) {
  const fs::path folder = MakeUniqueFolder("trastel-win32-arguments");
  const FolderRemover remover{folder};
  InstallProgram(folder, folder);
  const fs::path input = folder / platform::PathOf("写真");
  fs::create_directories(input / "more");
  const fs::path samples = fs::path(TRASTEL_SOURCE_DIR) / "samples";
  fs::copy_file(samples / "sunset.jpg", input / platform::PathOf("夕焼け.jpg"));
  fs::copy_file(samples / "sunset.jpg", input / "more" / "a.jpg");
  fs::copy_file(samples / "sunset.jpg", input / "more" / "b.jpg");

  Program program(folder / "trastel.exe", {input / platform::PathOf("夕焼け.jpg"), input / "more"});
  ASSERT_TRUE(program.Started()) << "error " << GetLastError();
  const HWND main = WaitForTopWindow(program.Id(), kMainClass);
  ASSERT_NE(main, nullptr) << "no main window: " << DescribeTopWindows(program.Id());
  const HWND list = GetDlgItem(GetDlgItem(main, kInputPanel), kInputList);
  EXPECT_TRUE(WaitUntil([&] { return Send(list, LB_GETCOUNT) == 3; }))
      << Send(list, LB_GETCOUNT).value_or(-1) << " entries: " << DescribeTopWindows(program.Id());

  ASSERT_TRUE(PostMessageW(main, WM_COMMAND, kMoreSettingsCommand, 0));
  const HWND dialog = WaitForTopWindow(program.Id(), kDialogClass, L"詳細設定");
  ASSERT_NE(dialog, nullptr) << "no 詳細設定 dialog: " << DescribeTopWindows(program.Id());
  EXPECT_FALSE(IsWindowEnabled(main)) << "the dialog is not modal";
  EXPECT_TRUE(
      SaveScreenshot(dialog, fs::absolute(TRASTEL_ARTIFACT_DIR) / "more-settings-win32.png"));
  EXPECT_EQ(Send(GetDlgItem(dialog, kShapeStretchRadio), BM_GETCHECK), BST_CHECKED);
  Send(GetDlgItem(dialog, kShapeLongSideRadio), BM_CLICK);
  Send(GetDlgItem(dialog, kNoEnlargeCheck), BM_CLICK);
  ASSERT_TRUE(SetText(GetDlgItem(dialog, kJpegMaxKbBox), L"180"));
  ASSERT_TRUE(Press(GetDlgItem(dialog, IDOK)));
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); })) << DescribeTopWindows(program.Id());

  // The about box shows the version whole.
  ASSERT_TRUE(PostMessageW(main, WM_COMMAND, kAboutCommand, 0));
  const HWND about = WaitForTopWindow(program.Id(), kDialogClass, L"バージョン情報 ");
  ASSERT_NE(about, nullptr) << "no about box: " << DescribeTopWindows(program.Id());
  EXPECT_TRUE(SaveScreenshot(about, fs::absolute(TRASTEL_ARTIFACT_DIR) / "win32-about.png"));
  ASSERT_TRUE(Press(GetDlgItem(about, IDOK)));
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(about); })) << DescribeTopWindows(program.Id());

  ASSERT_TRUE(PostMessageW(main, WM_COMMAND, kExitCommand, 0));
  EXPECT_TRUE(program.WaitForExit());
  const std::string extras = ReadBytes(folder / "Data" / "Trastel.inf");
  EXPECT_NE(extras.find("#RESIZE_FIT=\t2\r\n#NO_ENLARGE=\t1\r\n#JPG_MAX_KB=\t180\r\n"),
            std::string::npos)
      << extras;
}

// Under 続ける a broken picture is listed on a page at the end instead of stopping the run; during
// a run the button reads 中止 and stops it, leaving only whole outputs.
TEST(Win32ProgramTest, TheRunButtonStopsARunThatGoesOnPastABrokenPicture) {
  const fs::path folder = MakeUniqueFolder("trastel-win32-stop");
  const FolderRemover remover{folder};
  const fs::path output = folder / "out";
  fs::create_directories(output);
  InstallProgram(folder, output);
  std::ofstream(folder / "Data" / "Trastel.inf", std::ios::binary)
      << "#FORMAT TRASTEL_EXTRAS_100 (*.inf,*.INF)\r\n#ON_ERROR=\t1\r\n#END\r\n";
  // Pictures that take a while to convert, the last one broken.
  const fs::path input = folder / "in";
  fs::create_directories(input);
  ASSERT_TRUE(RunReferenceTool("/usr/bin/convert -size 2000x1500 plasma:fractal '" +
                               platform::Utf8Of(input / "p00.jpg") + "'")
                  .succeeded);
  constexpr int kPictures = 40;
  for (int i = 1; i < kPictures - 1; ++i) {
    fs::copy_file(input / "p00.jpg", input / ("p" + std::to_string(10 + i) + ".jpg"));
  }
  std::ofstream(input / "p99.jpg", std::ios::binary)
      << std::string("\xff\xd8\xff\xe0\x00\x10JFIF\x00", 11);

  Program program(folder / "trastel.exe", {input});
  ASSERT_TRUE(program.Started()) << "error " << GetLastError();
  const HWND main = WaitForTopWindow(program.Id(), kMainClass);
  ASSERT_NE(main, nullptr) << "no main window: " << DescribeTopWindows(program.Id());
  const HWND list = GetDlgItem(GetDlgItem(main, kInputPanel), kInputList);
  ASSERT_TRUE(WaitUntil([&] { return Send(list, LB_GETCOUNT) == kPictures; }))
      << Send(list, LB_GETCOUNT).value_or(-1) << " entries";
  const HWND run = GetDlgItem(GetDlgItem(main, kActionPanel), kRunButton);
  // Answers the message boxes until the one that contains `text`; false when none comes.
  const auto answerUntil = [&](const std::string& text) {
    for (int box = 0; box < 3; ++box) {
      const HWND message = WaitForTopWindow(program.Id(), kDialogClass, kMessageTitle);
      if (message == nullptr) return false;
      const std::string said = Utf8(StaticTextsOf(message));
      Press(GetDlgItem(message, IDOK));
      WaitUntil([&] { return !IsWindow(message); });
      if (said.find(text) != std::string::npos) return true;
    }
    return false;
  };

  ASSERT_TRUE(Press(run));
  ASSERT_TRUE(WaitUntil([&] { return TextOf(run) == L"中止"; }));
  // A whole output, not a temporary file that will go with the stop. Under Wine on a loaded
  // machine the first 3-megapixel picture may take longer than an ordinary step.
  ASSERT_TRUE(WaitUntil(
      [&] {
        for (const auto& file : fs::directory_iterator(output)) {
          if (file.path().extension() == ".bmp") return true;
        }
        return false;
      },
      4 * kStepTimeout))
      << DescribeTopWindows(program.Id());
  ASSERT_TRUE(Press(run));
  EXPECT_TRUE(answerUntil("中止しました。")) << DescribeTopWindows(program.Id());
  EXPECT_TRUE(WaitUntil([&] { return TextOf(run) == L"実行"; }));
  int whole = 0;
  for (const auto& file : fs::directory_iterator(output)) {
    EXPECT_EQ(file.path().extension(), ".bmp") << file.path();
    EXPECT_EQ(PictureFacts(file.path()), "BMP3 2000x1500") << file.path();
    ++whole;
  }
  EXPECT_GE(whole, 1);
  EXPECT_LT(whole, kPictures - 1);

  // Run to the end: every good picture, the broken one on the page; asked, the list keeps only
  // the broken one.
  ASSERT_TRUE(Press(run));
  const HWND question = WaitForTopWindow(program.Id(), kDialogClass, kQuestionTitle);
  ASSERT_NE(question, nullptr) << DescribeTopWindows(program.Id());
  const std::string asked = Utf8(StaticTextsOf(question));
  EXPECT_NE(asked.find(std::to_string(kPictures - 1) + " 件変換、1 件失敗しました。"),
            std::string::npos)
      << asked;
  EXPECT_NE(asked.find("失敗した画像だけをリストに残しますか？"), std::string::npos) << asked;
  Press(GetDlgItem(question, IDYES));
  EXPECT_TRUE(WaitUntil([&] { return Send(list, LB_GETCOUNT) == 1; }))
      << Send(list, LB_GETCOUNT).value_or(-1) << " entries";
  const std::string report = ReadBytes(folder / "Data" / "__Temp" / "failed.html");
  EXPECT_NE(report.find("p99.jpg"), std::string::npos) << report;
  // The page opens in the browser, or a message says it could not: answered while the program
  // closes.
  ASSERT_TRUE(PostMessageW(main, WM_COMMAND, kExitCommand, 0));
  EXPECT_TRUE(WaitUntil([&] {
    if (HWND box = FindWindowW(kDialogClass, kMessageTitle)) Press(GetDlgItem(box, IDOK));
    return program.Ended();
  })) << DescribeTopWindows(program.Id());
}

}  // namespace
