// Operations of other subsystems that the panels' handlers start: the selection refresh with its
// trial conversion, the output-name preview, the input-list commands, the browser preview and the
// batch run, defined by the input, engine and preview modules. The handlers and the input-list
// commands reach the refresh and the name preview through CurrentViewOperations(), whose slots
// tests may replace to see which handler starts which operation, and which the window-less tool
// replaces because it has no picture information to show.
#pragma once

#include <functional>
#include <string>
#include <vector>

void RefreshSelection();
void ShowOutputNamePreview();
void OnAddOne();
void OnDeleteOne();
void OnDeleteAll();
void OnAddFolder();
void OnMoveUp();
void OnMoveDown();
void OnCalcTotal();
void OnPreview();
void RunBatch();
void OnInputDrop(const std::vector<std::string>& files);

struct ViewOperations {
  std::function<void()> refreshSelection = RefreshSelection;
  std::function<void()> showOutputNamePreview = ShowOutputNamePreview;
};

ViewOperations& CurrentViewOperations();
