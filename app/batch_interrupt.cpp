#include "app/batch_interrupt.h"

#include <cstring>

#include "engine/imagelib/atomic_output.h"
#include "platform/files.h"

namespace {

// Set before the handling starts and cleared after it ends.
char scratchFolder[4096] = {};

void OnInterrupt() {
  imagelib::RemoveTemporaryFilesInProgress();
  if (scratchFolder[0] != '\0') platform::RemoveFlatFolder(scratchFolder);
}

// Records the folder before the handling that reads it starts.
void (*RecordFolder(const std::string& folder))() {
  if (folder.size() < sizeof scratchFolder) {
    std::memcpy(scratchFolder, folder.c_str(), folder.size() + 1);
  }
  return OnInterrupt;
}

}  // namespace

InterruptCleanup::InterruptCleanup(const std::string& folder) : handling_(RecordFolder(folder)) {}

InterruptCleanup::~InterruptCleanup() {
  scratchFolder[0] = '\0';
}
