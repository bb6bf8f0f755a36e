#include "ui/headless/headless_control_layer.h"

void HeadlessControlLayer::ShowMessageBox(const std::string& text) {
  messages.push_back(text);
  if (onMessage) onMessage(text);
}

bool HeadlessControlLayer::AskYesNo(const std::string& text) {
  questions.push_back(text);
  if (answers.empty()) return defaultAnswer;
  bool answer = answers.front();
  answers.pop_front();
  return answer;
}

void HeadlessControlLayer::PumpOneMessage() {
  ++pumpCount;
  if (onPump) onPump();
}
