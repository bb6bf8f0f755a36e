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

#include "base/path_names.h"
#include "base/show_message.h"
#include "engine/encoders.h"
#include "engine/entry_job.h"
#include "engine/imagelib/atomic_output.h"
#include "engine/output_naming.h"
#include "engine/run_outputs.h"
#include "engine/worker_pool.h"
#include "panels/fill_and_read_panels.h"
#include "platform/files.h"
#include "resources/control_ids.h"
#include "state/app_state.h"
#include "ui/control_layer.h"

namespace {

// More threads than this gain nothing on a picture converter's work.
constexpr int kMostWorkers = 64;
// How often the run's own thread shows it is alive while it waits for the next entry.
constexpr std::chrono::milliseconds kPumpInterval(20);

// Set while a run is in progress: a second "実行" dispatched by the run's own message pump is
// ignored instead of starting a run inside the run.
bool running = false;

class RunningFlag {
 public:
  RunningFlag() { running = true; }
  ~RunningFlag() { running = false; }
  RunningFlag(const RunningFlag&) = delete;
  RunningFlag& operator=(const RunningFlag&) = delete;
};

OutputRenamedHandler& RenamedHandler() {
  static OutputRenamedHandler handler;
  return handler;
}

// What one run has written or will write, and its result so far.
struct RunRecord {
  RunOutputs outputs;
  std::set<std::string> cleanedFolders;
  BatchResult result;
};

// One entry as the run's own thread prepared it. Its conversion, if it got one, runs on a worker.
struct Entry {
  int index = 0;
  std::shared_ptr<EntryJob> job;
  bool submitted = false;
  std::string sourcePath;
  std::string plannedPath;
  std::string outputPath;
  // Why the entry could not be prepared (it then has no job).
  std::string failure;
  std::vector<std::string> messages;
};

// Temporary files that a killed run left in an output folder are removed when a run first
// writes there.
void RemoveLeftovers(RunRecord& run, const std::string& outputPath) {
  const std::string folder = platform::Utf8Of(platform::PathOf(outputPath).parent_path());
  if (run.cleanedFolders.insert(folder).second) imagelib::RemoveStaleTemporaryFiles(folder);
}

bool IsAnimated(const PictureRecord& target) {
  return target.DIB_TYPE == kFormatGif && target.GIF_ANIMA != 0;
}

bool WritesFile(const PictureRecord& target, bool isLast) {
  // An animated GIF is one file, written at the last entry.
  return !IsAnimated(target) || isLast;
}

// Prepares entry `index` for the pipeline: source path and name, output name and path. An
// output name an earlier entry of this run takes gets the next free copy number. False, with
// the reason in entry.failure, when the output path would not fit.
bool PrepareEntry(int index, bool isLast, RunRecord& run, Entry& entry) {
  ControlLayer& controls = GetControlLayer();
  AppState* state = GetAppState();
  PictureRecord& source = *state->source;
  PictureRecord& target = *state->target;
  PathBlock& paths = *state->paths;
  CopyText(source.path, controls.ListText(kInputPanel, kInputList, index).c_str());
  ReadPanels();
  CopyText(source.name, FileNamePart(source.path, false).c_str());
  MakeOutputName(source.name, paths.RENAME_TYPE, target.DIB_TYPE, EntryNumber(index),
                 paths.RENAME_DIB, paths.FOLDER_TYPE, paths.subFolder);
  if (paths.FOLDER_TYPE != 0) CreateOutputFolder(paths.SAVE, paths.subFolder);
  const std::string planned = std::string(paths.SAVE) + paths.outputName;
  std::string outputPath = planned;
  if (WritesFile(target, isLast)) {
    outputPath = run.outputs.FreePath(planned, OutputExtension(target.DIB_TYPE, paths.RENAME_DIB));
  }
  if (outputPath.size() > kMaxPathBytes) {
    entry.failure = "出力先のパスが " + std::to_string(kMaxPathBytes) +
                    " バイトを超えるため保存できません:\n[" + outputPath + "]";
    return false;
  }
  if (outputPath != planned) {
    CopyText(paths.outputName, outputPath.substr(std::strlen(paths.SAVE)).c_str());
  }
  // Taken now: should an earlier entry fail, no later one is kept anyway.
  if (WritesFile(target, isLast)) run.outputs.Add(outputPath);
  RemoveLeftovers(run, outputPath);
  CopyText(target.path, outputPath.c_str());
  entry.sourcePath = source.path;
  entry.plannedPath = planned;
  entry.outputPath = outputPath;
  return true;
}

Entry MakeEntry(int index, bool isLast, RunRecord& run, FrameSlots& frames) {
  Entry entry;
  entry.index = index;
  MessageCapture capture;
  if (PrepareEntry(index, isLast, run, entry)) {
    const AppState* state = GetAppState();
    EntryJob::Kind kind = EntryJob::Kind::kPicture;
    if (IsAnimated(*state->target)) {
      kind = isLast ? EntryJob::Kind::kLastFrame : EntryJob::Kind::kFrame;
    }
    entry.job =
        std::make_shared<EntryJob>(*state->source, *state->target, kind, frames.All(), index);
  }
  entry.messages = capture.Take();
  return entry;
}

void Submit(WorkerPool& pool, Entry& entry) {
  if (!entry.job || entry.submitted) return;
  entry.submitted = true;
  pool.Submit([job = entry.job] { job->Run(); });
}

// Shows what the entry said, puts its output under its name and steps the bar. False, with
// the reason in `failure`, when the entry failed: the run ends there.
bool FinishEntry(Entry& entry, RunRecord& run, std::string& failure) {
  for (const std::string& text : entry.messages) ShowMessage("%s", text.c_str());
  if (!entry.job) {
    failure = entry.failure;
    return false;
  }
  if (entry.outputPath != entry.plannedPath) {
    ++run.result.renamed;
    if (RenamedHandler()) RenamedHandler()(entry.sourcePath, entry.plannedPath, entry.outputPath);
  }
  for (const std::string& text : entry.job->TakeMessages()) ShowMessage("%s", text.c_str());
  if (!entry.job->Succeeded() || !entry.job->CommitOutputs()) {
    failure = entry.job->Failure();
    entry.job->DiscardOutputs();
    return false;
  }
  ++run.result.converted;
  GetControlLayer().DeltaProgress(kProgressPanel, kBatchProgressBar, 1);
  return true;
}

// Drops entries that will not be kept: their conversions are stopped or waited for and their
// files removed.
void DropEntries(std::deque<Entry>& entries) {
  for (Entry& entry : entries) {
    if (entry.job) entry.job->Cancel();
  }
  for (Entry& entry : entries) {
    if (!entry.job || !entry.submitted) continue;
    while (!entry.job->WaitDone(kPumpInterval)) {
    }
    entry.job->DiscardOutputs();
  }
  entries.clear();
}

// Converts the list on `workers` threads. False, with the reason in `failure`, when an entry
// failed.
bool ConvertEntries(int workers, RunRecord& run, LoopWaitCursor& wait, std::string& failure) {
  const PathBlock& paths = *GetAppState()->paths;
  FrameSlots frames(kFrameSlotCount);
  std::deque<Entry> entries;
  // Declared after the frames, so that its threads have ended before the frames go.
  WorkerPool pool(workers);
  const std::size_t ahead = 2 * static_cast<std::size_t>(workers);
  int next = 0;
  bool preparing = true;
  for (;;) {
    wait.Show();
    pumpOneMessage();
    // The bound is read again at each step: a command dispatched by the pump may change it.
    while (preparing && next < paths.itemCount && entries.size() < ahead) {
      entries.push_back(MakeEntry(next, next == paths.itemCount - 1, run, frames));
      Entry& entry = entries.back();
      preparing = entry.job != nullptr;
      // The animation is written once every earlier frame is in.
      const bool lastFrame =
          entry.job && IsAnimated(*GetAppState()->target) && next == paths.itemCount - 1;
      if (!lastFrame) Submit(pool, entry);
      ++next;
    }
    if (entries.empty() || entries.front().index >= paths.itemCount) {
      DropEntries(entries);
      return true;
    }
    Entry& head = entries.front();
    Submit(pool, head);
    if (head.job && !head.job->WaitDone(kPumpInterval)) continue;
    if (!FinishEntry(head, run, failure)) {
      entries.pop_front();
      DropEntries(entries);
      return false;
    }
    entries.pop_front();
  }
}

// The closing message: the outcome, how many outputs were renamed, and why the run failed.
void ShowClosingMessage(const BatchResult& result, const std::string& failure) {
  std::string text =
      result.outcome == BatchOutcome::kSucceeded ? "変換が成功しました！" : "変換が失敗しました！";
  if (result.renamed > 0) {
    text += "\n同じ名前になった " + std::to_string(result.renamed) +
            " 個のファイルは、(2) などの番号を付けた名前で保存しました。";
  }
  if (!failure.empty()) text += "\n" + failure;
  ShowMessage("%s", text.c_str());
}

}  // namespace

