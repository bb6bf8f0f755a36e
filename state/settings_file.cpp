#include "state/settings_file.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "base/settings_place.h"
#include "base/show_message.h"
#include "base/text_encoding.h"
#include "imagelib/atomic_output.h"
#include "imagelib/codec_support.h"
#include "imagelib/regular_file.h"
#include "platform/files.h"
#include "state/app_state.h"
#include "state/setting_bindings.h"
#include "state/setting_ranges.h"

namespace {

// What tells the two settings files apart: their first lines.
struct FileFormat {
  const char* line;
  const char* word;
};
constexpr FileFormat kMainFormat = {"#FORMAT VIMBO_TRASTEL_200 (*.inf,*.INF)", "VIMBO_TRASTEL_200"};
constexpr FileFormat kExtrasFormat = {"#FORMAT TRASTEL_EXTRAS_100 (*.inf,*.INF)",
                                      "TRASTEL_EXTRAS_100"};
constexpr FileFormat kPresetFormat = {"#FORMAT TRASTEL_PRESET_100 (*.inf,*.INF)",
                                      "TRASTEL_PRESET_100"};
constexpr const char* kExtrasName = "Trastel.inf";
constexpr const char* kEndLine = "#END";
constexpr std::size_t kLineBytes = kSettingsLineBytes;
// A settings file holds a few kilobytes; one past this size is damaged and is not read at all.
constexpr std::uint64_t kMostSettingsBytes = 1 << 20;
constexpr const char* kDamagedMessage = "Load ：\"%s\"ファイルが壊れています、新規作成をします。";

using File = platform::Stream;

const FileFormat& FormatOf(SettingsFile file) {
  return file == SettingsFile::kMain ? kMainFormat : kExtrasFormat;
}

// Which settings a file holds.
using SettingFilter = std::function<bool(const SettingBinding&)>;

SettingFilter InFile(SettingsFile file) {
  return [file](const SettingBinding& setting) { return setting.file == file; };
}

// A preset holds the settings of both files; the output folder only when asked.
SettingFilter InPreset(bool withOutputFolder) {
  return [withOutputFolder](const SettingBinding& setting) {
    return withOutputFolder || !setting.ValueOnOwnLine();
  };
}

// The whole file rendered as text with CR LF line ends.
std::string RenderSettings(AppState& state, const FileFormat& format, const SettingFilter& holds) {
  std::string text;
  auto line = [&text](const std::string& content) { text += content + "\r\n"; };
  line(format.line);
  for (const SettingBinding& setting : SettingBindings()) {
    if (!holds(setting)) continue;
    std::string value = setting.IsNumber() ? std::to_string(*setting.NumberIn(state))
                                           : std::string(setting.FitText(setting.TextIn(state)));
    if (setting.ValueOnOwnLine()) {
      line(setting.key);
      line(value);
    } else {
      line(std::string(setting.key) + "\t" + value);
    }
  }
  line(kEndLine);
  return text;
}

bool IsBlank(char c) {
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// The second whitespace-separated word of a line (the first is its key), or empty.
std::string SecondWord(const char* line) {
  const char* cursor = line;
  while (*cursor != '\0' && IsBlank(*cursor)) ++cursor;
  while (*cursor != '\0' && !IsBlank(*cursor)) ++cursor;
  while (*cursor != '\0' && IsBlank(*cursor)) ++cursor;
  const char* end = cursor;
  while (*end != '\0' && !IsBlank(*end)) ++end;
  return std::string(cursor, end);
}

// Reads a signed decimal number from the start of `word` (its leading digits). Values past the
// 32-bit range saturate instead of overflowing.
bool ParseLeadingNumber(const std::string& word, std::int32_t& value) {
  std::size_t i = 0;
  bool negative = false;
  if (i < word.size() && (word[i] == '+' || word[i] == '-')) negative = word[i++] == '-';
  if (i >= word.size() || !std::isdigit(static_cast<unsigned char>(word[i]))) return false;
  std::int64_t magnitude = 0;
  for (; i < word.size() && std::isdigit(static_cast<unsigned char>(word[i])); ++i) {
    magnitude = std::min<std::int64_t>(magnitude * 10 + (word[i] - '0'), INT64_C(1) << 32);
  }
  std::int64_t signedValue = negative ? -magnitude : magnitude;
  value = static_cast<std::int32_t>(std::clamp<std::int64_t>(signedValue, INT32_MIN, INT32_MAX));
  return true;
}

bool IsComment(const char* line) {
  return std::strncmp(line, "//", 2) == 0 || std::strncmp(line, "##", 2) == 0 ||
         std::strncmp(line, "%%", 2) == 0 || line[0] == '"' || line[0] == '{' || line[0] == '}';
}

bool IsOversized(const char* path) {
  auto file = imagelib::RegularFile::Open(path);
  return file && file->Size() > kMostSettingsBytes;
}

// The whole contents of a regular file of settings size; nothing for anything else. A folder or
// a device is no settings file, and a named pipe would block the start until someone writes to it.
std::optional<std::string> ReadRegularFile(const char* path) {
  auto file = imagelib::RegularFile::Open(path);
  imagelib::Bytes bytes;
  if (!file || file->Size() > kMostSettingsBytes || !file->ReadMore(bytes, file->Size())) {
    return std::nullopt;
  }
  return std::string(bytes.begin(), bytes.end());
}

// The bytes of a regular file, read whole into `storage`, as a stream; null for anything else.
File OpenRegularFile(const char* path, std::string& storage) {
  std::optional<std::string> bytes = ReadRegularFile(path);
  if (!bytes) return nullptr;
  storage = std::move(*bytes);
  return platform::OpenMemoryStream(storage);
}

// The settings file's bytes as a stream of lines. `cp932` tells whether the file was written on
// Windows in cp932 (it is not valid UTF-8): its lines are then cut by their stored bytes, as
// they were written, and converted one by one.
File OpenSettingsText(const char* path, std::string& storage, bool& cp932) {
  File file = OpenRegularFile(path, storage);
  cp932 = file && !IsValidUtf8(storage) && Cp932ToUtf8(storage).has_value();
  return file;
}

// A line as UTF-8 text.
std::string LineText(const char* line, bool cp932) {
  if (!cp932) return line;
  return Cp932ToUtf8(line).value_or(line);
}

void ApplyKeyLine(const SettingBinding& setting, const char* line, AppState& state) {
  std::string word = SecondWord(line);
  if (setting.IsNumber()) {
    ParseLeadingNumber(word, *setting.NumberIn(state));
  } else if (!word.empty()) {
    setting.StoreText(state, word);
  }
}

}  // namespace

SettingsLine ReadSettingsLine(std::FILE* stream, char (&line)[kSettingsLineBytes]) {
  if (std::fgets(line, kLineBytes, stream) == nullptr) {
    line[0] = '\0';
    return SettingsLine::kEndOfFile;
  }
  // Treat CR LF like LF, also when the CR ends a piece and the LF starts the next.
  std::size_t length = std::strlen(line);
  if (length >= 1 && line[length - 1] == '\r') {
    int next = std::fgetc(stream);
    if (next == '\n') {
      line[length - 1] = '\n';
    } else if (next != EOF) {
      std::ungetc(next, stream);
    }
  } else if (length >= 2 && line[length - 2] == '\r' && line[length - 1] == '\n') {
    line[length - 2] = '\n';
    line[length - 1] = '\0';
  }
  if (line[0] == '\n' || line[0] == '\0' || IsComment(line)) return SettingsLine::kSkip;
  return SettingsLine::kContent;
}

int KeyMatches(const char* line, const char* key) {
  return std::strncmp(line, key, std::strlen(key)) == 0 ? 1 : 0;
}

int CheckSettingsFormat(const char* path, const char* formatWord) {
  std::string storage;
  File file = OpenRegularFile(path, storage);
  if (!file) {
    ShowMessage("ファイルオープン失敗");
    return 0;
  }
  char line[kLineBytes];
  ReadSettingsLine(file.get(), line);
  std::string word = SecondWord(line);
  if (word.empty()) return 0;
  return std::strncmp(formatWord, word.c_str(), word.size()) == 0 ? 1 : 0;
}

namespace {

// Beside the main file, whatever folder that is in.
std::string ExtrasPathBeside(const char* mainPath) {
  return platform::Utf8Of(platform::PathOf(mainPath).parent_path() / kExtrasName);
}

SettingsStatus SaveFile(const char* path, SettingsFile file) {
  const std::string text = RenderSettings(*GetAppState(), FormatOf(file), InFile(file));
  // The settings are saved after every change of a control and before every entry of a run: a
  // file that already holds these bytes is left alone, which spares a flush to the disk each time.
  if (ReadRegularFile(path) == text) return SettingsStatus::kDone;
  // Written under a temporary name of this process and renamed over the old file, so a failed
  // or interrupted save never leaves a truncated file and two savers at once never mix theirs.
  if (!imagelib::WriteFileAtomically(
          path, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()})) {
    ShowMessage("Save ：\"%s\"ファイルオープン失敗", path);
    return SettingsStatus::kCannotOpen;
  }
  return SettingsStatus::kDone;
}

const SettingBinding* SettingOfLine(const std::string& text, const SettingFilter& holds) {
  for (const SettingBinding& setting : SettingBindings()) {
    if (holds(setting) && KeyMatches(text.c_str(), setting.key)) return &setting;
  }
  return nullptr;
}

// Reads the lines after the format line into `state`; true when they end with the end line.
// What was read up to a line no key of the file begins stays in the state.
bool ReadSettingLines(std::FILE* stream, bool cp932, const SettingFilter& holds, AppState& state) {
  char line[kLineBytes];
  for (;;) {
    SettingsLine lineKind = ReadSettingsLine(stream, line);
    if (lineKind == SettingsLine::kSkip) continue;
    if (lineKind == SettingsLine::kEndOfFile) return false;
    const std::string text = LineText(line, cp932);
    const SettingBinding* matched = SettingOfLine(text, holds);
    if (matched == nullptr) return KeyMatches(line, kEndLine) != 0;
    if (matched->ValueOnOwnLine()) {
      char value[kLineBytes];
      if (ReadSettingsLine(stream, value) == SettingsLine::kEndOfFile) return false;
      std::size_t length = std::strlen(value);
      if (length > 0 && value[length - 1] == '\n') value[length - 1] = '\0';
      matched->StoreText(state, LineText(value, cp932));
    } else {
      ApplyKeyLine(*matched, text.c_str(), state);
    }
  }
}

SettingsStatus LoadFile(const char* path, SettingsFile file) {
  AppState* state = GetAppState();
  const platform::PathKind kind = platform::KindOf(path);
  if (kind == platform::PathKind::kMissing || kind == platform::PathKind::kUnreadable) {
    return SettingsStatus::kMissing;
  }
  if (IsOversized(path)) {
    ShowMessage(kDamagedMessage, path);
    return SettingsStatus::kDamaged;
  }
  if (!CheckSettingsFormat(path, FormatOf(file).word)) {
    ShowMessage("Load ：\"%s\"はフォーマットが違います。新規作成をします。", path);
    return SettingsStatus::kWrongFormat;
  }
  std::string storage;
  bool cp932 = false;
  File stream = OpenSettingsText(path, storage, cp932);
  if (!stream) {
    ShowMessage("Load ：\"%s\"ファイルオープン失敗、新規作成をします。", path);
    return SettingsStatus::kCannotOpen;
  }

  char line[kLineBytes];
  ReadSettingsLine(stream.get(), line);  // The format line.
  if (ReadSettingLines(stream.get(), cp932, InFile(file), *state)) return SettingsStatus::kDone;
  ShowMessage(kDamagedMessage, path);
  return SettingsStatus::kDamaged;
}

}  // namespace

