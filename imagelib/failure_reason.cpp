#include "imagelib/failure_reason.h"

#include <utility>

#include "imagelib/imagelib.h"

namespace {

thread_local std::string lastReason;

}  // namespace

namespace imagelib {

bool Refuse(std::string reason) {
  if (lastReason.empty()) lastReason = std::move(reason);
  return false;
}

}  // namespace imagelib

const char* LastFailureReason() {
  return lastReason.c_str();
}

void ClearFailureReason() {
  lastReason.clear();
}
