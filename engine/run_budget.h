// A run's total budget (BUDGET_MB): shared among the entries in proportion to the bytes each is
// predicted to take at the chosen quality (engine/run_estimate.h), each share a cap its output is
// written within at the highest quality whose file fits (engine/encoders.h), so that the outputs
// together stay within the budget.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/run_estimate.h"
#include "state/app_state.h"

// The budget in bytes when the settings have one for their output format (JPEG, WebP, AVIF);
// 0 otherwise.
std::int64_t BudgetBytes(const PictureRecord& target);

// Each entry's share of `budget`: `predicted` holds the bytes each is predicted to take, -1 for
// an entry that writes nothing (its share is 0) and 0 for one whose bytes are not known, which
// is taken to need as much as the others on average. Every writing entry gets at least a byte.
std::vector<std::int64_t> BudgetShares(std::span<const std::int64_t> predicted,
                                       std::int64_t budget);

struct BudgetForecast {
  // By entry, as BudgetShares gives them.
  std::vector<std::int64_t> shares;
  // The outputs' predicted total within their shares.
  std::int64_t totalBytes = 0;
  // The quality the shares lead to on average, predicted from how files grow with the quality
  // over the bench's photos.
  int averageQuality = 0;
};
// The budget of `target`'s settings shared among the estimated entries.
BudgetForecast ForecastBudget(const std::vector<EntryEstimate>& entries,
                              const PictureRecord& target);
