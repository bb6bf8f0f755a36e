// Where the settings file and the temporary pictures are kept. A program folder whose Data
// folder can be written keeps them there, as a portable program does; an installed copy, whose
// folder belongs to the system, keeps them in the user's own settings folder instead. The pages
// shipped with the program (help, preview) stay in the program folder either way.
#pragma once

#include <string>

// The browser preview's copy of the selected picture, one of the two temporary files.
inline constexpr char kPreviewSourceName[] = "__Temp__file__vimbo_trastel1__.tpf";

enum class SettingsPlace { kBesideProgram, kUserFolder, kNowhere };

// Decides the place once programFolder is set and its Data folder has been made: the program
// folder's Data folder when a file can be created in it, otherwise the user's settings folder
// (made with its __Temp folder) when a file can be created there. kNowhere when neither can be
// written; the settings then stay named beside the program, whose folder the failure names.
SettingsPlace ChooseSettingsPlace();

// The folder of the settings file, ending with '/': programFolder's "Data/" or the user's
// settings folder.
std::string SettingsFolder();
// True when the user's settings folder was chosen.
bool SettingsInUserFolder();
// The output folder a first run starts with: the program folder while the settings stay beside
// it, as a portable program keeps everything together; otherwise the user's pictures folder,
// since an installed program's own folder cannot take the pictures either.
std::string DefaultOutputFolder();
// The path of a temporary picture file named `name`: "Data/__Temp/<name>" relative to the
// program folder (the working directory), or in the user's settings folder's __Temp folder.
std::string TempFilePath(const std::string& name);
