#include "app/estimate_table.h"

#include <cstdio>

namespace {

std::string SizeText(PixelSize size) {
  if (size.width <= 0) return "?";
  return std::to_string(size.width) + "x" + std::to_string(size.height);
}

// A reason as one line.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\t' || c == '\r') c = ' ';
  }
  return text;
}

// What the run will do beside converting, in the program's words; several joined by "、".
std::string Remark(const EntryEstimate& entry) {
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

std::string Relative(const std::string& path, const std::string& folder) {
  return path.starts_with(folder) ? path.substr(folder.size()) : path;
}

std::string FileName(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// "約 123.4 MB", or "123.4 MB" when exact.
std::string ShownBytes(std::int64_t bytes, bool exact) {
  char text[32];
  if (bytes >= 1000 * 1000) {
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
  } else {
    std::snprintf(text, sizeof text, "%.1f KB", static_cast<double>(bytes) / 1e3);
  }
  return (exact ? "" : "約 ") + std::string(text);
}

}  // namespace

std::string EstimateTable(const std::vector<EntryEstimate>& entries,
                          const std::string& outputFolder) {
  std::string table = "変換前 → 変換後 | 変換前のサイズ → 変換後のサイズ | バイト数 | 備考\n";
  for (const EntryEstimate& entry : entries) {
    const std::string bytes = entry.Written() && entry.picture.bytes > 0
                                  ? ShownBytes(entry.picture.bytes, entry.picture.bytesExact)
                                  : "-";
    table += FileName(entry.sourcePath) + " → " +
             (entry.outputPath.empty() ? "-" : Relative(entry.outputPath, outputFolder)) + " | " +
             SizeText(entry.picture.source) + " → " + SizeText(entry.picture.output) + " | " +
             bytes + " | " + Remark(entry) + "\n";
  }
  const EstimateTotals totals = TotalsOf(entries);
  table += "\n変換 " + std::to_string(totals.converted) + " 件、失敗 " +
           std::to_string(totals.failing) + " 件、飛ばす " + std::to_string(totals.skipped) +
           " 件、番号付き " + std::to_string(totals.renamed) + " 件、上限超え " +
           std::to_string(totals.overSizeCap) + " 件、変換前より大きい " +
           std::to_string(totals.larger) + " 件" +
           (totals.notReached > 0
                ? "、失敗で終わるため変換されない " + std::to_string(totals.notReached) + " 件"
                : "") +
           "\n";
  table += "変換前の合計 " + ShownBytes(totals.inputBytes, true) + " → 変換後の合計 " +
           ShownBytes(totals.outputBytes, totals.outputExact) + "\n";
  table +=
      "「約」の付いたバイト数は画像の一部を変換して予測したものです。"
      "大きさ(ピクセル)と名前は実行と同じです。\n";
  return table;
}

std::string EstimateTsv(const std::vector<EntryEstimate>& entries) {
  std::string tsv = "source\toutput\twidth\theight\tbytes\tremark\n";
  for (const EntryEstimate& entry : entries) {
    tsv += OneLine(entry.sourcePath) + "\t" + OneLine(entry.outputPath) + "\t" +
           std::to_string(entry.picture.output.width) + "\t" +
           std::to_string(entry.picture.output.height) + "\t" +
           std::to_string(entry.OutputBytes()) + "\t" + Remark(entry) + "\n";
  }
  return tsv;
}
