#include "tests/win32/win32_driver.h"

#include <dlgs.h>

#include <array>
#include <fstream>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "platform/wide_text_windows.h"
#include "tests/support/reference_tool.h"

namespace win32_driver {

namespace {

namespace fs = std::filesystem;

constexpr UINT kAnswerMilliseconds = 5000;

DWORD RowBytes(int width) {
  return (static_cast<DWORD>(width) * 3 + 3) & ~3u;
}

std::wstring ClassOf(HWND window) {
  std::array<wchar_t, 256> name{};
  const int length = GetClassNameW(window, name.data(), static_cast<int>(name.size()));
  return std::wstring(name.data(), static_cast<std::size_t>(length > 0 ? length : 0));
}

std::vector<HWND> VisibleTopWindowsOf(DWORD processId) {
  struct Search {
    DWORD processId;
    std::vector<HWND> found;
  } search{processId, {}};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* search = reinterpret_cast<Search*>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == search->processId && IsWindowVisible(window)) search->found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> ChildrenOf(HWND parent) {
  std::vector<HWND> children;
  EnumChildWindows(
      parent,
      [](HWND window, LPARAM data) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&children));
  return children;
}

// Whether the window and every visible window in it have painted all they were asked to.
bool Painted(HWND window) {
  if (GetUpdateRect(window, nullptr, FALSE)) return false;
  for (HWND child : ChildrenOf(window)) {
    if (IsWindowVisible(child) && GetUpdateRect(child, nullptr, FALSE)) return false;
  }
  return true;
}

// Wine's item dialog has a plain edit box edt1 for the name; Windows' a combo box cmb13 with
// an edit box inside.
HWND FileNameBox(HWND dialog) {
  if (HWND box = GetDlgItem(dialog, edt1)) return box;
  if (HWND combo = GetDlgItem(dialog, cmb13))
    return FindWindowExW(combo, nullptr, L"Edit", nullptr);
  return nullptr;
}

// The pixels of a screen rectangle, 24-bit rows from the bottom up; empty when unreadable.
std::vector<char> ScreenPixels(const RECT& rect) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return {};
  struct ScreenReleaser {
    void operator()(HDC dc) const { ReleaseDC(nullptr, dc); }
  };
  struct DcDeleter {
    void operator()(HDC dc) const { DeleteDC(dc); }
  };
  struct ObjectDeleter {
    void operator()(HBITMAP bitmap) const { DeleteObject(bitmap); }
  };
  const std::unique_ptr<HDC__, ScreenReleaser> screen(GetDC(nullptr));
  const std::unique_ptr<HDC__, DcDeleter> memory(CreateCompatibleDC(screen.get()));
  const std::unique_ptr<HBITMAP__, ObjectDeleter> bitmap(
      CreateCompatibleBitmap(screen.get(), width, height));
  if (!screen || !memory || !bitmap) return {};
  const HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
  const bool copied = BitBlt(memory.get(), 0, 0, width, height, screen.get(), rect.left, rect.top,
                             SRCCOPY | CAPTUREBLT) != 0;
  SelectObject(memory.get(), previous);  // a bitmap is read only when no device holds it
  if (!copied) return {};
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<char> pixels(static_cast<std::size_t>(RowBytes(width)) * height);
  if (GetDIBits(memory.get(), bitmap.get(), 0, height, pixels.data(), &info, DIB_RGB_COLORS) !=
      height) {
    return {};
  }
  return pixels;
}

}  // namespace

bool WriteBitmapFile(const fs::path& bmp, int width, int height, const std::vector<char>& pixels) {
  const BITMAPINFOHEADER info{
      sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  BITMAPFILEHEADER header{};
  header.bfType = 0x4d42;  // "BM"
  header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  header.bfSize = header.bfOffBits + static_cast<DWORD>(pixels.size());
  std::ofstream file(bmp, std::ios::binary);
  file.write(reinterpret_cast<const char*>(&header), sizeof header);
  file.write(reinterpret_cast<const char*>(&info), sizeof info);
  file.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
  return static_cast<bool>(file);
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  for (const auto end = std::chrono::steady_clock::now() + timeout;;) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(100ms);
  }
}

