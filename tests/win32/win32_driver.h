// Drives a Windows program from outside through Win32 calls, as a user would: starts it, finds
// its windows, reads and sets their controls, presses buttons and photographs a window. Every
// wait is bounded, so a program that hangs fails the test instead of stopping it.
#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace win32_driver {

using namespace std::chrono_literals;

inline constexpr std::chrono::milliseconds kStepTimeout = 30s;

// Polls `done` until it holds or `timeout` has passed; whether it held.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = kStepTimeout);

// A started program, ended by force at destruction unless it ended by itself.
class Program {
 public:
  explicit Program(const std::filesystem::path& executable,
                   const std::vector<std::filesystem::path>& arguments = {});
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  bool Started() const { return process_ != nullptr; }
  DWORD Id() const { return id_; }
  // Its exit status once it has ended; nothing when it did not end in time.
  std::optional<DWORD> WaitForExit();
  bool Ended() const;

 private:
  struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
  };
  std::unique_ptr<void, HandleCloser> process_;
  DWORD id_ = 0;
};

// The visible top-level window of the process with window class `className` and, unless
// `title` is empty, that title; nullptr when there is none (yet).
HWND FindTopWindow(DWORD processId, const wchar_t* className, const std::wstring& title = {});
HWND WaitForTopWindow(DWORD processId, const wchar_t* className, const std::wstring& title = {});
// Class and title of each visible top-level window of the process, for failure messages.
std::string DescribeTopWindows(DWORD processId);

// A message sent to a window of another process; nothing when it did not answer in time.
std::optional<LRESULT> Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
std::wstring TextOf(HWND window);
bool SetText(HWND window, const std::wstring& text);
// The texts of a dialog's Static children, each on a line of its own.
std::wstring StaticTextsOf(HWND dialog);
// Presses a button. Posted, since a button that opens a modal dialog answers only when the
// dialog has closed.
bool Press(HWND button);

// Chooses `path` in an open-file or folder dialog: types it into the file name box and presses
// the dialog's OK button.
bool ChooseInFileDialog(HWND dialog, const std::filesystem::path& path);

// Saves what the screen shows of the window as a PNG picture (made by the reference tool from
// a bitmap file, which is removed).
bool SaveScreenshot(HWND window, const std::filesystem::path& png);

std::string Utf8(std::wstring_view text);

// Writes a 24-bit bitmap file of bottom-up rows, each padded to 4 bytes.
bool WriteBitmapFile(const std::filesystem::path& bmp, int width, int height,
                     const std::vector<char>& pixels);

}  // namespace win32_driver
