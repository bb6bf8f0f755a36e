#include "state/presets.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>

#include "base/show_message.h"
#include "base/text_encoding.h"
#include "imagelib/codec_support.h"
#include "platform/files.h"
#include "state/output_formats.h"
#include "state/setting_bindings.h"
#include "state/setting_ranges.h"
#include "state/settings_file.h"

namespace {

constexpr std::string_view kExtension = ".inf";
// Long enough for any name a person types, short enough for a path under Windows' limits.
constexpr std::size_t kLongestName = 64;

struct PresetValue {
  const char* key;
  std::int32_t value;
};

struct ShippedPreset {
  const char* name;
  std::initializer_list<PresetValue> values;
};

// The presets the program comes with: the defaults but for these values. JPG_TYPE is the
// compression percentage (100 - quality); RESIZE_TYPE 3 is the size given, RESIZE_FIT 2 the long
// side; EXIF_KEEP 1 keeps the date and camera, 2 everything.
const ShippedPreset kShippedPresets[] = {
    {"Web用",
     {{"DIB_TYPE", kFormatJpeg},
      {"RESIZE_TYPE", 3},
      {"RESIZE_X", 1600},
      {"RESIZE_Y", 1600},
      {"RESIZE_FIT", 2},
      {"NO_ENLARGE", 1},
      {"JPG_MAX_KB", 200},
      {"EXIF_KEEP", 1}}},
    {"メール添付",
     {{"DIB_TYPE", kFormatJpeg},
      {"RESIZE_TYPE", 3},
      {"RESIZE_X", 1280},
      {"RESIZE_Y", 1280},
      {"RESIZE_FIT", 2},
      {"NO_ENLARGE", 1},
      {"JPG_TYPE", 20},
      {"EXIF_KEEP", 1}}},
    {"印刷用", {{"DIB_TYPE", kFormatJpeg}, {"RESIZE_TYPE", 0}, {"JPG_TYPE", 5}, {"EXIF_KEEP", 2}}},
};

std::string PathOf(const std::string& folder, std::string_view name) {
  return folder + std::string(name) + std::string(kExtension);
}

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

// Every setting at its default; the output folder is left as `state` has it.
void StoreDefaults(AppState& state) {
  for (const SettingBinding& setting : SettingBindings()) {
    if (!setting.ValueOnOwnLine()) setting.StoreDefault(state);
  }
}

void WriteShippedPresets(const std::string& folder) {
  for (const ShippedPreset& preset : kShippedPresets) {
    AppState settings;
    StoreDefaults(settings);
    for (const PresetValue& value : preset.values) {
      *FindSetting(value.key)->NumberIn(settings) = value.value;
    }
    SavePreset(folder, preset.name, settings, false);
  }
}

// Makes the folder with the shipped presets the first time it is wanted.
void MakeFolderOnce(const std::string& folder) {
  if (platform::KindOf(folder.c_str()) != platform::PathKind::kMissing) return;
  const std::string parent = platform::Utf8Of(platform::PathOf(folder).parent_path().parent_path());
  if (platform::MakeFolder(folder.c_str(), parent.c_str())) WriteShippedPresets(folder);
}

// Windows keeps these names for its devices, whatever follows a dot.
bool IsDeviceName(std::string_view name) {
  std::string stem(name.substr(0, name.find('.')));
  std::ranges::transform(stem, stem.begin(), AsciiLower);
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (const char* device : {"con", "prn", "aux", "nul"}) {
    if (stem == device) return true;
  }
  return stem.size() == 4 && (stem.starts_with("com") || stem.starts_with("lpt")) &&
         stem[3] >= '1' && stem[3] <= '9';
}

}  // namespace

std::string PresetsFolderBeside(const std::string& configPath) {
  return platform::Utf8Of(platform::PathOf(configPath).parent_path() / "Presets") + "/";
}

