// The program: the window with its panels, started and shut down as one single-document
// application.
#include <wx/app.h>
#include <wx/frame.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/program_title.h"
#include "app/start_up.h"
#include "controls/control_layer.h"
#include "window/input_list.h"
#include "window/view_dispatch.h"
#include "wx/compact_style.h"
#include "wx/main_frame.h"
#include "wx/user_locale.h"

namespace {

std::vector<std::string> Arguments(int argc, const wxCmdLineArgsArray& argv) {
  std::vector<std::string> arguments;
  for (int index = 1; index < argc; ++index) arguments.push_back(argv[index].utf8_string());
  return arguments;
}

class TrastelApp : public wxApp {
 public:
  bool OnInit() override {
    UseUserLocale();
    ApplyCompactStyle();
    wxFrame* frame = CreateMainFrame(ShutDown);
    GetControlLayer().SetEventSink(DispatchViewEvent);
    const std::vector<std::string> files = FilesGivenAtStart(Arguments(argc, argv));
    if (!InitProgramFolder() || !StartUp()) {
      // Closing the only window ends the program, which then reports the failed start.
      startFailed_ = true;
      frame->Close();
      return true;
    }
    frame->SetTitle(wxString::FromUTF8(kProgramTitle));
    frame->CentreOnScreen();
    frame->Show();
    // Added as the input panel's commands add them, once the window is on the screen.
    if (!files.empty()) CallAfter([files] { AddPathsGivenAtStart(files); });
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
