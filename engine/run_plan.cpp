#include "engine/run_plan.h"

#include "state/setting_bindings.h"

bool SameEntry(const PlannedEntry& entry, const PlannedEntry& other) {
  return entry.index == other.index && entry.isLast == other.isLast &&
         entry.sourcePath == other.sourcePath &&
         SameSettings(entry.target, entry.paths, other.target, other.paths);
}