Program::Program(const fs::path& executable, const std::vector<fs::path>& arguments) {
  std::wstring commandLine = L"\"" + executable.wstring() + L"\"";
  for (const fs::path& argument : arguments) commandLine += L" \"" + argument.wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(executable.wstring().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                      nullptr, nullptr, &startup, &started)) {
    return;
  }
  CloseHandle(started.hThread);
  process_.reset(started.hProcess);
  id_ = started.dwProcessId;
}

Program::~Program() {
  if (!process_ || WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0) return;
  TerminateProcess(process_.get(), 1);
  WaitForSingleObject(process_.get(), kAnswerMilliseconds);
}

std::optional<DWORD> Program::WaitForExit() {
  const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(kStepTimeout);
  DWORD status = 0;
  if (!process_ ||
      WaitForSingleObject(process_.get(), static_cast<DWORD>(waited.count())) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(process_.get(), &status)) {
    return std::nullopt;
  }
  return status;
}

bool Program::Ended() const {
  return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0;
}

HWND FindTopWindow(DWORD processId, const wchar_t* className, const std::wstring& title) {
  for (HWND window : VisibleTopWindowsOf(processId)) {
    if (ClassOf(window) == className && (title.empty() || TextOf(window) == title)) return window;
  }
  return nullptr;
}

HWND WaitForTopWindow(DWORD processId, const wchar_t* className, const std::wstring& title) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindTopWindow(processId, className, title)) != nullptr; });
  return found;
}

std::string DescribeTopWindows(DWORD processId) {
  std::string description;
  for (HWND window : VisibleTopWindowsOf(processId)) {
    description += "[" + Utf8(ClassOf(window)) + " \"" + Utf8(TextOf(window)) + "\"] ";
  }
  return description.empty() ? "no window" : description;
}

std::optional<LRESULT> Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                           kAnswerMilliseconds, &result)) {
    return std::nullopt;
  }
  return static_cast<LRESULT>(result);
}

std::wstring TextOf(HWND window) {
  std::array<wchar_t, 1024> text{};
  const std::optional<LRESULT> length =
      Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  if (!length || *length <= 0) return {};
  return std::wstring(text.data(), static_cast<std::size_t>(*length));
}

bool SetText(HWND window, const std::wstring& text) {
  return Send(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())).value_or(FALSE) ==
         TRUE;
}

std::wstring StaticTextsOf(HWND dialog) {
  std::wstring texts;
  for (HWND child : ChildrenOf(dialog)) {
    if (ClassOf(child) != L"Static") continue;
    if (const std::wstring text = TextOf(child); !text.empty()) texts += text + L"\n";
  }
  return texts;
}

bool Press(HWND button) {
  return button != nullptr && PostMessageW(button, BM_CLICK, 0, 0);
}

bool ChooseInFileDialog(HWND dialog, const fs::path& path) {
  const HWND box = FileNameBox(dialog);
  // The dialog takes a path only with the system's own separators.
  return box != nullptr && SetText(box, fs::path(path).make_preferred().wstring()) &&
         Press(GetDlgItem(dialog, IDOK));
}

bool SaveScreenshot(HWND window, const fs::path& png) {
  RECT rect{};
  if (!GetWindowRect(window, &rect)) return false;
  // The program paints when it has nothing else to do, and the display shows it a little later:
  // the picture is taken once nothing is left to paint and three looks in a row found it
  // unchanged.
  std::vector<char> pixels;
  int unchanged = 0;
  const bool steady = WaitUntil(
      [&] {
        std::vector<char> now = Painted(window) ? ScreenPixels(rect) : std::vector<char>();
        unchanged = !now.empty() && now == pixels ? unchanged + 1 : 0;
        pixels = std::move(now);
        return unchanged == 2;
      },
      10s);
  const fs::path bmp = fs::path(png).replace_extension(".bmp");
  if (!steady || !WriteBitmapFile(bmp, rect.right - rect.left, rect.bottom - rect.top, pixels)) {
    return false;
  }
  const bool converted = RunReferenceTool("/usr/bin/convert '" + platform::Utf8Of(bmp) + "' '" +
                                          platform::Utf8Of(png) + "'")
                             .succeeded;
  std::error_code ignored;
  fs::remove(bmp, ignored);
  return converted;
}

std::string Utf8(std::wstring_view text) {
  return platform::Narrow(text);
}

}  // namespace win32_driver
