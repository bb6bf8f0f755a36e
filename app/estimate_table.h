// What trastel-batch --estimate prints: a line for each entry and the totals, or with --tsv a
// header line and the entries' columns separated by tabs.
#pragma once

#include <string>
#include <vector>

#include "engine/run_estimate.h"
#include "state/app_state.h"

// `outputFolder` ends with '/'; outputs are shown relative to it. `target` holds the settings.
std::string EstimateTable(const std::vector<EntryEstimate>& entries,
                          const std::string& outputFolder, const PictureRecord& target);
// Columns source, output, width, height (the output's), bytes (0 for an entry that will not be
// written), remark.
std::string EstimateTsv(const std::vector<EntryEstimate>& entries);
