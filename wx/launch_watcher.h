// Opening pages without making the window wait: the desktop's opener may take a second and a
// half to say whether it could open a page, so it is waited for off the window's thread, and a
// timer on the window's thread hands on the failures.
#pragma once

#include <wx/timer.h>

#include <functional>
#include <future>
#include <string>
#include <vector>

class LaunchWatcher : public wxTimer {
 public:
  LaunchWatcher() = default;
  LaunchWatcher(const LaunchWatcher&) = delete;
  LaunchWatcher& operator=(const LaunchWatcher&) = delete;

  // Opens `target` with the desktop; `failed` (if any) runs on this thread should it fail.
  void Watch(const std::string& target, std::function<void()> failed);

  void Notify() override;

 private:
  struct Launch {
    std::future<bool> opened;
    std::function<void()> failed;
  };
  std::vector<Launch> launches_;
};
