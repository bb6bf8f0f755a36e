// Starts the reference picture tool (ImageMagick) from a test and collects what it prints.
#pragma once

#include <string>

struct ReferenceToolRun {
  bool succeeded = false;  // started and exited with 0
  std::string output;      // its standard output
};

// Runs `commandLine`, a shell command line naming /usr/bin/convert or /usr/bin/identify with
// single-quoted file paths. On POSIX the shell runs it. A Windows build under Wine hands it to
// the Linux shell with every Windows path turned into its Unix name; on Windows itself it needs
// `sh` and `magick` on PATH, else the test fails saying so.
ReferenceToolRun RunReferenceTool(const std::string& commandLine);
