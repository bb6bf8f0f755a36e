#include "engine/run_plan.h"

#include <utility>

#include "state/setting_bindings.h"

bool SameEntry(const PlannedEntry& entry, const PlannedEntry& other) {
  return entry.index == other.index && entry.isLast == other.isLast &&
         entry.sourcePath == other.sourcePath &&
         SameSettings(entry.target, entry.paths, other.target, other.paths);
}

FixedPlan::FixedPlan(std::vector<std::string> sourcePaths, const PictureRecord& target,
                     const PathBlock& paths)
    : sourcePaths_(std::move(sourcePaths)), target_(target), paths_(paths) {
  paths_.itemCount = Count();
}

PlannedEntry FixedPlan::Entry(int index) const {
  PlannedEntry entry;
  entry.index = index;
  entry.isLast = index == Count() - 1;
  entry.sourcePath = sourcePaths_[static_cast<std::size_t>(index)];
  entry.target = target_;
  entry.paths = paths_;
  return entry;
}
