// The batch run ("実行"): converts every entry of the input list into the output folder with the
// progress bar, ending with one summary message. Entries are converted side by side on worker
// threads, but their outputs appear, their messages are shown and the bar steps in list order,
// exactly as if they were converted one after the other.
//
// What a run converts is its plan (engine/run_plan.h) and what it shows goes to its view
// (RunView): the window's run button gives the list and the controls, and the progress bar
// (window/window_run.cpp); trastel-batch gives the pictures of its arguments and its terminal.
//
// Threads. The calling thread (the window's, in the window) runs the run: it lets the view
// take the user's commands (the window pumps one message per turn of its loop, waiting at most
// 20 ms for a conversion in between), reads each entry's input from the plan, prepares the entry
// (output name, copy number, sub-folder, job), and commits the entries in list order: shows
// their messages, renames their outputs into place, steps the view. Worker threads
// (engine/worker_pool.h) only convert: each job works on its own copies of the records, keeps its
// messages in a MessageCapture and its files under temporary names, and touches neither the
// controls nor the application state (debug builds assert this, controls/thread_role.h).
//
// Look-ahead. Up to twice as many entries as there are workers are prepared before the first
// uncommitted one is done. An entry counts as reached once the pump before it, in a run of one
// entry after the other, has run: its input is then read again. Whenever a command dispatched by
// the pump changes the list or a setting, the prepared entries not yet reached are read again;
// from the first one whose input changed on, they are dropped (their files removed, their names
// given back) and prepared again. Committed and reached entries stay.
//
// Company. A picture whose conversion failed while another conversion ran beside it is
// converted once more on its own before its failure counts, so that a run on many cores never
// keeps fewer outputs than one after the other would when memory or disk space runs short.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/run_plan.h"

enum class BatchOutcome {
  kSucceeded,
  kFailed,
  // The list was empty.
  kNothingToConvert,
  // The list was emptied (全て削除) before the run reached its end; what was converted stays.
  kListEmptied,
  // A run was already in progress: the button, which reads "中止" during a run, was pressed
  // again (a click dispatched by the run's own message pump), and the run is asked to stop.
  kAlreadyRunning,
  // Stopped at the user's request: what was converted stays, nothing else is left.
  kStopped,
};

// What a run does with an output file that is there already from an earlier run (EXISTING).
enum ExistingOutput {
  kExistingReplace = 0,
  kExistingSkip = 1,
  kExistingNumber = 2,
};

// What a run does when a picture cannot be converted (ON_ERROR): end there, as always, or go on
// and list every failed picture with its reason at the end (not for an animation, whose frames
// belong together).
enum OnError {
  kOnErrorStop = 0,
  kOnErrorContinue = 1,
};

// True when a run goes on past a picture it cannot convert (ON_ERROR 1, not an animation).
bool GoesOnPastFailures(const PictureRecord& target);

struct BatchResult {
  BatchOutcome outcome = BatchOutcome::kSucceeded;
  // Entries converted before the run ended.
  int converted = 0;
  // Outputs saved under a numbered name.
  int renamed = 0;
  // Outputs saved under a numbered name because their own was one of the run's sources (not
  // counted in `renamed`).
  int keptSources = 0;
  // JPEGs that stayed larger than their size cap (JPG_MAX_KB) at the lowest quality.
  int overSizeCap = 0;
  // Outputs that are their sources' own bytes, fewer than the conversion's (KEEP_SMALLER).
  int smallerSources = 0;
  // Entries left out because their output was there already (EXISTING 1).
  int skipped = 0;
  // Entries that failed while the run went on past them (ON_ERROR 1).
  int failed = 0;
  // Those entries, in list order, as the list names them: what a retry of only them takes.
  std::vector<std::string> failedEntries{};
};

// What a run shows while it goes on, and where it learns that the user wants it to stop.
class RunView {
 public:
  virtual ~RunView() = default;

  // The run starts with `count` entries.
  virtual void Started(int count) = 0;
  // Once per turn of the run's loop: shows that the run is alive and takes the user's commands.
  virtual void Turn() = 0;
  // One more entry is done, converted or not.
  virtual void Stepped() = 0;
  virtual bool StopAsked() const = 0;
  // No entry is converted any more; the closing message comes next.
  virtual void Converted() = 0;
  // Shows the closing message of the run whose result it is.
  virtual void ShowClosingMessage(const std::string& text, const BatchResult& result) = 0;
  // After the closing message; `report` is the page listing the failed pictures, when written.
  virtual void Finished(const std::string* report) = 0;
};

// Converts the plan's entries on `workers` threads (every core when 0, never more than there
// are entries) and shows the closing message.
BatchResult RunEntries(RunPlan& plan, RunView& view, int workers);

// Told of every output that a run saves under a numbered name ("x(2).bmp") because an earlier
// entry of the same run wrote the name it would have had: the entry, that name, the one used.
using OutputRenamedHandler = std::function<void(
    const std::string& entry, const std::string& plannedPath, const std::string& savedPath)>;
void SetOutputRenamedHandler(OutputRenamedHandler handler);

// What a run tells of one entry beside the closing message's counts.
enum class EntryNote {
  // A JPEG saved larger than its size cap, at the lowest quality.
  kOverSizeCap,
  // Not converted: its output was there already, and is left as it is.
  kSkippedExisting,
  // Failed, and the run went on.
  kFailedAndWentOn,
};
// Told of every such entry: the note, the entry, and its output (the reason, for a failure).
using EntryNoteHandler =
    std::function<void(EntryNote note, const std::string& entry, const std::string& detail)>;
void SetEntryNoteHandler(EntryNoteHandler handler);
