// Long work done on the window's thread (a trial conversion's table-art page) lets the window
// take its messages now and then: the code that starts such work says how, for its duration. On
// other threads, and where nobody said, a turn does nothing.
#pragma once

class LongWorkTurns {
 public:
  // Until destruction, TakeTurn() on this thread calls `turn`.
  explicit LongWorkTurns(void (*turn)());
  ~LongWorkTurns();
  LongWorkTurns(const LongWorkTurns&) = delete;
  LongWorkTurns& operator=(const LongWorkTurns&) = delete;

 private:
  void (*previous_)();
};

void TakeTurn();
