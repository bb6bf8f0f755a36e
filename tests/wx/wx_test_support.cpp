#include "tests/wx/wx_test_support.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/init.h>
#include <wx/time.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "wx/compact_style.h"

namespace {

void FailOnAssert(const wxString& file, int line, const wxString& function,
                  const wxString& condition, const wxString& message) {
  ADD_FAILURE() << "toolkit assertion " << file << ":" << line << " " << function << " "
                << condition << " " << message;
}

}  // namespace

DisplayLock::DisplayLock() {
  const char* display = std::getenv("DISPLAY");
  std::string path = std::string("/tmp/trastel-display-") + (display ? display : "") + ".lock";
  descriptor_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (descriptor_ >= 0) flock(descriptor_, LOCK_EX);
}

DisplayLock::~DisplayLock() {
  if (descriptor_ >= 0) close(descriptor_);
}

bool StartToolkit() {
  static bool started = false;
  if (started) return true;
  if (std::getenv("DISPLAY") == nullptr) return false;
  static int argc = 1;
  static char name[] = "wx_window_tests";
  static char* argv[] = {name, nullptr};
  wxApp::SetInstance(new wxApp());
  if (!wxEntryStart(argc, argv)) return false;
  wxSetAssertHandler(FailOnAssert);
  wxTheApp->CallOnInit();
  ApplyCompactStyle();
  started = true;
  return true;
}

void ProcessEventsFor(int milliseconds) {
  wxLongLong end = wxGetLocalTimeMillis() + milliseconds;
  wxEventLoop loop;
  wxEventLoopActivator activate(&loop);
  while (wxGetLocalTimeMillis() < end) {
    while (loop.Pending()) loop.Dispatch();
    wxTheApp->ProcessPendingEvents();
    wxTheApp->ProcessIdle();
    loop.YieldFor(wxEVT_CATEGORY_ALL);
    wxMilliSleep(10);
  }
}

WindowPlace ScreenPlaceOf(const std::string& windowId) {
  std::string report;
  if (FILE* pipe = popen(("xwininfo -id " + windowId + " 2>/dev/null").c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) report += buffer;
    pclose(pipe);
  }
  auto value = [&report](const std::string& label) {
    auto at = report.find(label);
    return at == std::string::npos ? -1 : std::atoi(report.c_str() + at + label.size());
  };
  return {value("Absolute upper-left X:"), value("Absolute upper-left Y:"), value("Width:"),
          value("Height:")};
}
