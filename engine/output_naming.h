// Output file names: the naming rule of the rename page, the extension of the output format
// and the optional sub-folder.
#pragma once

#include <string>

enum NamingRule {
  kKeepName = 0,
  kNumber = 1,
  kNumberThenName = 2,
  kNameThenNumber = 3,
};

enum ExtensionMode {
  kLowerCaseExtension = 0,
  kUpperCaseExtension = 1,
  kNoExtension = 2,
};

// Builds the output name of one entry into paths.outputName, whose text on entry is the
// arbitrary name of the rules that use one. Always 1.
int MakeOutputName(const char* sourceName, int rule, int format, int number, int extensionMode,
                   int folderFlag, const char* folderName);

// MakeOutputName for the state's source as a run names it, entry number `number`: the source's
// name or its date (NAME_FROM_DATE), and under KEEP_TREE the entry's folders in front
// (TreeFolderOf). Returns those folders.
std::string MakeSourceOutputName(int number);

// The number of the entry at list index `index`: RENAME_NUM + index × RENAME_VAL in 32-bit
// arithmetic, wrapping around as the stored settings allow any values.
int EntryNumber(int index);

// The type name of output format `format` ("JPG"); empty for kFormatNone and, with a message,
// for any number of no format.
std::string GetPicTypeName(int format);

// The extension MakeOutputName appends for `format` in `extensionMode`: ".jpg", ".JPG" or none.
std::string OutputExtension(int format, int extensionMode);

// `name` with "(number)" put in front of its extension `extension` (or at its end when it does
// not end with it): "x.bmp", ".bmp", 2 gives "x(2).bmp".
std::string NumberedName(const std::string& name, const std::string& extension, int number);

// Creates the sub-folder `subFolder` of `outputFolder` (which ends with a separator). An
// existing folder or a failure goes unreported: the conversion reports what cannot be written.
int CreateOutputFolder(const char* outputFolder, const char* subFolder);

// The folders between the folder an entry was added from and its file ("DCIM/100/" of
// "card//DCIM/100/a.png"), for KEEP_TREE: an entry added from a folder carries a doubled
// separator where that folder ends. Empty for an entry added by itself, and for one whose
// folders would lead out of the output folder.
std::string TreeFolderOf(const std::string& entry);

// Creates the folders of `tree` (as TreeFolderOf gives them) inside `outputFolder`, level by
// level, with its permissions. Failures go unreported, as for the sub-folder.
void CreateTreeFolders(const std::string& outputFolder, const std::string& tree);

// The output name the selected entry would get, as the "変換後" name box shows it.
std::string PreviewOutputName();
