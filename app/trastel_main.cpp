// The program: the window with its panels, started and shut down as one single-document
// application.
#include <wx/app.h>
#include <wx/frame.h>

#include "app/start_up.h"
#include "panels/view_dispatch.h"
#include "ui/control_layer.h"
#include "ui/wx/compact_style.h"
#include "ui/wx/main_frame.h"

namespace {

constexpr char kTitle[] = "ヴィンボトラステル２ Ver 2.00 Updata 2006_0116";

class TrastelApp : public wxApp {
 public:
  bool OnInit() override {
    ApplyCompactStyle();
    wxFrame* frame = CreateMainFrame(ShutDown);
    GetControlLayer().SetEventSink(DispatchViewEvent);
    if (!InitProgramFolder() || !StartUp()) {
      // Closing the only window ends the program.
      frame->Close();
      return true;
    }
    frame->SetTitle(wxString::FromUTF8(kTitle));
    frame->CentreOnScreen();
    frame->Show();
    return true;
  }
};

}  // namespace

wxIMPLEMENT_APP(TrastelApp);
