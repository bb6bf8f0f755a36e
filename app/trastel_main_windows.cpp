// The program on Windows: the native window with its panels, started and shut down as one
// single-document application.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/program_title.h"
#include "app/start_up.h"
#include "controls/control_layer.h"
#include "platform/wide_text_windows.h"
#include "win32/main_window.h"
#include "window/input_list.h"
#include "window/view_dispatch.h"

namespace {

// COM, which the file dialogs need, for the life of the program.
class ComApartment {
 public:
  ComApartment()
      : initialised_(
            SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {
  }
  ~ComApartment() {
    if (initialised_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialised_;
};

// The command line's arguments after the program's name.
std::vector<std::string> Arguments() {
  int count = 0;
  struct Freer {
    void operator()(LPWSTR* block) const { LocalFree(block); }
  };
  const std::unique_ptr<LPWSTR, Freer> words(CommandLineToArgvW(GetCommandLineW(), &count));
  std::vector<std::string> arguments;
  for (int index = 1; words && index < count; ++index) {
    arguments.push_back(platform::Narrow(words.get()[index]));
  }
  return arguments;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
  ComApartment com;
  INITCOMMONCONTROLSEX controls{sizeof(controls),
                                ICC_STANDARD_CLASSES | ICC_TREEVIEW_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  std::unique_ptr<MainWindow> window = MainWindow::Create(ShutDown);
  if (!window) return EXIT_FAILURE;
  GetControlLayer().SetEventSink(DispatchViewEvent);
  const std::vector<std::string> files = FilesGivenAtStart(Arguments());
  if (!InitProgramFolder() || !StartUp()) {
    // Closing the window shuts down what was started; the program reports the failed start.
    SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
    return EXIT_FAILURE;
  }
  SetWindowTextW(window->Handle(), platform::Widen(kProgramTitle).c_str());
  window->Show(showCommand);
  // Added as the input panel's commands add them, once the window is on the screen.
  if (!files.empty()) AddPathsGivenAtStart(files);
  return MainWindow::Run(window->Handle());
}
