#include "engine/batch.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/show_message.h"
#include "base/text_encoding.h"
#include "engine/encoders.h"
#include "engine/entry_job.h"
#include "engine/entry_output.h"
#include "engine/output_naming.h"
#include "engine/run_budget.h"
#include "engine/run_estimate.h"
#include "engine/run_outputs.h"
#include "engine/run_plan.h"
#include "engine/run_report.h"
#include "engine/worker_pool.h"
#include "imagelib/atomic_output.h"
#include "platform/files.h"
#include "state/app_state.h"

namespace {

// More threads than this gain nothing on a picture converter's work.
constexpr int kMostWorkers = 64;
// How often the run's own thread shows it is alive while it waits for the next entry.
constexpr std::chrono::milliseconds kPumpInterval(20);

OutputRenamedHandler& RenamedHandler() {
  static OutputRenamedHandler handler;
  return handler;
}

EntryNoteHandler& NoteHandler() {
  static EntryNoteHandler handler;
  return handler;
}

void Note(EntryNote note, const std::string& entry, const std::string& outputPath) {
  if (NoteHandler()) NoteHandler()(note, entry, outputPath);
}

// What one run has written or will write, and its result so far.
struct RunRecord {
  RunOutputs outputs;
  std::set<std::string> cleanedFolders;
  BatchResult result;
  // The pictures it went on past, for the report.
  std::vector<FailedEntry> failures;
  // Under a budget, each entry's share of it by its index (engine/run_budget.h).
  std::vector<std::int64_t> budgetShares;
};

// One entry as the run's own thread prepared it. Its conversion, if it got one, runs on a worker.
struct Entry {
  PlannedEntry input;
  std::shared_ptr<EntryJob> job;
  bool submitted = false;
  std::string plannedPath;
  std::string outputPath;
  // Whether the entry took its output path in the run's outputs.
  bool takesPath = false;
  // Numbered because its planned output is one of the run's sources.
  bool keepsSource = false;
  // Why the entry could not be prepared (it then has no job).
  std::string failure;
  // Left out, its output being there already (it then has no job either).
  bool skipped = false;
  std::vector<std::string> messages;
};

// Temporary files that a killed run left in an output folder are removed when a run first
// writes there.
void RemoveLeftovers(RunRecord& run, const std::string& outputPath) {
  const std::string folder = platform::Utf8Of(platform::PathOf(outputPath).parent_path());
  if (run.cleanedFolders.insert(folder).second) imagelib::RemoveStaleTemporaryFiles(folder);
}

// Prepares the entry for the pipeline: source path and name, output name and path, its folders.
// An output name an earlier entry of this run takes gets the next free copy number. False, with
// the reason in entry.failure, when the output path would not fit.
bool PrepareEntry(RunRecord& run, Entry& entry) {
  const EntryOutput output = PlanEntryOutput(entry.input, run.outputs);
  if (!output.failure.empty()) {
    entry.failure = output.failure;
    return false;
  }
  AppState* state = GetAppState();
  PathBlock& paths = *state->paths;
  CreateTreeFolders(paths.SAVE, output.tree);
  if (paths.FOLDER_TYPE != 0) {
    CreateOutputFolder((std::string(paths.SAVE) + output.tree).c_str(), paths.subFolder);
  }
  if (output.skipped) {
    entry.skipped = true;
    entry.plannedPath = entry.outputPath = output.outputPath;
    return true;
  }
  if (output.outputPath != output.plannedPath) {
    CopyText(paths.outputName, output.outputPath.substr(std::strlen(paths.SAVE)).c_str());
    entry.keepsSource = output.keepsSource;
  }
  // Taken now: should an earlier entry fail, no later one is kept anyway.
  if (output.writes) run.outputs.Add(output.outputPath);
  entry.takesPath = output.writes;
  RemoveLeftovers(run, output.outputPath);
  CopyText(state->target->path, output.outputPath.c_str());
  entry.plannedPath = output.plannedPath;
  entry.outputPath = output.outputPath;
  return true;
}

Entry MakeEntry(PlannedEntry input, RunRecord& run, std::span<imagelib::CodedGifFrame> frames) {
  Entry entry;
  entry.input = std::move(input);
  MessageCapture capture;
  if (PrepareEntry(run, entry) && !entry.skipped) {
    const AppState* state = GetAppState();
    EntryJob::Kind kind = EntryJob::Kind::kPicture;
    if (IsAnimated(*state->target)) {
      kind = entry.input.isLast ? EntryJob::Kind::kLastFrame : EntryJob::Kind::kFrame;
    }
    PictureRecord target = *state->target;
    const auto index = static_cast<std::size_t>(entry.input.index);
    // An entry the budget's estimate did not see (added while the run goes on) has no share.
    target.budgetShare = index < run.budgetShares.size() ? run.budgetShares[index] : 0;
    entry.job = std::make_shared<EntryJob>(*state->source, target, kind, frames, entry.input.index);
  }
  entry.messages = capture.Take();
  return entry;
}

// The animation is written once every earlier frame is in: its job waits until it is the
// first entry.
bool WaitsForEarlierFrames(const Entry& entry) {
  return entry.job && IsAnimated(entry.input.target) && entry.input.isLast;
}

void Submit(WorkerPool& pool, Entry& entry) {
  if (!entry.job || entry.submitted) return;
  entry.submitted = true;
  pool.Submit([job = entry.job] { job->Run(); });
}

// A picture that failed while others converted beside it is converted again on its own, as one
// run after the other would have: the memory or disk space they took may be what it lacked.
bool RetriesAlone(const Entry& entry, bool alone) {
  return !alone && entry.job && !entry.job->Succeeded() && entry.job->HadCompany() &&
         !IsAnimated(entry.input.target);
}

// Puts the entry's output under its name. Under 飛ばす and 番号を付ける no file is replaced: one
// that another program made there since the entry was prepared is kept, and the output takes the
// next free number or is left out (kTargetExists, the entry then counting as skipped).
EntryJob::CommitResult CommitEntry(Entry& entry, RunRecord& run) {
  const PictureRecord& target = entry.input.target;
  const bool replacing = target.EXISTING == kExistingReplace;
  for (;;) {
    const EntryJob::CommitResult result = entry.job->CommitOutputs(replacing);
    if (result != EntryJob::CommitResult::kTargetExists) return result;
    if (target.EXISTING == kExistingSkip) {
      entry.job->DiscardOutputs();
      return result;
    }
    const std::string next = run.outputs.FreePath(
        entry.plannedPath, OutputExtension(target.DIB_TYPE, entry.input.paths.RENAME_DIB), true);
    run.outputs.Add(next);
    entry.outputPath = next;
    entry.job->RetargetOutputs(next);
  }
}

// Shows what the entry said, puts its output under its name and steps the bar. False, with
// the reason in `failure`, when the entry failed and the run ends there; a run that goes on past
// failures keeps what a failed entry said for its report instead of showing it, unless the
// failure was one of writing, which every later entry would meet too.
bool FinishEntry(Entry& entry, RunRecord& run, RunView& view, std::string& failure) {
  const bool goesOn = GoesOnPastFailures(entry.input.target);
  const bool reported = goesOn && !entry.skipped && (!entry.job || !entry.job->Succeeded());
  std::vector<std::string> said;
  auto say = [&](const std::string& text) {
    if (reported) {
      said.push_back(text);
    } else {
      ShowMessage("%s", text.c_str());
    }
  };
  auto fail = [&](const std::string& reason, bool endsRun = false) {
    if (!goesOn || endsRun) {
      for (const std::string& text : said) ShowMessage("%s", text.c_str());
      failure = reason;
      return false;
    }
    if (!reason.empty()) said.push_back(reason);
    std::string told;
    for (const std::string& text : said) told += (told.empty() ? "" : "\n") + text;
    run.failures.push_back({entry.input.sourcePath, said});
    run.result.failedEntries.push_back(entry.input.sourcePath);
    ++run.result.failed;
    Note(EntryNote::kFailedAndWentOn, entry.input.sourcePath, told);
    view.Stepped();
    return true;
  };
  for (const std::string& text : entry.messages) say(text);
  if (entry.skipped) {
    ++run.result.skipped;
    Note(EntryNote::kSkippedExisting, entry.input.sourcePath, entry.outputPath);
    view.Stepped();
    return true;
  }
  if (!entry.job) return fail(entry.failure);
  for (const std::string& text : entry.job->TakeMessages()) say(text);
  if (!entry.job->Succeeded()) {
    entry.job->DiscardOutputs();
    return fail(entry.job->Failure(), entry.job->WritingFailed());
  }
  const EntryJob::CommitResult committed = CommitEntry(entry, run);
  if (committed == EntryJob::CommitResult::kFailed) return fail(entry.job->Failure(), true);
  if (committed == EntryJob::CommitResult::kTargetExists) {
    ++run.result.skipped;
    Note(EntryNote::kSkippedExisting, entry.input.sourcePath, entry.outputPath);
    view.Stepped();
    return true;
  }
  if (entry.outputPath != entry.plannedPath) {
    ++(entry.keepsSource ? run.result.keptSources : run.result.renamed);
    if (RenamedHandler()) {
      RenamedHandler()(entry.input.sourcePath, entry.plannedPath, entry.outputPath);
    }
  }
  ++run.result.converted;
  if (entry.job->KeptSmallerSource()) ++run.result.smallerSources;
  if (entry.job->OverSizeCap()) {
    ++run.result.overSizeCap;
    Note(EntryNote::kOverSizeCap, entry.input.sourcePath, entry.outputPath);
  }
  view.Stepped();
  return true;
}

// Drops the entries from position `first` on: their conversions are stopped or waited for,
// their files removed and their output names given back.
void DropEntries(std::deque<Entry>& entries, std::size_t first, RunRecord& run) {
  const auto dropped = entries.begin() + static_cast<std::ptrdiff_t>(first);
  for (auto entry = dropped; entry != entries.end(); ++entry) {
    if (entry->job) entry->job->Cancel();
  }
  for (auto entry = dropped; entry != entries.end(); ++entry) {
    if (entry->takesPath) run.outputs.Remove(entry->outputPath);
    if (!entry->job || !entry->submitted) continue;
    while (!entry->job->WaitDone(kPumpInterval)) {
    }
    entry->job->DiscardOutputs();
  }
  entries.erase(dropped, entries.end());
}

// Reads the input of the entries from position `first` on again. From the first one whose
// input changed, the entries are dropped, to be prepared again from what is there now. True
// when the settings were read.
bool RereadEntries(RunPlan& plan, std::deque<Entry>& entries, std::size_t first, RunRecord& run,
                   int& next) {
  if (entries.size() <= first) return false;
  plan.ReadSettings();
  for (std::size_t position = first; position < entries.size(); ++position) {
    const int index = entries[position].input.index;
    if (index < plan.Count() && SameEntry(entries[position].input, plan.Entry(index))) continue;
    next = index;
    DropEntries(entries, position, run);
    break;
  }
  return true;
}

// Every file of the list is one of the run's sources, which no output replaces. Read again when
// the list may have changed; a file that left the list stays protected for the rest of the run.
void NoteSources(const RunPlan& plan, RunRecord& run) {
  for (int i = 0; i < plan.Count(); ++i) run.outputs.AddSource(plan.Entry(i).sourcePath);
}

// Converts the list on `workers` threads: kFailed, with the reason in `failure`, when an entry
// failed.
BatchOutcome ConvertEntries(int workers, RunPlan& plan, RunView& view, RunRecord& run,
                            std::string& failure) {
  std::vector<imagelib::CodedGifFrame> frames(kFrameSlotCount);
  std::deque<Entry> entries;
  // Declared after the frames, so that its threads have ended before the frames go.
  WorkerPool pool(workers);
  const std::size_t ahead = 2 * static_cast<std::size_t>(workers);
  int next = 0;
  // Whether the first entry was reached: one after the other, its message would have been
  // pumped and its input read, so that later commands no longer change it.
  bool reached = false;
  // While the first entry is converted again on its own, nothing else is prepared.
  bool alone = false;
  bool listEdited = true;
  for (;;) {
    view.Turn();
    if (view.StopAsked()) {
      DropEntries(entries, 0, run);
      return BatchOutcome::kStopped;
    }
    bool settingsRead = false;
    const bool edited = plan.TakeEdited();
    listEdited = listEdited || edited;
    if (edited || !reached) {
      settingsRead = RereadEntries(plan, entries, reached ? 1 : 0, run, next);
    }
    if (!reached) {
      // The bound is read again at each step: a command dispatched by the pump may change it.
      const int index = entries.empty() ? next : entries.front().input.index;
      if (index >= plan.Count() || plan.Emptied()) {
        DropEntries(entries, 0, run);
        return index >= plan.Count() ? BatchOutcome::kSucceeded : BatchOutcome::kListEmptied;
      }
      reached = true;
    }
    // Nothing is prepared after an entry that could not be, nor from an emptied list.
    const auto preparesMore = [&] {
      return !alone && next < plan.Count() && entries.size() < ahead &&
             (entries.empty() || entries.back().job) && !plan.Emptied();
    };
    if (!settingsRead && preparesMore()) plan.ReadSettings();
    if (listEdited && preparesMore()) {
      NoteSources(plan, run);
      listEdited = false;
    }
    while (preparesMore()) {
      entries.push_back(MakeEntry(plan.Entry(next), run, frames));
      if (!WaitsForEarlierFrames(entries.back())) Submit(pool, entries.back());
      ++next;
    }
    Entry& head = entries.front();
    Submit(pool, head);
    if (head.job && !head.job->WaitDone(kPumpInterval)) continue;
    if (RetriesAlone(head, alone)) {
      PlannedEntry input = head.input;
      DropEntries(entries, 0, run);
      entries.push_back(MakeEntry(std::move(input), run, frames));
      next = entries.back().input.index + 1;
      alone = true;
      continue;
    }
    alone = false;
    const bool finished = FinishEntry(head, run, view, failure);
    entries.pop_front();
    reached = false;
    if (!finished) {
      DropEntries(entries, 0, run);
      return BatchOutcome::kFailed;
    }
  }
}

// The closing message: the outcome, how many outputs were renamed, and why the run failed.
std::string ClosingMessage(const BatchResult& result, std::string failure) {
  std::string text = "変換が失敗しました！";
  if (result.outcome == BatchOutcome::kSucceeded) text = "変換が成功しました！";
  if (result.outcome == BatchOutcome::kStopped) {
    text = "中止しました。" + std::to_string(result.converted) + " 件を変換しました。";
  }
  if (result.outcome == BatchOutcome::kListEmptied) {
    text = "変換を中止しました！";
    failure = "読み込まれてる画像がすべて削除されました。";
  }
  if (result.renamed > 0) {
    text += "\n同じ名前になった " + std::to_string(result.renamed) +
            " 個のファイルは、(2) などの番号を付けた名前で保存しました。";
  }
  if (result.keptSources > 0) {
    text += "\n変換する画像と同じ名前になった " + std::to_string(result.keptSources) +
            " 個のファイルは、元の画像を残すため (2) などの番号を付けた名前で保存しました。";
  }
  if (result.overSizeCap > 0) {
    text += "\n" + std::to_string(result.overSizeCap) +
            " 個のJPEGファイルは、最低の画質でもファイルサイズ上限を超えました。";
  }
  if (result.smallerSources > 0) {
    text += "\n" + std::to_string(result.smallerSources) +
            " 個の画像は、変換後のほうが大きくなるため元のファイルをそのまま使いました。";
  }
  if (result.skipped > 0) {
    text += "\n" + std::to_string(result.skipped) +
            " 個の画像は、出力先に同じ名前のファイルがすでにあるため飛ばしました。";
  }
  if (result.failed > 0) {
    text += "\n" + std::to_string(result.converted) + " 件変換、" + std::to_string(result.failed) +
            " 件失敗しました。失敗した画像の一覧:\n[" + RunReportPath() + "]";
  }
  if (!failure.empty()) text += "\n" + failure;
  return text;
}

// The run's view while an estimate measures the entries for the budget: its turns go on, its
// progress waits for the conversions.
class BudgetEstimateView : public EstimateView {
 public:
  explicit BudgetEstimateView(RunView& view) : view_(view) {}
  void Turn() override { view_.Turn(); }
  void Stepped() override {}
  bool StopAsked() const override { return view_.StopAsked(); }