std::vector<std::string> ListPresets(const std::string& folder) {
  MakeFolderOnce(folder);
  std::vector<std::string> names;
  for (const std::string& file : platform::ListFolder(folder.c_str())) {
    if (file.size() <= kExtension.size()) continue;
    const std::string_view name(file.data(), file.size() - kExtension.size());
    if (!SameName(std::string_view(file).substr(name.size()), kExtension)) continue;
    if (platform::KindOf((folder + file).c_str()) != platform::PathKind::kRegularFile) continue;
    if (PresetNameProblem(name).empty()) names.emplace_back(name);
  }
  return names;
}

std::string PresetNameProblem(std::string_view name) {
  if (name.empty()) return "設定の名前を入力してください。";
  const std::string quoted = "「" + std::string(name) + "」";
  if (!IsValidUtf8(name) || StoredLength(std::string(name)) > kLongestName) {
    return quoted + "は設定の名前として長すぎます。";
  }
  const bool forbidden = std::ranges::any_of(name, [](char c) {
    return static_cast<unsigned char>(c) < 0x20 ||
           std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos;
  });
  if (forbidden || name.back() == ' ' || name.back() == '.' || IsDeviceName(name)) {
    return quoted +
           "は設定の名前に使えません。\n"
           "\\ / : * ? \" < > | は使えず、最後に空白やピリオドは置けません。";
  }
  return {};
}

std::optional<std::string> FindPreset(const std::string& folder, std::string_view name) {
  for (const std::string& stored : ListPresets(folder)) {
    if (SameName(stored, name)) return stored;
  }
  return std::nullopt;
}

bool SavePreset(const std::string& folder, const std::string& name, AppState& state,
                bool withOutputFolder) {
  MakeFolderOnce(folder);
  const std::string text = RenderPreset(state, withOutputFolder);
  const std::string path = PathOf(folder, name);
  if (!imagelib::WriteFileAtomically(
          path.c_str(), {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()})) {
    ShowMessage("設定「%s」を保存できませんでした。\n[%s]", name.c_str(), path.c_str());
    return false;
  }
  // A name that differs only in letter case replaced the old one on Windows; so here too.
  for (const std::string& stored : ListPresets(folder)) {
    if (stored != name && SameName(stored, name)) {
      platform::RemoveFile(PathOf(folder, stored).c_str());
    }
  }
  return true;
}

bool LoadPreset(const std::string& folder, const std::string& name, AppState& state) {
  AppState read;
  *read.target = *state.target;
  *read.paths = *state.paths;
  StoreDefaults(read);
  const std::string path = PathOf(folder, name);
  if (!ReadPreset(path.c_str(), read)) {
    ShowMessage("設定「%s」は壊れているため読み込めませんでした。\n[%s]", name.c_str(),
                path.c_str());
    return false;
  }
  for (const SettingBinding& setting : SettingBindings()) {
    // As the settings file's: the panels hold theirs to their rules when they show them.
    if (setting.file == SettingsFile::kExtras && setting.IsNumber()) {
      *setting.NumberIn(read) = WithinRange(setting, *setting.NumberIn(read));
    }
  }
  *state.target = *read.target;
  *state.paths = *read.paths;
  return true;
}

bool RenamePreset(const std::string& folder, const std::string& from, const std::string& to) {
  if (std::string problem = PresetNameProblem(to); !problem.empty()) {
    ShowMessage("%s", problem.c_str());
    return false;
  }
  if (from == to) return true;
  const std::string source = PathOf(folder, from);
  const std::string target = PathOf(folder, to);
  const std::optional<std::string> existing = FindPreset(folder, to);
  if (existing && !SameName(*existing, from)) {
    ShowMessage("「%s」という設定はすでにあります。", existing->c_str());
    return false;
  }
  // Only the letter case changes: the file is its own target on Windows.
  const bool moved = existing ? platform::MoveReplacing(source.c_str(), target.c_str())
                              : platform::MoveUnlessExists(source.c_str(), target.c_str()) ==
                                    platform::MoveResult::kMoved;
  if (!moved) ShowMessage("設定「%s」の名前を変えられませんでした。", from.c_str());
  return moved;
}

bool DeletePreset(const std::string& folder, const std::string& name) {
  if (platform::RemoveFile(PathOf(folder, name).c_str())) return true;
  ShowMessage("設定「%s」を削除できませんでした。", name.c_str());
  return false;
}
