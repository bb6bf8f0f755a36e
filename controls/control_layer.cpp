#include "controls/control_layer.h"

#include <cassert>
#include <cstdlib>
#include <deque>
#include <mutex>

#include "controls/headless/headless_control_layer.h"
#include "controls/thread_role.h"

namespace {

std::unique_ptr<ControlLayer>& CurrentLayer() {
  static std::unique_ptr<ControlLayer> layer;
  return layer;
}

bool forbidden = false;

struct PostedTasks {
  std::mutex mutex;
  std::deque<std::function<void()>> tasks;
  ControlLayer* waking = nullptr;
};

PostedTasks& Posted() {
  static PostedTasks posted;
  return posted;
}

}  // namespace

void ControlLayer::PostToWindowThread(std::function<void()> task) {
  PostedTasks& posted = Posted();
  std::lock_guard lock(posted.mutex);
  posted.tasks.push_back(std::move(task));
  if (posted.waking != nullptr) posted.waking->WakeForPostedTasks();
}

void ControlLayer::RunPostedTasks() {
  PostedTasks& posted = Posted();
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard lock(posted.mutex);
      if (posted.tasks.empty()) return;
      task = std::move(posted.tasks.front());
      posted.tasks.pop_front();
    }
    // A task may show a message box, whose own loop runs the tasks that come meanwhile.
    ++handlerDepth_;
    struct Leaving {
      ~Leaving() { --handlerDepth_; }
    } leaving;
    task();
  }
}

void ControlLayer::SetWaking(ControlLayer* layer) {
  std::lock_guard lock(Posted().mutex);
  Posted().waking = layer;
}

ControlLayer& GetControlLayer() {
  AssertWindowThread();
  assert(!forbidden && "this program has no controls");
  auto& layer = CurrentLayer();
  if (!layer) {
    layer = std::make_unique<HeadlessControlLayer>();
    ControlLayer::SetWaking(layer.get());
  }
  return *layer;
}

void ForbidControlLayer() {
  forbidden = true;
}

std::unique_ptr<ControlLayer> SetControlLayer(std::unique_ptr<ControlLayer> layer) {
  auto previous = std::move(CurrentLayer());
  CurrentLayer() = std::move(layer);
  ControlLayer::SetWaking(CurrentLayer().get());
  return previous;
}

// The selected entry's place on the first line, then one entry per line: entries of a list box
// hold no line breaks.
std::string ListBoxValue(const ListBoxContents& list) {
  std::string value = std::to_string(list.selected);
  for (const std::string& entry : list.entries) value += "\n" + entry;
  return value;
}

ListBoxContents ListBoxContentsOf(const std::string& value) {
  ListBoxContents list;
  std::size_t start = 0;
  bool first = true;
  while (start <= value.size()) {
    std::size_t end = value.find('\n', start);
    if (end == std::string::npos) end = value.size();
    const std::string line = value.substr(start, end - start);
    if (first) {
      list.selected = std::atoi(line.c_str());
    } else {
      list.entries.push_back(line);
    }
    first = false;
    start = end + 1;
  }
  if (list.selected < 0 || list.selected >= static_cast<int>(list.entries.size())) {
    list.selected = -1;
  }
  return list;
}
