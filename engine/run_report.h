// The page that lists the pictures a run went on past (ON_ERROR 1), each with what it said: in
// the temporary folder beside the preview's files, for the browser, kept until the next run.
#pragma once

#include <string>
#include <vector>

struct FailedEntry {
  std::string entry;
  // The entry's messages and the run's reason, in order.
  std::vector<std::string> texts;
};

// `text` for an HTML page: its markup characters escaped, its line breaks made <br>.
std::string EscapedHtml(const std::string& text);
// A page of that name in the temporary folder, as a whole path.
std::string TempPagePath(const std::string& name);
// Where the page is.
std::string RunReportPath();
// Writes the page; false when it could not be written.
bool WriteRunReport(const std::vector<FailedEntry>& failures);
// Removes the page of an earlier run.
void RemoveRunReport();
