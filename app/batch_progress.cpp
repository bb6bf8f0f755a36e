#include "app/batch_progress.h"

#include <algorithm>
#include <cstdio>

#include "base/text_encoding.h"
#include "platform/process.h"

namespace {

constexpr int kBarWidth = 30;
// The picture's name is cut so that the line fits a narrow terminal.
constexpr std::size_t kNameBytes = 40;

// The bar's text without the line control characters, e.g. "[#####     ] 5/10 a.jpg".
std::string ProgressLine(int done, int total, const std::string& current) {
  const int filled = total > 0 ? std::clamp(done, 0, total) * kBarWidth / total : 0;
  std::string line = "[" + std::string(filled, '#') + std::string(kBarWidth - filled, ' ') + "] ";
  line += std::to_string(done) + "/" + std::to_string(total);
  if (!current.empty()) line += " " + std::string(CutAtCharacterBoundary(current, kNameBytes));
  return line;
}

}  // namespace

void BatchProgress::Show(int done, int total, const std::string& current) {
  if (!enabled_) return;
  // Carriage return, the line, then erase what a longer previous line left to its right.
  platform::WriteText(stderr, "\r" + ProgressLine(done, total, current) + "\033[K");
  std::fflush(stderr);
  shown_ = true;
}

void BatchProgress::Clear() {
  if (!shown_) return;
  platform::WriteText(stderr, "\r\033[K");
  std::fflush(stderr);
  shown_ = false;
}
