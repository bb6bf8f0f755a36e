// Work the window asks for but must not wait on (the selected picture's trial conversion): done
// on a thread of its own, newest first. Starting new work drops work still waiting and tells the
// work under way to stop at its next check; only the newest work's result reaches the window.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class BackgroundWork {
 public:
  // Runs on the worker, checking `cancelled` between its steps; what it returns runs on the
  // window's thread afterwards, unless newer work was started (or Cancel called) meanwhile.
  using Job = std::function<std::function<void()>(const std::atomic<bool>& cancelled)>;

  BackgroundWork() = default;
  // Waits for the work under way to reach its next check.
  ~BackgroundWork() { Stop(); }
  BackgroundWork(const BackgroundWork&) = delete;
  BackgroundWork& operator=(const BackgroundWork&) = delete;

  // On the window's thread.
  void Start(Job job);
  void Cancel();
  // True from Start until its result has been handed to the window (or cancelled).
  bool Pending() const { return handed_ != started_; }
  // Cancels everything and ends the worker; a later Start begins a new one.
  void Stop();

  // Tests hold the worker before each job, to see what the window does meanwhile.
  static void HoldForTesting(bool hold);

 private:
  void Work();
  void WaitWhileHeld();

  std::mutex mutex_;
  std::condition_variable wake_;
  Job waiting_;
  std::atomic<bool> stopping_ = false;
  std::atomic<bool> cancelled_ = false;
  std::thread worker_;
  // Counted on the window's thread: the last work started and the last whose result was handed.
  unsigned started_ = 0;
  unsigned handed_ = 0;
};
