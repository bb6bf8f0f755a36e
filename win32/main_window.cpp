#include "win32/main_window.h"

#include <exception>

#include "base/help_page.h"
#include "controls/panel_layout.h"
#include "platform/wide_text_windows.h"
#include "resources/control_ids.h"
#include "resources/main_menu.h"
#include "win32/about_dialog.h"
#include "win32/panel_builder.h"
#include "win32/program_icon.h"
#include "win32/win32_control_layer.h"
#include "window/settings_pages.h"

namespace {

// No maximise box and no sizing border: the window keeps its size.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
// The panels take part in the dialog manager's tab order.
constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT;
// A close asked for inside a handler is tried again at this interval until the handler returns.
constexpr UINT_PTR kCloseWaitTimer = 1;
constexpr UINT kCloseWaitInterval = 100;

HMENU CreateMainMenu() {
  HMENU bar = CreateMenu();
  for (const MenuTemplate& declaration : MainMenus()) {
    HMENU menu = CreatePopupMenu();
    for (const MenuItemTemplate* item : declaration.items) {
      AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(item->commandId),
                  platform::Widen(item->item).c_str());
    }
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(menu),
                platform::Widen(declaration.title).c_str());
  }
  return bar;
}

void RegisterMainClass() {
  WNDCLASSEXW mainClass{};
  mainClass.cbSize = sizeof(mainClass);
  mainClass.lpfnWndProc = MainWindow::Procedure;
  mainClass.hInstance = GetModuleHandleW(nullptr);
  mainClass.hIcon = ProgramIcon(GetSystemMetrics(SM_CXICON));
  mainClass.hIconSm = ProgramIcon(GetSystemMetrics(SM_CXSMICON));
  mainClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  mainClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  mainClass.lpszClassName = kMainWindowClass;
  RegisterClassExW(&mainClass);
}

