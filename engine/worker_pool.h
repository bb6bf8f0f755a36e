// A fixed set of threads that run the tasks given to them, in the order given. Its threads are
// workers (controls/thread_role.h): they leave the window and the application state alone.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class WorkerPool {
 public:
  explicit WorkerPool(int threads);
  // Runs the tasks already given, then ends the threads.
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  void Submit(std::function<void()> task);

  // The number of threads the machine runs at once (at least 1).
  static int CoreCount();

 private:
  void Work();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> tasks_;
  bool ending_ = false;
  std::vector<std::thread> threads_;
};
