#include "controls/thread_role.h"

namespace {

thread_local bool onWorkerThread = false;

}  // namespace

WorkerThreadRole::WorkerThreadRole() {
  onWorkerThread = true;
}

WorkerThreadRole::~WorkerThreadRole() {
  onWorkerThread = false;
}

bool OnWorkerThread() {
  return onWorkerThread;
}
