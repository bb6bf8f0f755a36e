// The progress bar of trastel-batch: one line on standard error, redrawn in place, shown only
// when standard error is a terminal.
#pragma once

#include <string>

class BatchProgress {
 public:
  // Draws nothing unless `enabled`.
  explicit BatchProgress(bool enabled) : enabled_(enabled) {}
  ~BatchProgress() { Clear(); }
  BatchProgress(const BatchProgress&) = delete;
  BatchProgress& operator=(const BatchProgress&) = delete;

  // Shows `done` of `total` pictures converted and the picture being converted.
  void Show(int done, int total, const std::string& current);
  // Removes the bar, so that a message can be printed on its line.
  void Clear();

 private:
  bool enabled_;
  bool shown_ = false;
};
