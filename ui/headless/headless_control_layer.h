// In-memory controls for tests and the window-less tool: message boxes are recorded (and, when
// asked, echoed to a stream), questions are answered from a queue.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/control_layer.h"

class HeadlessControlLayer : public ControlLayer {
 public:
  void ShowMessageBox(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  void PumpOneMessage() override;

  // Every message box text, in order.
  std::vector<std::string> messages;
  // Every question asked, in order.
  std::vector<std::string> questions;
  // Answers for the next questions; when empty, questions are answered with `defaultAnswer`.
  std::deque<bool> answers;
  bool defaultAnswer = true;
  // Called for every message box when set (the batch tool prints them).
  std::function<void(const std::string&)> onMessage;
  // Called for each pumped message when set (tests use it to run a command mid-loop).
  std::function<void()> onPump;
  int pumpCount = 0;
};
