// What one entry of a batch run is converted from: its place in the list, its text and the
// settings in force. The run prepares an entry from this value alone; the window's plan
// (engine/window_plan.h) reads it from the input list and the controls.
#pragma once

#include <string>

#include "state/app_state.h"

struct PlannedEntry {
  int index = 0;
  bool isLast = false;
  std::string sourcePath;
  // Every stored setting and what is derived from it, the output folder and the naming settings.
  PictureRecord target{};
  PathBlock paths{};
};

// True when both are converted alike: the same place, text and settings.
bool SameEntry(const PlannedEntry& entry, const PlannedEntry& other);