 private:
  RunView& view_;
};

// Under a budget, each entry's share of it, from an estimate of the run. False when the view
// asked to stop meanwhile.
bool ShareBudget(RunPlan& plan, RunView& view, int workers, RunRecord& run) {
  plan.ReadSettings();
  const PictureRecord target = plan.Entry(0).target;
  if (BudgetBytes(target) == 0) return true;
  BudgetEstimateView waiting(view);
  const std::optional<std::vector<EntryEstimate>> entries = EstimateRun(plan, workers, waiting);
  if (!entries) return false;
  run.budgetShares = ForecastBudget(*entries, target).shares;
  return true;
}

}  // namespace

BatchResult RunEntries(RunPlan& plan, RunView& view, int workers) {
  const int count = plan.Count();
  if (count <= 0) {
    ShowMessage("読み込まれてる画像はありません！");
    return {BatchOutcome::kNothingToConvert};
  }
  view.Started(count);
  if (workers <= 0) workers = WorkerPool::CoreCount();
  workers = std::clamp(std::min(workers, count), 1, kMostWorkers);
  RunRecord run;
  std::string failure;
  RemoveRunReport();
  run.result.outcome = ShareBudget(plan, view, workers, run)
                           ? ConvertEntries(workers, plan, view, run, failure)
                           : BatchOutcome::kStopped;
  // A run that went on past failures has failed too, however it ended.
  if (run.result.failed > 0 && run.result.outcome == BatchOutcome::kSucceeded) {
    run.result.outcome = BatchOutcome::kFailed;
  }
  if (run.result.outcome != BatchOutcome::kSucceeded) ReleaseAllImages(GetAppState());
  view.Converted();
  const bool reported = !run.failures.empty() && WriteRunReport(run.failures);
  view.ShowClosingMessage(ClosingMessage(run.result, failure), run.result);
  const std::string report = RunReportPath();
  view.Finished(reported ? &report : nullptr);
  return run.result;
}

bool GoesOnPastFailures(const PictureRecord& target) {
  return target.ON_ERROR == kOnErrorContinue && !IsAnimated(target);
}

void SetOutputRenamedHandler(OutputRenamedHandler handler) {
  RenamedHandler() = std::move(handler);
}

void SetEntryNoteHandler(EntryNoteHandler handler) {
  NoteHandler() = std::move(handler);
}
