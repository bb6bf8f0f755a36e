#include "engine/run_estimate.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
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

// How long the caller waits for the workers between its turns.
constexpr std::chrono::milliseconds kTurnInterval(20);

// The entries measured so far, counted by the workers and waited for by the caller.
class Progress {
 public:
  void Done() {
    std::lock_guard lock(mutex_);
    ++done_;
    changed_.notify_all();
  }
  // The count, after waiting at most `wait` for it to pass `seen`.
  int WaitPast(int seen, std::chrono::milliseconds wait) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, wait, [&] { return done_ > seen; });
    return done_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int done_ = 0;
};

// Names every entry in list order and measures its picture on the pool's threads. With a view,
// the caller takes its turns while it waits and stops when the view asks: false then.
bool EstimateEntries(const RunPlan& plan, int workers, std::vector<EntryEstimate>& entries,
                     EstimateView* view) {
  const int count = static_cast<int>(entries.size());
  // The run's outputs, named in list order as the run names them; every file of the list is a
  // source no output replaces.
  RunOutputs outputs;
  for (int i = 0; i < count; ++i) outputs.AddSource(plan.Entry(i).sourcePath);
  Progress progress;
  std::atomic<bool> stopping = false;
  int submitted = 0;
  {
    // Its threads end, every task run or passed over, before the entries are returned.
    WorkerPool pool(std::min(workers, count));
    for (int i = 0; i < count && !(view && view->StopAsked()); ++i) {
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
      if (output.writes && !output.skipped && output.failure.empty())
        outputs.Add(output.outputPath);
      ++submitted;
      if (!output.failure.empty()) {
        progress.Done();
        continue;
      }
      const AppState* state = GetAppState();
      PictureRecord target = *state->target;
      // Each entry's trial files have a name of their own in the temporary folder.
      CopyText(target.path, TempFilePath("estimate-" + std::to_string(i)).c_str());
      pool.Submit([&entry, &progress, &stopping, source = *state->source, target] {
        if (!stopping.load()) {
          PictureEstimate picture = EstimatePicture(source, target);
          // The run leaves a skipped entry's picture unopened.
          if (!entry.skipped) entry.failure = picture.failure;
          entry.picture = std::move(picture);
        }
        progress.Done();
      });
    }
    if (view) {
      int shown = 0;
      for (int done = 0; done < submitted; done = progress.WaitPast(done, kTurnInterval)) {
        for (; shown < done; ++shown) view->Stepped();
        view->Turn();
        if (view->StopAsked()) stopping.store(true);
      }
    }
  }
  return !stopping.load() && submitted == count;
}

// The plan's estimate; nothing when the view asked to stop.
std::optional<std::vector<EntryEstimate>> Estimate(const RunPlan& plan, int workers,
                                                   EstimateView* view) {
  std::vector<EntryEstimate> entries(static_cast<std::size_t>(std::max(plan.Count(), 0)));
  if (entries.empty()) return entries;
  if (workers <= 0) workers = WorkerPool::CoreCount();
  if (!EstimateEntries(plan, workers, entries, view)) return std::nullopt;
  // A run that ends at its first failure reaches no later entry.
  const auto failing = std::find_if(entries.begin(), entries.end(),
                                    [](const EntryEstimate& entry) { return entry.Fails(); });
  if (failing != entries.end() && !GoesOnPastFailures(plan.Entry(0).target)) {
    for (auto entry = failing + 1; entry != entries.end(); ++entry) entry->afterFailure = true;
  }
  return entries;
}

}  // namespace

std::vector<EntryEstimate> EstimateRun(const RunPlan& plan, int workers) {
  return *Estimate(plan, workers, nullptr);
}

std::optional<std::vector<EntryEstimate>> EstimateRun(const RunPlan& plan, int workers,
                                                      EstimateView& view) {
  return Estimate(plan, workers, &view);
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
