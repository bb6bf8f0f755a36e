#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <iterator>

#include "platform/process.h"

namespace platform {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr std::size_t kSignalCount = std::size(kSignals);

void (*interruptCallback)() = nullptr;
// The handling of the signals before, restored when the handling ends.
std::array<struct sigaction, kSignalCount> previousHandling{};

void OnSignal(int signal) {
  if (interruptCallback != nullptr) interruptCallback();
  // The handler was reset on entry: the signal, delivered again when the handler returns, ends
  // the process with the status the caller expects of it.
  raise(signal);
}

}  // namespace

std::optional<std::string> ExecutableFolder() {
  char executable[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", executable, sizeof executable);
  if (length <= 0 || static_cast<std::size_t>(length) >= sizeof executable) return std::nullopt;
  const std::string path(executable, static_cast<std::size_t>(length));
  const std::size_t lastSeparator = path.rfind('/');
  if (lastSeparator == std::string::npos) return std::nullopt;
  return path.substr(0, lastSeparator + 1);
}

std::optional<std::string> UserSettingsFolder() {
  // A relative XDG_CONFIG_HOME is ignored, as desktops ignore it.
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  std::string folder;
  if (configHome != nullptr && configHome[0] == '/') {
    folder = configHome;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') return std::nullopt;
    folder = std::string(home) + "/.config";
  }
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder + "/trastel/";
}

bool IsInstalledProgramFolder(const std::string& folder) {
  return folder.starts_with("/usr/");
}

unsigned long CurrentProcessId() {
  return static_cast<unsigned long>(::getpid());
}

bool HasProcessEnded(unsigned long id) {
  if (id == 0 || id > static_cast<unsigned long>(INT_MAX)) return false;
  return ::kill(static_cast<pid_t>(id), 0) != 0 && errno == ESRCH;
}

bool IsConsole(std::FILE* stream) {
  return ::isatty(::fileno(stream)) != 0;
}

void UseUtf8Console(std::FILE*) {
  // Terminals here take the program's UTF-8 as it is.
}

void WriteText(std::FILE* stream, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stream);
}

InterruptHandling::InterruptHandling(void (*onInterrupt)()) {
  interruptCallback = onInterrupt;
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  for (int number : kSignals) sigaddset(&action.sa_mask, number);
  for (std::size_t i = 0; i < kSignalCount; ++i) {
    sigaction(kSignals[i], nullptr, &previousHandling[i]);
    // A signal the caller chose to ignore (a job started with nohup) stays ignored.
    if (previousHandling[i].sa_handler != SIG_IGN) sigaction(kSignals[i], &action, nullptr);
  }
}

InterruptHandling::~InterruptHandling() {
  for (std::size_t i = 0; i < kSignalCount; ++i) {
    sigaction(kSignals[i], &previousHandling[i], nullptr);
  }
  interruptCallback = nullptr;
}

}  // namespace platform
