#include "base/background_work.h"

#include <memory>

#include "controls/control_layer.h"
#include "controls/thread_role.h"

namespace {

struct Hold {
  std::mutex mutex;
  std::condition_variable released;
  bool held = false;
};

Hold& TestHold() {
  static Hold hold;
  return hold;
}

}  // namespace

void BackgroundWork::HoldForTesting(bool hold) {
  Hold& state = TestHold();
  {
    std::lock_guard lock(state.mutex);
    state.held = hold;
  }
  state.released.notify_all();
}

void BackgroundWork::WaitWhileHeld() {
  Hold& state = TestHold();
  std::unique_lock lock(state.mutex);
  state.released.wait(lock, [&] { return !state.held || stopping_; });
}

void BackgroundWork::Start(Job job) {
  AssertWindowThread();
  const unsigned number = ++started_;
  // The result goes to the window only while this work is still the newest.
  Job handed = [this, number, job = std::move(job)](const std::atomic<bool>& cancelled) {
    std::function<void()> show = job(cancelled);
    return std::function<void()>([this, number, show = std::move(show)] {
      if (number != started_) return;
      handed_ = number;
      if (show) show();
    });
  };
  {
    std::lock_guard lock(mutex_);
    waiting_ = std::move(handed);
    cancelled_ = true;
    if (!worker_.joinable()) {
      stopping_ = false;
      worker_ = std::thread([this] { Work(); });
    }
  }
  wake_.notify_one();
}

void BackgroundWork::Cancel() {
  AssertWindowThread();
  handed_ = ++started_;
  std::lock_guard lock(mutex_);
  waiting_ = nullptr;
  cancelled_ = true;
}

void BackgroundWork::Stop() {
  {
    std::lock_guard lock(mutex_);
    waiting_ = nullptr;
    cancelled_ = true;
    stopping_ = true;
  }
  handed_ = ++started_;
  wake_.notify_one();
  {
    // A worker held for a test is let go too.
    std::lock_guard lock(TestHold().mutex);
  }
  TestHold().released.notify_all();
  if (worker_.joinable()) worker_.join();
}

void BackgroundWork::Work() {
  WorkerThreadRole role;
  for (;;) {
    Job job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] { return stopping_ || waiting_; });
      if (stopping_) return;
      job = std::move(waiting_);
      waiting_ = nullptr;
      cancelled_ = false;
    }
    WaitWhileHeld();
    if (cancelled_ || stopping_) continue;
    std::function<void()> result = job(cancelled_);
    ControlLayer::PostToWindowThread(std::move(result));
  }
}
