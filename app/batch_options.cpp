#include "app/batch_options.h"

#include <charconv>
#include <string>
#include <string_view>

#include "imagelib/picture_formats.h"

namespace {

// Options followed by a value, either as the next argument or after '='.
enum class ValueOption { kSet, kOut, kSettings, kJobs, kList, kFailedList, kPreset };

struct ValueOptionName {
  std::string_view name;
  ValueOption option;
};

constexpr ValueOptionName kValueOptions[] = {
    {"--set", ValueOption::kSet},           {"--out", ValueOption::kOut},
    {"--settings", ValueOption::kSettings}, {"--jobs", ValueOption::kJobs},
    {"--list", ValueOption::kList},         {"--failed-list", ValueOption::kFailedList},
    {"--preset", ValueOption::kPreset},
};

// Stores `value` for `option`; an error text when it is malformed.
std::string StoreValue(ValueOption option, const std::string& value, BatchOptions& options) {
  switch (option) {
    case ValueOption::kSet: {
      std::size_t equals = value.find('=');
      if (equals == std::string::npos || equals == 0) {
        return "--set には KEY=VALUE を指定してください / --set needs KEY=VALUE: \"" + value + "\"";
      }
      options.overrides.push_back({value.substr(0, equals), value.substr(equals + 1)});
      return {};
    }
    case ValueOption::kOut:
      if (value.empty()) return "--out に出力フォルダを指定してください / --out needs a folder";
      options.outputFolder = value;
      return {};
    case ValueOption::kSettings:
      if (value.empty()) {
        return "--settings に設定ファイルを指定してください / --settings needs a file";
      }
      options.settingsFile = value;
      return {};
    case ValueOption::kJobs: {
      int jobs = 0;
      const char* end = value.data() + value.size();
      const auto [stop, error] = std::from_chars(value.data(), end, jobs);
      if (error != std::errc() || stop != end || jobs < 1) {
        return "--jobs には 1 以上の整数を指定してください / --jobs needs a whole number of 1 or "
               "more: \"" +
               value + "\"";
      }
      options.jobs = jobs;
      return {};
    }
    case ValueOption::kList:
      if (value.empty())
        return "--list に画像の一覧のファイルを指定してください / --list needs a file";
      options.lists.push_back(value);
      return {};
    case ValueOption::kFailedList:
      if (value.empty()) {
        return "--failed-list に書き出すファイルを指定してください / --failed-list needs a file";
      }
      options.failedList = value;
      return {};
    case ValueOption::kPreset:
      if (value.empty()) return "--preset に設定の名前を指定してください / --preset needs a name";
      options.preset = value;
      return {};
  }
  return {};
}

}  // namespace

ParsedCommandLine ParseBatchCommandLine(const std::vector<std::string>& arguments) {
  ParsedCommandLine parsed;
  BatchOptions& options = parsed.options;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
      options.paths.push_back(argument);
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    if (argument == "--help" || argument == "-h") {
      options.help = true;
      continue;
    }
    if (argument == "--save") {
      options.save = true;
      continue;
    }
    if (argument == "--list-presets") {
      options.listPresets = true;
      continue;
    }
    if (argument == "--estimate") {
      options.estimate = true;
      continue;
    }
    if (argument == "--tsv") {
      options.tsv = true;
      continue;
    }
    if (argument == "--recursive" || argument == "-r") {
      options.overrides.push_back({"SUBFOLDERS", "1"});
      continue;
    }
    const ValueOptionName* matched = nullptr;
    std::optional<std::string> inlineValue;
    for (const ValueOptionName& candidate : kValueOptions) {
      if (argument == candidate.name) {
        matched = &candidate;
      } else if (argument.starts_with(std::string(candidate.name) + "=")) {
        matched = &candidate;
        inlineValue = argument.substr(candidate.name.size() + 1);
      }
      if (matched) break;
    }
    if (!matched) {
      parsed.error = "不明なオプションです / unknown option: " + argument;
      return parsed;
    }
    if (!inlineValue) {
      if (i + 1 == arguments.size()) {
        parsed.error = argument + " の値がありません / " + argument + " needs a value";
        return parsed;
      }
      inlineValue = arguments[++i];
    }
    parsed.error = StoreValue(matched->option, *inlineValue, options);
    if (!parsed.error.empty()) return parsed;
  }
  if (options.tsv && !options.estimate) {
    parsed.error = "--tsv は --estimate と一緒に指定してください / --tsv needs --estimate";
    return parsed;
  }
  if (!options.help && !options.listPresets && options.paths.empty() && options.lists.empty()) {
    parsed.error = "変換する画像かフォルダを指定してください / no picture or folder given";
  }
  return parsed;
}

const char* BatchUsageLine() {
  return "使い方 / usage: trastel-batch [--out DIR] [--settings FILE] [--set KEY=VALUE]... "
         "[--save] [--jobs N] [--recursive] [--list FILE] [--failed-list FILE] [--preset NAME] "
         "[--estimate [--tsv]] "
         "PATH...\n"
         "詳しくは / see: trastel-batch --help\n";
}

