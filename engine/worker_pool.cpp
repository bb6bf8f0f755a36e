#include "engine/worker_pool.h"

#include <algorithm>
#include <utility>

#include "controls/thread_role.h"

WorkerPool::WorkerPool(int threads) {
  for (int i = 0; i < std::max(threads, 1); ++i) threads_.emplace_back([this] { Work(); });
}

WorkerPool::~WorkerPool() {
  {
    const std::lock_guard lock(mutex_);
    ending_ = true;
  }
  wake_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void WorkerPool::Submit(std::function<void()> task) {
  {
    const std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  wake_.notify_one();
}

int WorkerPool::CoreCount() {
  return static_cast<int>(std::max(std::thread::hardware_concurrency(), 1u));
}

void WorkerPool::Work() {
  const WorkerThreadRole role;
  for (;;) {
    std::function<void()> task;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return ending_ || !tasks_.empty(); });
      if (tasks_.empty()) return;
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    task();
  }
}
