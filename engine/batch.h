// The batch run ("実行"): converts every entry of the input list into the output folder with the
// progress bar, ending with one summary message. Entries are converted side by side on worker
// threads, but their outputs appear, their messages are shown and the bar steps in list order,
// exactly as if they were converted one after the other.
#pragma once

#include <functional>
#include <string>

enum class BatchOutcome {
  kSucceeded,
  kFailed,
  // The list was empty.
  kNothingToConvert,
  // A run was already in progress (a second "実行" dispatched by the run's own message pump).
  kAlreadyRunning,
};

struct BatchResult {
  BatchOutcome outcome = BatchOutcome::kSucceeded;
  // Entries converted before the run ended.
  int converted = 0;
  // Outputs saved under a numbered name.
  int renamed = 0;
};

// `workers` threads convert (every core when 0), never more than there are entries.
BatchResult RunBatch(int workers);
// The run button's run, on every core.
void RunBatch();

// Told of every output that a run saves under a numbered name ("x(2).bmp") because an earlier
// entry of the same run wrote the name it would have had: the entry, that name, the one used.
using OutputRenamedHandler = std::function<void(
    const std::string& entry, const std::string& plannedPath, const std::string& savedPath)>;
void SetOutputRenamedHandler(OutputRenamedHandler handler);