namespace {

// The formats read, as the help lists them: "BMP, JPEG, ...".
std::string FormatNames() {
  std::string names;
  for (const imagelib::PictureFormat& format : imagelib::PictureFormats()) {
    names += (names.empty() ? "" : ", ") + std::string(format.name);
  }
  return names;
}

}  // namespace

std::string BatchHelpText() {
  const std::string formats = FormatNames();
  return R"(使い方: trastel-batch [オプション] パス...

パスに指定した画像ファイル()" +
         formats + R"()と
フォルダの中の画像を、ウィンドウ版と同じ設定と同じ変換で一度に変換します。
画像でないファイルは標準エラーに一行出して飛ばします。
読み込めるのは 1000 件までです。

  --out DIR          出力フォルダを DIR にします(なければ作ります)。
  --settings FILE    設定ファイル(最後に表示)の代わりに FILE の設定を使います。
  --set KEY=VALUE    設定ファイルのキー名で設定を一つ変えます(何度でも指定可)。
                     ウィンドウで入力したときと同じ補正がかかります。
                     例: DIB_TYPE=1  JPG_TYPE=20  RESIZE_TYPE=3  RESIZE_X=800
                         RENAME_TYPE=2  RENAME_NAME=photo
  --save             変えた設定を設定ファイルに保存します
                     (指定しなければ保存しません)。
  --jobs N           N 個の画像を同時に変換します(既定: CPU のコア数)。
  --recursive, -r    フォルダのサブフォルダの画像も変換します(SUBFOLDERS=1)。
  --list FILE        FILE に一行に一つずつ書かれた画像とフォルダも変換します
                     (UTF-8 か Shift_JIS)。パスがなくても使えます。
  --failed-list FILE 失敗しても続けたとき(ON_ERROR=1)に失敗した画像を FILE に
                     一行ずつ書き出します。--list FILE でそれだけを
                     変換し直せます。
  --preset NAME      保存した設定 NAME を読み込んでから --set を当てます
                     (出力フォルダは NAME が持つときだけ変わります)。
  --list-presets     保存した設定の名前を一行ずつ表示します。
  --estimate         変換せずに見積もりを表示します: 画像ごとの出力名、
                     変換前と変換後の大きさ(ピクセル)、バイト数
                     (「約」は予測)、失敗・飛ばす・番号付き・上限超え・
                     変換前より大きいの別と合計。出力フォルダには
                     何も書きません。
  --tsv              --estimate の結果を、見出し行 source output width
                     height bytes remark に続けて一件一行のタブ区切りで
                     出します。
  --help, -h         この説明を表示します。

メッセージは標準エラーに出ます。端末では進み具合も表示します。
終了コード: 0 = 変換が成功しました！  1 = 失敗  2 = 使い方の誤り

Usage: trastel-batch [options] PATH...

Converts the picture files ()" +
         formats + R"()
and the pictures in the folders given as PATH in one run, with the settings
and the conversion of the window program. Files that are not pictures are
skipped with a line on standard error. At most 1000 pictures are taken.

  --out DIR          Writes the results into DIR (created if missing).
  --settings FILE    Uses the settings in FILE instead of the settings file
                     (shown last).
  --set KEY=VALUE    Changes one setting, named by its settings-file key
                     (repeatable). The value is corrected as the window
                     corrects what a user enters.
                     e.g. DIB_TYPE=1  JPG_TYPE=20  RESIZE_TYPE=3  RESIZE_X=800
                          RENAME_TYPE=2  RENAME_NAME=photo
  --save             Stores the changed settings in the settings file (never
                     stored without).
  --jobs N           Converts N pictures at a time (default: the number of
                     cores).
  --recursive, -r    Also converts the pictures of the folders' sub-folders
                     (SUBFOLDERS=1).
  --list FILE        Also converts the pictures and folders listed in FILE, one
                     per line (UTF-8 or Shift_JIS); no PATH is needed then.
  --failed-list FILE Writes the pictures that failed while the run went on past
                     them (ON_ERROR=1) into FILE, one per line, for --list FILE
                     to convert them again.
  --preset NAME      Loads the saved settings NAME (saved in the window with
                     設定を名前を付けて保存...), then applies --set. The output
                     folder changes only when NAME holds one.
  --list-presets     Lists the names of the saved settings, one per line.
  --estimate         Prints what the run would do, converting nothing: each
                     picture's output name, its size and its output's in
                     pixels, the output's bytes ("約" when predicted),
                     whether it would fail, be skipped, be renamed, stay over
                     the JPEG size cap or grow past its source, and the
                     totals. Writes nothing into the output folder.
  --tsv              With --estimate: a header line "source output width
                     height bytes remark", then one tab-separated line per
                     picture.
  --help, -h         Shows this help.

Messages go to standard error, with a progress bar when it is a terminal.
Exit status: 0 after "変換が成功しました！", 1 after a failure,
2 for a usage error.

設定のキーと値 / setting keys and values:
)";
}
