// The program: the window with its panels, started and shut down as one single-document
// application.
#include <wx/app.h>
#include <wx/frame.h>

#include <cstdlib>

#include "app/program_title.h"
#include "app/start_up.h"
#include "panels/view_dispatch.h"
#include "ui/control_layer.h"
#include "ui/wx/compact_style.h"
#include "ui/wx/main_frame.h"

namespace {

class TrastelApp : public wxApp {
 public:
  bool OnInit() override {
    ApplyCompactStyle();
    wxFrame* frame = CreateMainFrame(ShutDown);
    GetControlLayer().SetEventSink(DispatchViewEvent);
    if (!InitProgramFolder() || !StartUp()) {
      // Closing the only window ends the program, which then reports the failed start.
      startFailed_ = true;
      frame->Close();
      return true;
    }
    frame->SetTitle(wxString::FromUTF8(kProgramTitle));
    frame->CentreOnScreen();
    frame->Show();
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