SettingsStatus SaveSettings() {
  char path[kPathBufferBytes];
  CopyText(path, GetAppState()->paths->configPath);
  const SettingsStatus main = SaveFile(path, SettingsFile::kMain);
  if (main != SettingsStatus::kDone) return main;
  return SaveFile(ExtrasPathBeside(path).c_str(), SettingsFile::kExtras);
}

SettingsStatus LoadSettings() {
  AppState* state = GetAppState();
  char path[kPathBufferBytes];
  CopyText(path, state->paths->configPath);
  // Saves of runs that were killed while writing leave their temporary files beside the file.
  imagelib::RemoveStaleTemporaryFiles(platform::Utf8Of(platform::PathOf(path).parent_path()));
  // The extras file goes its own way: a missing one means its defaults, silently; one that
  // cannot be read wholly, its defaults after its message.
  const SettingsStatus extras = LoadFile(ExtrasPathBeside(path).c_str(), SettingsFile::kExtras);
  // Its values are used as they stand (the dialog's settings never pass the panels' rules), so
  // each is held to its range here.
  for (const SettingBinding& setting : SettingBindings()) {
    if (setting.file != SettingsFile::kExtras) continue;
    if (extras != SettingsStatus::kDone) {
      setting.StoreDefault(*state);
    } else if (setting.IsNumber()) {
      *setting.NumberIn(*state) = WithinRange(setting, *setting.NumberIn(*state));
    }
  }
  return LoadFile(path, SettingsFile::kMain);
}

std::string RenderPreset(AppState& state, bool withOutputFolder) {
  return RenderSettings(state, kPresetFormat, InPreset(withOutputFolder));
}

bool ReadPreset(const char* path, AppState& state) {
  std::string storage;
  bool cp932 = false;
  File stream = OpenSettingsText(path, storage, cp932);
  if (!stream) return false;
  char line[kLineBytes];
  ReadSettingsLine(stream.get(), line);
  if (SecondWord(line) != kPresetFormat.word) return false;
  return ReadSettingLines(stream.get(), cp932, InPreset(true), state);
}

void DeleteTempFiles() {
  platform::RemoveFile(TempFilePath(kPreviewSourceName).c_str());
  platform::RemoveFile(TempFilePath(GetAppState()->paths->tempName).c_str());
}
