#include "platform/desktop.h"

#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <system_error>
#include <thread>

extern char** environ;

namespace platform {
namespace {

using namespace std::chrono_literals;

constexpr auto kLaunchWait = 1500ms;
constexpr auto kPollInterval = 10ms;

// Starts the opener with the standard streams only: it must not inherit the program's files.
bool StartOpener(const std::string& target, pid_t& pid) {
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return false;
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  std::string opener = "xdg-open";
  std::string argument = target;
  char* argv[] = {opener.data(), argument.data(), nullptr};
  const int started = posix_spawnp(&pid, opener.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  return started == 0;
}

}  // namespace

bool OpenWithDesktop(const std::string& target) {
  std::string resolved = target;
  if (!IsDesktopAddress(target)) {
    std::error_code error;
    const std::filesystem::path file = std::filesystem::absolute(target, error);
    if (error || !std::filesystem::is_regular_file(file, error)) return false;
    resolved = file.lexically_normal().string();
  }
  pid_t pid = 0;
  if (!StartOpener(resolved, pid)) return false;
  for (auto end = std::chrono::steady_clock::now() + kLaunchWait;
       std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(kPollInterval)) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
  }
  // An opener that waits for the program it started is collected whenever it ends.
  std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
  return true;
}

}  // namespace platform
