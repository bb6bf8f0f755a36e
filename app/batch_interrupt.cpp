#include "app/batch_interrupt.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <iterator>

#include "engine/imagelib/atomic_output.h"

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr std::size_t kSignalCount = std::size(kSignals);

// Set before the handlers are installed and cleared after they are removed.
char scratchFolder[4096] = {};

// Removes the files of a flat folder, then the folder, with async-signal-safe calls only.
void RemoveFlatFolder(const char* folder) {
  const int descriptor = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor >= 0) {
    alignas(dirent64) char entries[4096];
    ssize_t bytes;
    while ((bytes = getdents64(descriptor, entries, sizeof entries)) > 0) {
      for (ssize_t at = 0; at < bytes;) {
        const auto* entry = reinterpret_cast<const dirent64*>(entries + at);
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
          unlinkat(descriptor, entry->d_name, 0);
        }
        at += entry->d_reclen;
      }
    }
    close(descriptor);
  }
  rmdir(folder);
}

void OnInterrupt(int signal) {
  imagelib::RemoveTemporaryFilesInProgress();
  if (scratchFolder[0] != '\0') RemoveFlatFolder(scratchFolder);
  // The handler was reset on entry: the signal, delivered again when the handler returns, ends
  // the process with the status the caller expects of it.
  raise(signal);
}

}  // namespace

InterruptCleanup::InterruptCleanup(const std::string& folder) {
  if (folder.size() < sizeof scratchFolder) {
    std::memcpy(scratchFolder, folder.c_str(), folder.size() + 1);
  }
  struct sigaction action = {};
  action.sa_handler = OnInterrupt;
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  for (int number : kSignals) sigaddset(&action.sa_mask, number);
  for (std::size_t i = 0; i < kSignalCount; ++i) {
    sigaction(kSignals[i], nullptr, &previous_[i]);
    // A signal the caller chose to ignore (a job started with nohup) stays ignored.
    if (previous_[i].sa_handler != SIG_IGN) sigaction(kSignals[i], &action, nullptr);
  }
}

InterruptCleanup::~InterruptCleanup() {
  for (std::size_t i = 0; i < kSignalCount; ++i) sigaction(kSignals[i], &previous_[i], nullptr);
  scratchFolder[0] = '\0';
}
