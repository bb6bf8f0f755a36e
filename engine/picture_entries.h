// How pictures become entries of an input list, for the window's list box and for trastel-batch's
// list alike: which files may be entries and under what text, what a folder gives and in which
// order, and when the list is full. The commands' messages are said here, once for both.
#pragma once

#include <optional>
#include <string>

inline constexpr int kMaxInputEntries = 1000;

// The list that the entries go into.
class EntryList {
 public:
  virtual ~EntryList() = default;

  virtual int Count() const = 0;
  // Adds the entry text (the window after its selected entry, selecting it).
  virtual void Add(const std::string& text) = 0;
  // Before each file of a folder: the window shows its wait cursor and takes one message.
  virtual void Turn() {}
  // The files of a folder are done or the list is full.
  virtual void EndTurns() {}
  // A file of a folder left out because it is not a picture.
  virtual void LeftOut(const std::string&) {}
};

// The entry text of a path: relative to the program folder when that form fits an entry, else
// the path itself; nullopt when neither fits, since a cut entry would name another file.
std::optional<std::string> EntryTextOf(const std::string& path);

// True when the file's content is a picture this program converts, whatever its name.
bool IsConvertiblePicture(const std::string& path);

// True, after telling the user, when the list holds as many entries as it can.
bool WarnIfListFull(const EntryList& list);

// Tests one file and adds it. False for the trial conversion's temporary file, for a file that
// is not a picture, and (with a message) for a path too long to store.
bool AddPicture(const std::string& path, EntryList& list);

// 一つ追加 once its file is chosen: AddPicture, naming a file that is not a picture.
bool AddChosenFile(const std::string& path, EntryList& list);

// フォルダから追加 once its folder (ending with one separator) is chosen: its pictures in the
// folder's order, each other file handed to LeftOut. Sub-folders are entered under SUBFOLDERS
// only, depth first where they stand in the order, skipping (and counting in a message) those
// that cannot be read, the output folders and folders entered already (links back up the
// tree); a list that fills up is told how many pictures of the tree were left out. False when
// the list filled up before the folder's end.
bool AddChosenFolder(const std::string& folder, EntryList& list);

// A file or folder given on the command line, added as 一つ追加 adds its file and
// フォルダから追加 its folder. False when the list is or became full: later paths are left out.
bool AddGivenPath(std::string path, EntryList& list);
