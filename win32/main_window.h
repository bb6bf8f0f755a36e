// The main window: a window of fixed size with its menu and a client area of kClientWidth ×
// kClientHeight at 96 DPI (scaled to the monitor's resolution), the panels docked along its
// edges with their border lines, and the view in what they leave.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "win32/window_scale.h"

class Win32ControlLayer;

inline constexpr wchar_t kMainWindowClass[] = L"TrastelMainWindow";

class MainWindow {
 public:
  // Creates the window (hidden), builds its panels from their declarations, installs the
  // window's control layer and shows the first settings page; null when the window cannot be
  // created. `onClose` runs when the window is closed, before its controls go.
  static std::unique_ptr<MainWindow> Create(std::function<void()> onClose);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  HWND Handle() const { return window_; }
  // Centres the window on its monitor, shows it and gives its first control the focus.
  void Show(int showCommand);
  // The message loop, until the window has been closed; the status the loop ended with.
  static int Run(HWND window);
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  explicit MainWindow(std::function<void()> onClose) : onClose_(std::move(onClose)) {}
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void BuildPanels();
  void OnCommand(int commandId);
  void RunCommand(int commandId);
  // Gives the window the size whose client area is the layout's at the window's resolution.
  void KeepClientArea();
  void ChangeDpi(UINT dpi, const RECT& suggested);

  HWND window_ = nullptr;
  UINT dpi_ = kPlainDpi;
  FontHandle font_;
  std::function<void()> onClose_;
  // Owned by the installed control layer, which outlives the window.
  Win32ControlLayer* layer_ = nullptr;
  // Every child window with its place at 96 DPI in its parent.
  std::vector<PlacedWindow> placed_;
  // The control that had the focus when the window was last deactivated.
  HWND focus_ = nullptr;
};
