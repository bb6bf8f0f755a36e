// The program's message box: printf-style text, at most 511 bytes, OK button only.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

[[gnu::format(printf, 1, 2)]] void ShowMessage(const char* format, ...);

// Where the messages go that no capture keeps: the control layer's message box, or the sink a
// program without a window gives (none again when `sink` is empty).
void SetMessageSink(std::function<void(const std::string&)> sink);

// While one lives on a thread, ShowMessage on that thread keeps the text here instead of showing
// it, so that work done away from the window's thread can have its messages shown later, in order.
class MessageCapture {
 public:
  MessageCapture();
  ~MessageCapture();
  MessageCapture(const MessageCapture&) = delete;
  MessageCapture& operator=(const MessageCapture&) = delete;

  std::vector<std::string> Take() { return std::move(texts_); }

 private:
  friend void ShowMessage(const char* format, ...);
  std::vector<std::string> texts_;
  MessageCapture* previous_;
};

// A path as a message names it: shortened in its middle when long, so that its start, its file
// name and the rest of the message all fit.
std::string PathForMessage(std::string_view path);
