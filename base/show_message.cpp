#include "base/show_message.h"

#include <cstdarg>
#include <cstdio>
#include <string>
#include <utility>

#include "base/text_encoding.h"
#include "controls/control_layer.h"
#include "controls/thread_role.h"
#include "platform/files.h"

namespace {

// Messages are limited to 511 bytes of text (a 512-byte buffer with its terminator).
constexpr std::size_t kMessageBytes = 511;
// Most of a message may name a path; the rest says what is wrong with it.
constexpr std::size_t kShownPathBytes = 400;

thread_local MessageCapture* currentCapture = nullptr;

std::function<void(const std::string&)>& Sink() {
  static std::function<void(const std::string&)> sink;
  return sink;
}

// The paths a message names, in brackets, with the system's own separator.
std::string WithShownPaths(std::string text) {
  for (std::size_t open = text.find('['); open != std::string::npos;
       open = text.find('[', open + 1)) {
    const std::size_t close = text.find_first_of("]\n", open + 1);
    if (close == std::string::npos || text[close] != ']') continue;
    text.replace(open + 1, close - open - 1,
                 platform::ShownPath(text.substr(open + 1, close - open - 1)));
  }
  return text;
}

}  // namespace

MessageCapture::MessageCapture() : previous_(currentCapture) {
  currentCapture = this;
}

MessageCapture::~MessageCapture() {
  currentCapture = previous_;
}

std::string PathForMessage(std::string_view path) {
  return ShortenInMiddle(path, kShownPathBytes);
}

void ShowMessage(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  va_list counting;
  va_copy(counting, arguments);
  int length = std::vsnprintf(nullptr, 0, format, counting);
  va_end(counting);
  std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
  if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, arguments);
  va_end(arguments);
  // A long path is cut at a character boundary, never inside a character.
  std::string shown(CutAtCharacterBoundary(WithShownPaths(std::move(text)), kMessageBytes));
  if (currentCapture != nullptr) {
    currentCapture->texts_.push_back(std::move(shown));
  } else {
    // A worker's message without a capture would open a message box from that thread.
    AssertWindowThread();
    if (Sink()) {
      Sink()(shown);
    } else {
      GetControlLayer().ShowMessageBox(shown);
    }
  }
}

void SetMessageSink(std::function<void(const std::string&)> sink) {
  Sink() = std::move(sink);
}
