#include "engine/estimate_texts.h"

#include <cstdio>

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

std::string EstimateSummary(const EstimateTotals& totals) {
  std::string counts =
      "変換 " + std::to_string(totals.converted) + " 件、失敗 " + std::to_string(totals.failing) +
      " 件、飛ばす " + std::to_string(totals.skipped) + " 件、番号付き " +
      std::to_string(totals.renamed) + " 件、上限超え " + std::to_string(totals.overSizeCap) +
      " 件、変換前より大きい " + std::to_string(totals.larger) + " 件";
  if (totals.notReached > 0) {
    counts += "、失敗で終わるため変換されない " + std::to_string(totals.notReached) + " 件";
  }
  return counts + "\n変換前の合計 " + ShownBytes(totals.inputBytes, true) + " → 変換後の合計 " +
         ShownBytes(totals.outputBytes, totals.outputExact);
}
