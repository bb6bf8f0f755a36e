// The estimate's page for the browser: every entry with its sizes before and after, its
// output's name and bytes and what the run will do with it, under the summary; in the
// temporary folder beside the preview's files, kept until the next estimate.
#pragma once

#include <string>
#include <vector>

#include "engine/run_estimate.h"
#include "state/app_state.h"

// Writes the page of the entries estimated with the settings `target` holds; its path, or empty
// when it could not be written.
std::string WriteEstimatePage(const std::vector<EntryEstimate>& entries,
                              const PictureRecord& target);
