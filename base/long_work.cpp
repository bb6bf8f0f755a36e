#include "base/long_work.h"

namespace {

thread_local void (*currentTurn)() = nullptr;

}  // namespace

LongWorkTurns::LongWorkTurns(void (*turn)()) : previous_(currentTurn) {
  currentTurn = turn;
}

LongWorkTurns::~LongWorkTurns() {
  currentTurn = previous_;
}

void TakeTurn() {
  if (currentTurn != nullptr) currentTurn();
}
