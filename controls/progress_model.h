// What a Windows progress bar holds and how it moves: its range, position and step. The native
// window keeps these in the bar itself; the other control layers keep them here.
#pragma once

#include <algorithm>

class ProgressModel {
 public:
  int Low() const { return low_; }
  int High() const { return high_; }
  int Position() const { return position_; }

  // The position stays within the new range.
  void SetRange(int low, int high) {
    low_ = low;
    high_ = high;
    SetPosition(position_);
  }
  void SetPosition(int position) { position_ = std::clamp(position, low_, std::max(low_, high_)); }
  void SetStep(int step) { step_ = step; }
  // Stepping past the end starts over from the beginning, as the Windows progress bar does.
  void Step() {
    int position = position_ + step_;
    if (position > high_) position = low_ + (position - high_);
    SetPosition(position);
  }
  void Delta(int delta) { SetPosition(position_ + delta); }

 private:
  int low_ = 0;
  int high_ = 100;
  int position_ = 0;
  int step_ = 10;
};
