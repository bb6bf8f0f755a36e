#include "engine/run_report.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "base/settings_place.h"
#include "platform/files.h"

namespace {

constexpr char kReportName[] = "failed.html";

}  // namespace

std::string EscapedHtml(const std::string& text) {
  std::string escaped;
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\n':
        escaped += "<br>";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

std::string TempPagePath(const std::string& name) {
  // Whole, so that a message tells where it is wherever the reader stands.
  std::error_code error;
  const auto whole = std::filesystem::absolute(platform::PathOf(TempFilePath(name)), error);
  return error ? TempFilePath(name) : platform::Utf8Of(whole.lexically_normal());
}

std::string RunReportPath() {
  return TempPagePath(kReportName);
}

bool WriteRunReport(const std::vector<FailedEntry>& failures) {
  std::string page =
      "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<title>変換できなかった画像</title>\n</head>\n<body>\n<h1>変換できなかった画像 (" +
      std::to_string(failures.size()) + " 件)</h1>\n<ol>\n";
  for (const FailedEntry& failure : failures) {
    page += "<li><b>" + EscapedHtml(platform::ShownPath(failure.entry)) + "</b>";
    for (const std::string& text : failure.texts) page += "<br>" + EscapedHtml(text);
    page += "</li>\n";
  }
  page += "</ol>\n</body>\n</html>\n";
  std::ofstream file(platform::PathOf(RunReportPath()), std::ios::binary | std::ios::trunc);
  file << page;
  return static_cast<bool>(file);
}

void RemoveRunReport() {
  platform::RemoveFile(RunReportPath().c_str());
}
