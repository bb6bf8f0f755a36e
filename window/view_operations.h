// Operations that the panels' handlers start: the selection refresh with its trial conversion,
// the output-name preview, the input-list commands and the browser preview, defined beside the
// input list, the picture facts and the preview (the run button's run: window_run.h). The handlers
// and the input-list commands reach the refresh and the name preview through
// CurrentViewOperations(), whose slots tests may replace to see which handler starts which
// operation.
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
void OnInputDrop(const std::vector<std::string>& files);

struct ViewOperations {
  std::function<void()> refreshSelection = RefreshSelection;
  std::function<void()> showOutputNamePreview = ShowOutputNamePreview;
};

ViewOperations& CurrentViewOperations();
