#include "window/estimate_page.h"

#include <fstream>

#include "engine/estimate_texts.h"
#include "engine/run_report.h"
#include "platform/files.h"

namespace {

std::string Cell(const std::string& text) {
  return "<td>" + EscapedHtml(text) + "</td>";
}

std::string Row(int number, const EntryEstimate& entry) {
  const bool written = entry.Written() && entry.picture.bytes > 0;
  return "<tr>" + Cell(std::to_string(number)) + Cell(platform::ShownPath(entry.sourcePath)) +
         Cell(entry.outputPath.empty() ? "-" : platform::ShownPath(entry.outputPath)) +
         Cell(SizeText(entry.picture.source)) + Cell(SizeText(entry.picture.output)) +
         Cell(ShownBytes(entry.sourceBytes, true)) +
         Cell(written ? ShownBytes(entry.picture.bytes, entry.picture.bytesExact) : "-") +
         Cell(EstimateRemark(entry)) + "</tr>\n";
}

}  // namespace

std::string WriteEstimatePage(const std::vector<EntryEstimate>& entries,
                              const PictureRecord& target) {
  std::string page =
      "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<title>見積もり</title>\n<style>table{border-collapse:collapse}"
      "td,th{border:1px solid #999;padding:2px 6px}td:nth-child(n+4):nth-child(-n+7)"
      "{text-align:right;white-space:nowrap}</style>\n</head>\n<body>\n<h1>見積もり (" +
      std::to_string(entries.size()) + " 件)</h1>\n<p>" +
      EscapedHtml(EstimateSummary(entries, target)) + "</p>\n<p>" + EscapedHtml(kEstimateNote) +
      "<br>書き込むときに初めてわかる失敗(ディスクの空きが足りないなど)と、大きなJPEG画像の"
      "データの途中にある壊れは、見積もりには出ません。</p>\n"
      "<table>\n<tr><th>番号</th><th>変換前</th><th>変換後</th><th>変換前の大きさ</th>"
      "<th>変換後の大きさ</th><th>変換前のバイト数</th><th>変換後のバイト数</th><th>備考</th></"
      "tr>\n";
  int number = 0;
  for (const EntryEstimate& entry : entries) page += Row(++number, entry);
  page += "</table>\n</body>\n</html>\n";
  const std::string path = TempPagePath("estimate.html");
  std::ofstream file(platform::PathOf(path), std::ios::binary | std::ios::trunc);
  file << page;
  return file ? path : std::string();
}
