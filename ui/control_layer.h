// The program's only way to the window system. Subsystems call these operations; the real
// window (ui/wx) and the in-memory controls (ui/headless) implement them.
#pragma once

#include <memory>
#include <string>

class ControlLayer {
 public:
  virtual ~ControlLayer() = default;

  // A modal message box with the caption "メッセージボックス" and an OK button.
  virtual void ShowMessageBox(const std::string& text) = 0;
  // A modal Yes/No question with the caption "メッセージ"; true for Yes.
  virtual bool AskYesNo(const std::string& text) = 0;
  // Dispatches at most one pending event; never blocks.
  virtual void PumpOneMessage() = 0;
};

// The control layer in use. Until one is installed, a headless layer serves.
ControlLayer& GetControlLayer();
// Installs a layer and returns the one it replaces.
std::unique_ptr<ControlLayer> SetControlLayer(std::unique_ptr<ControlLayer> layer);

// Shorthand used by long loops so that the window stays responsive.
inline void pumpOneMessage() {
  GetControlLayer().PumpOneMessage();
}
