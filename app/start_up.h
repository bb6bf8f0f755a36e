// What the program does when its window has been created and when it closes.
#pragma once

#include <string>
#include <vector>

// The files and folders given on the command line (a desktop's "open with", pictures dropped on
// the program's icon, 送る), made absolute while the working directory is still the caller's.
std::vector<std::string> FilesGivenAtStart(const std::vector<std::string>& arguments);

// Sets programFolder from the executable and makes it the working directory. False, with a
// message saying why, when the executable's folder cannot be found, is too long for the
// program's paths or cannot be entered.
bool InitProgramFolder();
// Creates the folder `name` below the program folder with the program folder's permissions; an
// existing folder and any failure are ignored.
void MakeDataFolder(const char* name);
// Makes the data folders below the program folder and chooses where the settings and the
// temporary files are kept: beside the program, or in the user's settings folder when the
// program's Data folder cannot be written. Before the state is made, which takes the settings
// path from it.
void PrepareSettingsPlace();
// The settings place, the state, the settings loaded (or created and announced). False when no
// settings file can be written (neither beside the program nor in the user's folder).
bool LoadOrCreateSettings();
// The first update of the window, once programFolder is set: LoadOrCreateSettings, then the
// panels filled and read back. False when no settings file can be written: the window must then
// close.
bool StartUp();
// Deletes the temporary files and destroys the state and the panel helper. The settings are not
// saved: they were saved when they last changed.
void ShutDown();
