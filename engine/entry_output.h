// Where a run puts one entry's output: the name the naming rules give it, numbered past the run's
// own outputs and sources (and, under EXISTING 2, the files there), or left out under EXISTING 1.
// Only reads the file system, so that the run and its estimate take their names from one place.
#pragma once

#include <string>

#include "engine/run_outputs.h"
#include "engine/run_plan.h"

struct EntryOutput {
  // The name the rules give, and the one the output takes.
  std::string plannedPath;
  std::string outputPath;
  // The entry's folders inside the output folder under KEEP_TREE (TreeFolderOf).
  std::string tree;
  // False for an animation's frames before its last, which write no file of their own.
  bool writes = false;
  // Left out: its output is there already (EXISTING 1).
  bool skipped = false;
  // Numbered because its planned output is one of the run's sources.
  bool keepsSource = false;
  // Why the output cannot be written (a path too long); empty otherwise.
  std::string failure;
};

// Names the output of `input` as the run does, after the outputs `outputs` holds. Sets the
// state's source, target and paths to the entry's, as the naming rules read them.
EntryOutput PlanEntryOutput(const PlannedEntry& input, const RunOutputs& outputs);

// True for an animated GIF, whose entries are its frames.
bool IsAnimated(const PictureRecord& target);
