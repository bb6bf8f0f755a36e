// The command line of trastel-batch: its options, the pictures and folders to convert, and the
// help text.
#pragma once

#include <optional>
#include <string>
#include <vector>

// One "--set KEY=VALUE", split at the first '='.
struct SettingOverride {
  std::string key;
  std::string value;
};

struct BatchOptions {
  // Pictures and folders, in the order given.
  std::vector<std::string> paths;
  // Applied in the order given, after the settings are loaded.
  std::vector<SettingOverride> overrides;
  std::optional<std::string> outputFolder;
  std::optional<std::string> settingsFile;
  // Files listing more pictures, one per line, added after the paths.
  std::vector<std::string> lists;
  // Where the pictures that failed while the run went on past them are listed.
  std::optional<std::string> failedList;
  // A saved preset loaded over the settings before the overrides.
  std::optional<std::string> preset;
  // Conversions run at once; 0 for one per core.
  int jobs = 0;
  bool save = false;
  // Prints what the run would do instead of converting (--estimate), as tab-separated columns
  // with --tsv.
  bool estimate = false;
  bool tsv = false;
  bool help = false;
  bool listPresets = false;
};

struct ParsedCommandLine {
  BatchOptions options;
  // Empty when the command line is well formed; otherwise what is wrong with it.
  std::string error;
};

// Parses the arguments after the program name. "--" ends the options.
ParsedCommandLine ParseBatchCommandLine(const std::vector<std::string>& arguments);

// The short usage line printed with a usage error.
const char* BatchUsageLine();
// The full help, in Japanese and in English, up to the list of setting keys.
std::string BatchHelpText();
