#include "engine/run_estimate.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>

#include "base/settings_place.h"
#include "base/text_encoding.h"
#include "engine/batch.h"
#include "engine/entry_output.h"
#include "engine/run_outputs.h"
#include "engine/worker_pool.h"
#include "platform/files.h"
#include "state/app_state.h"

namespace {

std::int64_t FileBytes(const std::string& path) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(platform::PathOf(path), error);
  return error ? 0 : static_cast<std::int64_t>(size);
}

// Names every entry in list order and measures its picture on the pool's threads.
void EstimateEntries(const RunPlan& plan, int workers, std::vector<EntryEstimate>& entries) {
  const int count = static_cast<int>(entries.size());
  // The run's outputs, named in list order as the run names them; every file of the list is a
  // source no output replaces.
  RunOutputs outputs;
  for (int i = 0; i < count; ++i) outputs.AddSource(plan.Entry(i).sourcePath);
  // Its threads end, every picture measured, before the entries are returned.
  WorkerPool pool(std::min(workers, count));
  for (int i = 0; i < count; ++i) {
    const PlannedEntry input = plan.Entry(i);
    EntryEstimate& entry = entries[static_cast<std::size_t>(i)];
    entry.sourcePath = input.sourcePath;
    entry.sourceBytes = FileBytes(input.sourcePath);
    const EntryOutput output = PlanEntryOutput(input, outputs);
    entry.writes = output.writes;
    entry.skipped = output.skipped;
    entry.failure = output.failure;
    if (output.failure.empty()) entry.outputPath = output.outputPath;
    entry.renamed = output.writes && !output.skipped && output.outputPath != output.plannedPath;
    if (output.writes && !output.skipped && output.failure.empty()) outputs.Add(output.outputPath);
    if (!output.failure.empty()) continue;
    const AppState* state = GetAppState();
    PictureRecord target = *state->target;
    // Each entry's trial files have a name of their own in the temporary folder.
    CopyText(target.path, TempFilePath("estimate-" + std::to_string(i)).c_str());
    pool.Submit([&entry, source = *state->source, target] {
      PictureEstimate picture = EstimatePicture(source, target);
      // The run leaves a skipped entry's picture unopened.
      if (!entry.skipped) entry.failure = picture.failure;
      entry.picture = std::move(picture);
    });
  }
}

}  // namespace

std::vector<EntryEstimate> EstimateRun(const RunPlan& plan, int workers) {
  std::vector<EntryEstimate> entries(static_cast<std::size_t>(std::max(plan.Count(), 0)));
  if (entries.empty()) return entries;
  if (workers <= 0) workers = WorkerPool::CoreCount();
  EstimateEntries(plan, workers, entries);
  // A run that ends at its first failure reaches no later entry.
  const auto failing = std::find_if(entries.begin(), entries.end(),
                                    [](const EntryEstimate& entry) { return entry.Fails(); });
  if (failing != entries.end() && !GoesOnPastFailures(plan.Entry(0).target)) {
    for (auto entry = failing + 1; entry != entries.end(); ++entry) entry->afterFailure = true;
  }
  return entries;
}

EstimateTotals TotalsOf(const std::vector<EntryEstimate>& entries) {
  EstimateTotals totals;
  for (const EntryEstimate& entry : entries) {
    totals.inputBytes += std::max<std::int64_t>(entry.sourceBytes, 0);
    totals.failing += entry.Fails() && !entry.afterFailure ? 1 : 0;
    totals.skipped += entry.skipped && !entry.Fails() && !entry.afterFailure ? 1 : 0;
    totals.notReached += entry.afterFailure ? 1 : 0;
    if (!entry.Written()) continue;
    ++totals.converted;
    totals.renamed += entry.renamed ? 1 : 0;
    totals.overSizeCap += entry.OverSizeCap() ? 1 : 0;
    totals.larger += entry.LargerThanSource() ? 1 : 0;
    totals.outputBytes += entry.OutputBytes();
    totals.outputExact = totals.outputExact && entry.picture.bytesExact;
  }
  return totals;
}