HWND CreateBorderLine(HWND parent) {
  return CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE | SS_ETCHEDFRAME, 0, 0, 0, 0,
                         parent, nullptr, GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

std::unique_ptr<MainWindow> MainWindow::Create(std::function<void()> onClose) {
  RegisterMainClass();
  std::unique_ptr<MainWindow> main(new MainWindow(std::move(onClose)));
  main->window_ = CreateWindowExW(kWindowExStyle, kMainWindowClass, L"", kWindowStyle,
                                  CW_USEDEFAULT, CW_USEDEFAULT, kClientWidth, kClientHeight,
                                  nullptr, CreateMainMenu(), GetModuleHandleW(nullptr), main.get());
  if (main->window_ == nullptr) return nullptr;
  main->dpi_ = GetDpiForWindow(main->window_);
  main->font_ = CreateDialogFont(main->dpi_);
  main->BuildPanels();
  ShowSettingsPage(0);
  main->KeepClientArea();
  return main;
}

MainWindow::~MainWindow() {
  if (window_ != nullptr && IsWindow(window_)) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
}

void MainWindow::BuildPanels() {
  HWND view = CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window_,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  auto layer = std::make_unique<Win32ControlLayer>(window_, view);
  FrameLayout layout = LayoutPanels(kClientWidth, kClientHeight);
  for (const PanelPlacement& placement : layout.panels) {
    const PanelTemplate& declaration = *FindPanelTemplate(placement.barId);
    HWND panel = CreatePanelWindow(window_, placement.barId, declaration.acceptsFiles, *layer);
    placed_.push_back({panel, placement.rect});
    placed_.push_back({CreateBorderLine(window_), placement.borderLine});
    BuildPanelControls(panel, declaration, placement.rect, dpi_, font_.get(), *layer, placed_);
    layer->AddPanel(placement.barId, panel);
  }
  placed_.push_back({view, layout.view});
  for (const PlacedWindow& placed : placed_) PlaceAtDpi(placed, dpi_);
  layer_ = layer.get();
  SetControlLayer(std::move(layer));
}

void MainWindow::KeepClientArea() {
  RECT frame{0, 0, ScaleToDpi(kClientWidth, dpi_), ScaleToDpi(kClientHeight, dpi_)};
  AdjustWindowRectExForDpi(&frame, kWindowStyle, TRUE, kWindowExStyle, dpi_);
  SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // A menu bar that takes more than one line makes the client area shorter: the rest is
  // added.
  RECT client{};
  GetClientRect(window_, &client);
  int missingWidth = ScaleToDpi(kClientWidth, dpi_) - client.right;
  int missingHeight = ScaleToDpi(kClientHeight, dpi_) - client.bottom;
  if (missingWidth != 0 || missingHeight != 0) {
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left + missingWidth,
                 frame.bottom - frame.top + missingHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void MainWindow::Show(int showCommand) {
  RECT frame{};
  GetWindowRect(window_, &frame);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& area = monitor.rcWork;
  int width = frame.right - frame.left;
  int height = frame.bottom - frame.top;
  SetWindowPos(window_, nullptr, area.left + (area.right - area.left - width) / 2,
               area.top + (area.bottom - area.top - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(window_, showCommand);
  UpdateWindow(window_);
  if (HWND first = GetNextDlgTabItem(window_, nullptr, FALSE)) SetFocus(first);
}

int MainWindow::Run(HWND window) {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    // The dialog manager moves the focus with Tab and the arrow keys, as in a dialog.
    if (IsWindow(window) && IsDialogMessageW(window, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

LRESULT CALLBACK MainWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* main = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    main->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(main));
  }
  auto* main = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (main == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  return main->Handle(message, wParam, lParam);
}

void MainWindow::OnCommand(int commandId) {
  // No exception may cross the message loop: a failing command is reported instead.
  try {
    RunCommand(commandId);
  } catch (const std::exception& failure) {
    GetControlLayer().ShowMessageBox(failure.what());
  }
}

void MainWindow::RunCommand(int commandId) {
  switch (commandId) {
    case kExitCommand:
      SendMessageW(window_, WM_CLOSE, 0, 0);
      break;
    case kHelpCommand:
      OpenHelpPage();
      break;
    case kAboutCommand:
      ShowAboutDialog(window_);
      break;
    case kMoreSettingsCommand:
    case kSavePresetCommand:
    case kPresetsCommand:
    case kEstimateCommand:
      if (layer_ != nullptr) layer_->Raise({0, commandId, Notification::kMenuCommand, {}});
      break;
    default:
      break;
  }
}

void MainWindow::ChangeDpi(UINT dpi, const RECT& suggested) {
  dpi_ = dpi;
  // The controls take the new font before the old one goes.
  FontHandle font = CreateDialogFont(dpi_);
  ApplyFont(window_, font.get());
  ApplyReducedFonts(placed_, dpi_);
  if (layer_ != nullptr) layer_->RefitFilledFonts(dpi_);
  font_ = std::move(font);
  for (const PlacedWindow& placed : placed_) PlaceAtDpi(placed, dpi_);
  SetWindowPos(window_, nullptr, suggested.left, suggested.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  KeepClientArea();
  InvalidateRect(window_, nullptr, TRUE);
}

LRESULT MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      // Menu items; the controls notify their panels.
      if (lParam == 0 && HIWORD(wParam) == 0) OnCommand(LOWORD(wParam));
      return 0;
    case WM_CLOSE:
      // Asked to close from inside a handler (a conversion pumping messages): the window closes
      // once the handler has returned, as it still uses what closing destroys.
      if (ControlLayer::IsHandlingNotification()) {
        SetTimer(window_, kCloseWaitTimer, kCloseWaitInterval, nullptr);
        return 0;
      }
      if (onClose_) onClose_();
      // The layer stays for the rest of the process; it only stops passing notifications on.
      GetControlLayer().SetEventSink(nullptr);
      DestroyWindow(window_);
      return 0;
    case WM_TIMER:
      if (wParam == kCloseWaitTimer && !ControlLayer::IsHandlingNotification()) {
        KillTimer(window_, kCloseWaitTimer);
        PostMessageW(window_, WM_CLOSE, 0, 0);
      }
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
      window_ = nullptr;
      break;
    case WM_SETCURSOR:
      if (layer_ != nullptr && layer_->Waiting()) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_ACTIVATE:
      // The focus returns to the control that had it when the window is activated again.
      if (LOWORD(wParam) == WA_INACTIVE) {
        focus_ = GetFocus();
      } else if (focus_ != nullptr && IsWindow(focus_) && IsChild(window_, focus_)) {
        SetFocus(focus_);
        return 0;
      }
      break;
    case Win32ControlLayer::kPostedTasksMessage:
      Win32ControlLayer::RunPostedTasksNow();
      return 0;
    case WM_DPICHANGED:
      ChangeDpi(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}
