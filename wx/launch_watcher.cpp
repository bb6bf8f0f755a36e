#include "wx/launch_watcher.h"

#include <chrono>
#include <utility>

#include "platform/desktop.h"

namespace {

constexpr int kPollMilliseconds = 50;

}  // namespace

void LaunchWatcher::Watch(const std::string& target, std::function<void()> failed) {
  launches_.push_back(
      {std::async(std::launch::async, platform::OpenWithDesktop, target), std::move(failed)});
  if (!IsRunning()) Start(kPollMilliseconds);
}

void LaunchWatcher::Notify() {
  for (auto launch = launches_.begin(); launch != launches_.end();) {
    if (launch->opened.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
      ++launch;
      continue;
    }
    const bool opened = launch->opened.get();
    std::function<void()> failed = std::move(launch->failed);
    launch = launches_.erase(launch);
    if (!opened && failed) {
      // The failure may show a message, whose modal loop runs this timer again: the launch is
      // already gone, and the rest waits for the next tick.
      if (launches_.empty()) Stop();
      failed();
      return;
    }
  }
  if (launches_.empty()) Stop();
}
