// The operations of the input list, picture information, browser preview and
// batch run modules that the panels start. They do nothing until those modules are built.
#include "panels/view_operations.h"

void RefreshSelection() {}
void OnAddOne() {}
void OnDeleteOne() {}
void OnDeleteAll() {}
void OnAddFolder() {}
void OnMoveUp() {}
void OnMoveDown() {}
void OnCalcTotal() {}
void OnPreview() {}
void RunBatch() {}
void OnInputDrop(const std::vector<std::string>&) {}
