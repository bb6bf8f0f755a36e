#include "ui/wx/desktop_launch.h"

#include <glib.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr auto kLaunchWait = 1500ms;
constexpr auto kPollInterval = 10ms;

void ReapWhenDone(GPid pid, int, void*) {
  g_spawn_close_pid(pid);
}

}  // namespace

bool OpenWithDesktop(const std::string& target) {
  std::string opener = "xdg-open";
  std::string argument = target;
  char* argv[] = {opener.data(), argument.data(), nullptr};
  // The opener gets none of the program's open files but its standard streams.
  GPid pid = 0;
  if (!g_spawn_async(nullptr, argv, nullptr,
                     static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD),
                     nullptr, nullptr, &pid, nullptr)) {
    return false;
  }
  for (auto end = std::chrono::steady_clock::now() + kLaunchWait;
       std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(kPollInterval)) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
  }
  // The toolkit's main loop collects the opener when it ends.
  g_child_watch_add(pid, ReapWhenDone, nullptr);
  return true;
}
