// The program: the window with its panels, started and shut down as one single-document
// application.
#include <wx/app.h>
#include <wx/frame.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/program_title.h"
#include "app/start_up.h"
#include "panels/view_dispatch.h"
#include "panels/view_operations.h"
#include "platform/files.h"
#include "ui/control_layer.h"
#include "ui/wx/compact_style.h"
#include "ui/wx/main_frame.h"

namespace {

// The files named on the command line (a desktop's "open with"), made absolute before the working
// directory becomes the program folder.
std::vector<std::string> FilesToOpen(int argc, const wxCmdLineArgsArray& argv) {
  std::vector<std::string> files;
  for (int index = 1; index < argc; ++index) {
    const std::filesystem::path path = platform::PathOf(argv[index].utf8_string());
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    files.push_back(platform::Utf8Of(error ? path : absolute));
  }
  return files;
}

class TrastelApp : public wxApp {
 public:
  bool OnInit() override {
    ApplyCompactStyle();
    wxFrame* frame = CreateMainFrame(ShutDown);
    GetControlLayer().SetEventSink(DispatchViewEvent);
    const std::vector<std::string> files = FilesToOpen(argc, argv);
    if (!InitProgramFolder() || !StartUp()) {
      // Closing the only window ends the program, which then reports the failed start.
      startFailed_ = true;
      frame->Close();
      return true;
    }
    frame->SetTitle(wxString::FromUTF8(kProgramTitle));
    frame->CentreOnScreen();
    frame->Show();
    // Added as if dropped on the list, once the window is on the screen.
    if (!files.empty()) CallAfter([files] { OnInputDrop(files); });
    return true;
  }

  int OnRun() override {
    const int status = wxApp::OnRun();
    return startFailed_ ? EXIT_FAILURE : status;
  }

 private:
  bool startFailed_ = false;
};

}  // namespace

wxIMPLEMENT_APP(TrastelApp);
