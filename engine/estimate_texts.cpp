#include "engine/estimate_texts.h"

#include <cstdio>

#include "engine/run_budget.h"

std::string SizeText(PixelSize size) {
  if (size.width <= 0) return "?";
  return std::to_string(size.width) + "x" + std::to_string(size.height);
}

std::string ShownBytes(std::int64_t bytes, bool exact) {
  char text[32];
  if (bytes >= 1000 * 1000) {
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
  } else {
    std::snprintf(text, sizeof text, "%.1f KB", static_cast<double>(bytes) / 1e3);
  }
  return (exact ? "" : "約 ") + std::string(text);
}

std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\t' || c == '\r') c = ' ';
  }
  return text;
}

std::string EstimateRemark(const EntryEstimate& entry) {
  if (entry.afterFailure) return "前の画像の失敗で変換は終わるため変換されません";
  if (entry.Fails()) return "失敗します: " + OneLine(entry.failure);
  if (entry.skipped) return "出力先にすでにあるため飛ばします";
  if (!entry.writes) return "GIFアニメーションのコマ(最後の画像で保存)";
  std::string remark;
  auto add = [&remark](const char* text) {
    remark += (remark.empty() ? "" : "、") + std::string(text);
  };
  if (entry.renamed) add("同じ名前があるため番号を付けます");
  if (entry.OverSizeCap()) add("最低の画質でもファイルサイズ上限を超えます");
  if (entry.LargerThanSource()) add("変換前より大きくなります");
  if (entry.picture.bytes == 0) add("大きさは見積もれません");
  return remark;
}

std::string EstimateSummary(const std::vector<EntryEstimate>& entries,
                            const PictureRecord& target) {
  const EstimateTotals totals = TotalsOf(entries);
  std::string summary;
  auto line = [&summary](const char* what, int count) {
    if (count > 0) summary += std::string(what) + " " + std::to_string(count) + " 件\n";
  };
  summary = "変換する画像 " + std::to_string(totals.converted) + " 件\n";
  line("失敗する画像", totals.failing);
  line("失敗で変換が終わるため変換されない画像", totals.notReached);
  line("出力先にすでにあるため飛ばす画像", totals.skipped);
  line("同じ名前があるため番号を付ける画像", totals.renamed);
  line("最低の画質でもファイルサイズ上限を超える画像", totals.overSizeCap);
  line("変換前より大きくなる画像", totals.larger);
  summary += "変換前の合計 " + ShownBytes(totals.inputBytes, true) + "\n変換後の合計 " +
             ShownBytes(totals.outputBytes, totals.outputExact);
  const std::int64_t budget = BudgetBytes(target);
  if (budget == 0) return summary;
  const BudgetForecast forecast = ForecastBudget(entries, target);
  return summary + "\n合計の上限 " + ShownBytes(budget, true) + " のとき: 変換後の合計 " +
         ShownBytes(forecast.totalBytes, false) + "、平均の画質 約 " +
         std::to_string(forecast.averageQuality);
}
