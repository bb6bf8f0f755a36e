#include "window/window_plan.h"

#include "controls/control_layer.h"
#include "resources/control_ids.h"
#include "window/fill_and_read_panels.h"

WindowPlan::WindowPlan() : notifications_(ControlLayer::NotificationCount()) {}

void WindowPlan::ReadSettings() {
  ReadPanels();
  const AppState& state = *GetAppState();
  target_ = *state.target;
  paths_ = *state.paths;
}

PlannedEntry WindowPlan::Entry(int index) const {
  PlannedEntry entry;
  entry.index = index;
  entry.isLast = index == paths_.itemCount - 1;
  entry.sourcePath = GetControlLayer().ListText(kInputPanel, kInputList, index);
  entry.target = target_;
  entry.paths = paths_;
  return entry;
}

int WindowPlan::Count() const {
  return GetAppState()->paths->itemCount;
}

bool WindowPlan::Emptied() const {
  return GetControlLayer().ListCount(kInputPanel, kInputList) == 0;
}

bool WindowPlan::TakeEdited() {
  const unsigned now = ControlLayer::NotificationCount();
  const bool edited = now != notifications_;
  notifications_ = now;
  return edited;
}
