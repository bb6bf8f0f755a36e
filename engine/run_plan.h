// What a batch run converts: its entries, each with its place in the list, its text and the
// settings in force. The run prepares an entry from this value alone. The window's plan
// (window/window_plan.h) reads the entries from the input list and the controls as the run
// reaches them; trastel-batch's plan is fixed before the run starts.
#pragma once

#include <string>
#include <vector>

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

class RunPlan {
 public:
  virtual ~RunPlan() = default;

  // Takes the settings for the entries asked for next.
  virtual void ReadSettings() = 0;
  // Entry `index`, below Count().
  virtual PlannedEntry Entry(int index) const = 0;
  // How many entries the run goes through.
  virtual int Count() const = 0;
  // True when the list was emptied during the run.
  virtual bool Emptied() const = 0;
  // True when the entries or the settings may have changed since the last call.
  virtual bool TakeEdited() = 0;
};

// Entries and settings that stay as they are for the whole run.
class FixedPlan : public RunPlan {
 public:
  FixedPlan(std::vector<std::string> sourcePaths, const PictureRecord& target,
            const PathBlock& paths);

  void ReadSettings() override {}
  PlannedEntry Entry(int index) const override;
  int Count() const override { return static_cast<int>(sourcePaths_.size()); }
  bool Emptied() const override { return false; }
  bool TakeEdited() override { return false; }

 private:
  std::vector<std::string> sourcePaths_;
  PictureRecord target_;
  PathBlock paths_;
};
