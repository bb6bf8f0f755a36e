// The input list: the entries of list box 1001 on the input panel, which is the only copy of
// the list. Commands add files, folders and dropped files, delete and move entries.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/picture_entries.h"

// Command handlers of the input panel.
void OnAddOne();
void OnAddFolder();
void OnInputDrop(const std::vector<std::string>& files);
void OnDeleteOne();
// The files and folders given on the command line at start, each added as 一つ追加 adds its file
// and フォルダから追加 its folder, with their messages; the first that finds the list full ends.
void AddPathsGivenAtStart(const std::vector<std::string>& paths);
void OnDeleteAll();
// Leaves only the entries whose text is one of `texts`, in their order, the first selected.
void KeepOnlyEntries(const std::vector<std::string>& texts);
void OnMoveUp();
void OnMoveDown();

// AddPicture into the list box: after the selected entry, selecting it.
bool AddInputEntry(const std::string& path);

// The open-file dialog for one picture; the working directory is the program folder again
// afterwards. Nullopt when cancelled.
std::optional<std::string> ChooseInputFile(const std::string& title);

// The folder browser; the folder comes back ending with one separator, of the kind it uses.
// Nullopt when cancelled.
std::optional<std::string> BrowseForFolder(const std::string& title);

// Swap the selected entry with its neighbour; true when entries moved.
bool MoveEntryUp();
bool MoveEntryDown();
