#include "window/presets_dialogs.h"

#include <algorithm>
#include <optional>
#include <string>

#include "controls/control_layer.h"
#include "resources/panel_templates.h"
#include "state/app_state.h"
#include "state/choice_tables.h"
#include "state/presets.h"
#include "window/fill_and_read_panels.h"
#include "window/view_operations.h"

namespace {

std::string PresetsFolder() {
  return PresetsFolderBeside(GetAppState()->paths->configPath);
}

// Asks for a name in `dialog` until it is one a preset can have; nothing when cancelled.
std::optional<std::string> AskName(const DialogTemplate& dialog, DialogValues& values) {
  ControlLayer& layer = GetControlLayer();
  while (layer.ShowDialog(dialog, values)) {
    const std::string problem = PresetNameProblem(values[kPresetNameBox]);
    if (problem.empty()) return values[kPresetNameBox];
    layer.ShowMessageBox(problem);
  }
  return std::nullopt;
}

// The panels show the loaded settings as after a start: their lists filled anew.
void ShowLoadedSettings() {
  ControlLayer& layer = GetControlLayer();
  for (const ChoiceTable& table : ChoiceTables()) layer.ComboReset(table.barId, table.controlId);
  FillPanels();
  ReadPanels();
  CurrentViewOperations().refreshSelection();
}

// The presets as the folder now holds them, `selected` chosen where it is among them, otherwise
// the one at the place `place` had.
std::string PresetListValue(const std::string& folder, const std::string& selected, int place) {
  ListBoxContents list{ListPresets(folder), -1};
  const auto found = std::ranges::find(list.entries, selected);
  const int count = static_cast<int>(list.entries.size());
  list.selected = found != list.entries.end() ? static_cast<int>(found - list.entries.begin())
                                              : std::min(place, count - 1);
  return ListBoxValue(list);
}

void RenamePresetAsked(const std::string& folder, std::string& name) {
  DialogValues values{{kPresetNameBox, name}};
  while (std::optional<std::string> newName = AskName(RenamePresetDialogTemplate(), values)) {
    if (RenamePreset(folder, name, *newName)) {
      name = *newName;
      return;
    }
  }
}

}  // namespace

void OnSavePreset() {
  ControlLayer& layer = GetControlLayer();
  // What the panels show, a box being typed into included.
  ReadPanels();
  const std::string folder = PresetsFolder();
  DialogValues values{{kPresetNameBox, ""}, {kPresetOutputFolderCheck, "0"}};
  while (std::optional<std::string> name = AskName(SavePresetDialogTemplate(), values)) {
    const std::optional<std::string> existing = FindPreset(folder, *name);
    if (existing &&
        !layer.AskYesNo("「" + *existing + "」という設定はすでにあります。置き換えますか？")) {
      continue;
    }
    SavePreset(folder, *name, *GetAppState(), values[kPresetOutputFolderCheck] == "1");
    return;
  }
}

void OnPresets() {
  ControlLayer& layer = GetControlLayer();
  const std::string folder = PresetsFolder();
  DialogValues values{{kPresetList, PresetListValue(folder, "", 0)}};
  bool loaded = false;
  auto act = [&](int button, DialogValues& shown) {
    const ListBoxContents list = ListBoxContentsOf(shown[kPresetList]);
    if (list.selected < 0) {
      layer.ShowMessageBox("設定を一覧から選んでください。");
      return false;
    }
    std::string name = list.entries[list.selected];
    if (button == kLoadPresetButton) {
      loaded = LoadPreset(folder, name, *GetAppState());
      if (loaded) return true;
    } else if (button == kRenamePresetButton) {
      RenamePresetAsked(folder, name);
    } else if (button == kDeletePresetButton &&
               layer.AskYesNo("設定「" + name + "」を削除しますか？")) {
      DeletePreset(folder, name);
    }
    shown[kPresetList] = PresetListValue(folder, name, list.selected);
    return false;
  };
  layer.ShowDialog(PresetsDialogTemplate(), values, act);
  if (loaded) ShowLoadedSettings();
}
