// The estimate ("見積もり") of a run: for every entry of a plan, what the run would do with it —
// its output's name, the sizes in pixels, the output's bytes, and whether it would fail, be
// left out, take a numbered name, stay over the JPEG size cap or grow past its source — without
// writing into the output folder. Names, sizes, skips and failures to open are exact (each
// picture is decoded as the run decodes it); bytes are exact where the estimate converted the
// picture whole and predicted otherwise (engine/picture_estimate.h). The pictures are measured side
// by side on worker threads.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/picture_estimate.h"
#include "engine/run_plan.h"

struct EntryEstimate {
  std::string sourcePath;
  // The name the run would write; empty when the entry fails before it is named.
  std::string outputPath;
  std::int64_t sourceBytes = 0;
  PictureEstimate picture;
  // Why the run would fail the entry; empty when it would not.
  std::string failure;
  // Left out: its output is there already (EXISTING 1).
  bool skipped = false;
  // Saved under a numbered name: its own is another entry's, one of the run's sources, or a
  // file there (EXISTING 2).
  bool renamed = false;
  // False for an animation's frames before its last, which write no file of their own.
  bool writes = true;
  // Not reached: an earlier entry fails, and the run ends there (ON_ERROR 0).
  bool afterFailure = false;

  bool Fails() const { return !failure.empty(); }
  // True when the entry's output will be written.
  bool Written() const { return writes && !skipped && !Fails() && !afterFailure; }
  // The bytes the run will write for the entry: 0 when it writes nothing.
  std::int64_t OutputBytes() const { return Written() ? picture.bytes : 0; }
  bool OverSizeCap() const { return Written() && picture.overSizeCap; }
  bool LargerThanSource() const { return OutputBytes() > sourceBytes; }
};

// Estimates the plan's run on `workers` threads (every core when 0). Sets the state's records
// to each entry's, as the run does; writes only staged files in the program's temporary folder,
// which are gone when it returns.
std::vector<EntryEstimate> EstimateRun(const RunPlan& plan, int workers);

// What the window shows while its estimate goes on.
class EstimateView {
 public:
  virtual ~EstimateView() = default;
  // Between short waits for the workers: the window takes its messages.
  virtual void Turn() = 0;
  // One more entry measured.
  virtual void Stepped() = 0;
  virtual bool StopAsked() const = 0;
};
// The same with the view's turns; nothing when the view asked to stop.
std::optional<std::vector<EntryEstimate>> EstimateRun(const RunPlan& plan, int workers,
                                                      EstimateView& view);

struct EstimateTotals {
  int converted = 0;
  int failing = 0;
  int skipped = 0;
  int renamed = 0;
  int overSizeCap = 0;
  int larger = 0;
  int notReached = 0;
  std::int64_t inputBytes = 0;
  std::int64_t outputBytes = 0;
  // True when every written entry's bytes are exact.
  bool outputExact = true;
};

EstimateTotals TotalsOf(const std::vector<EntryEstimate>& entries);
