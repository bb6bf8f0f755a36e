#include "app/estimate_table.h"

#include "engine/estimate_texts.h"

namespace {

std::string Relative(const std::string& path, const std::string& folder) {
  return path.starts_with(folder) ? path.substr(folder.size()) : path;
}

std::string FileName(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string EstimateTable(const std::vector<EntryEstimate>& entries,
                          const std::string& outputFolder, const PictureRecord& target) {
  std::string table = "変換前 → 変換後 | 変換前のサイズ → 変換後のサイズ | バイト数 | 備考\n";
  for (const EntryEstimate& entry : entries) {
    const std::string bytes = entry.Written() && entry.picture.bytes > 0
                                  ? ShownBytes(entry.picture.bytes, entry.picture.bytesExact)
                                  : "-";
    table += FileName(entry.sourcePath) + " → " +
             (entry.outputPath.empty() ? "-" : Relative(entry.outputPath, outputFolder)) + " | " +
             SizeText(entry.picture.source) + " → " + SizeText(entry.picture.output) + " | " +
             bytes + " | " + EstimateRemark(entry) + "\n";
  }
  table += "\n" + EstimateSummary(entries, target) + "\n" + kEstimateNote + "\n";
  return table;
}

std::string EstimateTsv(const std::vector<EntryEstimate>& entries) {
  std::string tsv = "source\toutput\twidth\theight\tbytes\tremark\n";
  for (const EntryEstimate& entry : entries) {
    tsv += OneLine(entry.sourcePath) + "\t" + OneLine(entry.outputPath) + "\t" +
           std::to_string(entry.picture.output.width) + "\t" +
           std::to_string(entry.picture.output.height) + "\t" +
           std::to_string(entry.OutputBytes()) + "\t" + EstimateRemark(entry) + "\n";
  }
  return tsv;
}