BatchResult RunBatch(int workers) {
  if (running) return {BatchOutcome::kAlreadyRunning};
  RunningFlag flag;
  ControlLayer& controls = GetControlLayer();
  AppState* state = GetAppState();
  PathBlock& paths = *state->paths;
  const int count = controls.ListCount(kInputPanel, kInputList);
  if (count <= 0) {
    ShowMessage("読み込まれてる画像はありません！");
    return {BatchOutcome::kNothingToConvert};
  }
  paths.itemCount = count;
  controls.SetProgressRange(kProgressPanel, kBatchProgressBar, 0, count & 0xffff);
  controls.SetProgressPosition(kProgressPanel, kBatchProgressBar, 0);
  controls.SetProgressStep(kProgressPanel, kBatchProgressBar, 1);

  if (workers <= 0) workers = WorkerPool::CoreCount();
  workers = std::clamp(std::min(workers, count), 1, kMostWorkers);
  LoopWaitCursor wait;
  RunRecord run;
  std::string failure;
  const bool converted = ConvertEntries(workers, run, wait, failure);
  if (!converted) ReleaseAllImages(state);
  wait.End();
  run.result.outcome = converted ? BatchOutcome::kSucceeded : BatchOutcome::kFailed;
  ShowClosingMessage(run.result, failure);
  controls.SetProgressPosition(kProgressPanel, kBatchProgressBar, 0);
  return run.result;
}

void RunBatch() {
  RunBatch(0);
}

void SetOutputRenamedHandler(OutputRenamedHandler handler) {
  RenamedHandler() = std::move(handler);
}
