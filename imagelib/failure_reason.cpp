#include "imagelib/failure_reason.h"

#include <utility>

#include "imagelib/imagelib.h"
#include "imagelib/picture.h"

namespace {

thread_local std::string lastReason;
thread_local bool lastWasWriting = false;

}  // namespace

namespace imagelib {

bool Refuse(std::string reason) {
  if (lastReason.empty()) lastReason = std::move(reason);
  return false;
}

bool RefuseWriting(std::string reason) {
  if (lastReason.empty()) lastWasWriting = true;
  return Refuse(std::move(reason));
}

std::string TooLargeReason(std::int64_t width, std::int64_t height) {
  constexpr std::uint64_t kSide = 16384;
  static_assert(kSide * kSide == kMaxPixels);
  return "画像が大きすぎます（" + std::to_string(width) + "×" + std::to_string(height) +
         " ピクセル。扱えるのは " + std::to_string(kSide) + "×" + std::to_string(kSide) +
         " ピクセル分まで）";
}

}  // namespace imagelib

const char* LastFailureReason() {
  return lastReason.c_str();
}

int LastFailureIsWriting() {
  return lastWasWriting ? 1 : 0;
}

void ClearFailureReason() {
  lastReason.clear();
  lastWasWriting = false;
}
