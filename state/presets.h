// Named presets: every setting of both settings files, and the output folder when asked, kept one
// file per preset ("NAME.inf", the settings files' conventions) in the Presets folder beside the
// settings file. A folder not made yet is made holding the presets the program comes with.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "state/app_state.h"

// The presets' folder beside the settings file at `configPath`, ending with '/'.
std::string PresetsFolderBeside(const std::string& configPath);
// The presets in `folder`, in the order the folder lists them.
std::vector<std::string> ListPresets(const std::string& folder);
// Empty when `name` can name a preset's file on every system; otherwise the message saying why not.
std::string PresetNameProblem(std::string_view name);
// The stored preset that `name` names, letter case aside as in Windows' file names, or nothing.
std::optional<std::string> FindPreset(const std::string& folder, std::string_view name);
// Stores the settings of `state` as preset `name`, replacing the one `name` names. False, after a
// message, when it cannot be written.
bool SavePreset(const std::string& folder, const std::string& name, AppState& state,
                bool withOutputFolder);
// Sets every setting from preset `name`: one it does not hold takes its default, and the output
// folder stays unless it holds one. A preset that cannot be read whole changes nothing and is
// refused with a message.
bool LoadPreset(const std::string& folder, const std::string& name, AppState& state);
// Renames preset `from`; refused with a message when `to` is no name or names another preset.
bool RenamePreset(const std::string& folder, const std::string& from, const std::string& to);
bool DeletePreset(const std::string& folder, const std::string& name);
