// The batch run ("実行"): converts every entry of the input list, in list order, into the
// output folder with the progress bar, ending with one summary message.
#pragma once

#include <functional>
#include <string>

void RunBatch();

// Told of every output that a run saves under a numbered name ("x(2).bmp") because an earlier
// entry of the same run wrote the name it would have had: the entry, that name, the one used.
using OutputRenamedHandler = std::function<void(
    const std::string& entry, const std::string& plannedPath, const std::string& savedPath)>;
void SetOutputRenamedHandler(OutputRenamedHandler handler);
