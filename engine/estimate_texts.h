// An estimate in the program's words, the same in trastel-batch's table, the window's summary and
// the window's page of every entry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/output_size.h"
#include "engine/run_estimate.h"
#include "state/app_state.h"

// "640x480"; "?" when not known.
std::string SizeText(PixelSize size);
// "約 123.4 MB", or "123.4 MB" when exact; KB below a megabyte.
std::string ShownBytes(std::int64_t bytes, bool exact);
// A text as one line: its line breaks and tabs made spaces.
std::string OneLine(std::string text);
// What the run will do with the entry beside converting it; several joined by "、".
std::string EstimateRemark(const EntryEstimate& entry);
// A line for each outcome that some entries have, with their count, then the totals before and
// after; under a budget (BUDGET_MB), the total it holds the outputs to and the quality that
// leads to.
std::string EstimateSummary(const std::vector<EntryEstimate>& entries, const PictureRecord& target);
// What the figures of an estimate are measured and predicted from.
inline constexpr char kEstimateNote[] =
    "「約」の付いたバイト数は画像の一部を変換して予測したものです。\n"
    "大きさ(ピクセル)と名前は実行と同じです。";
