#include "engine/output_naming.h"

#include <cctype>
#include <cstdint>
#include <optional>
#include <string>

#include "base/path_names.h"
#include "base/show_message.h"
#include "base/text_encoding.h"
#include "engine/batch.h"
#include "engine/date_names.h"
#include "engine/run_outputs.h"
#include "platform/files.h"
#include "state/app_state.h"
#include "state/output_formats.h"

namespace {

// The type name of `format`, "" for kFormatNone; nullopt for a number of no format.
std::optional<std::string> TypeNameOf(int format) {
  if (format == kFormatNone) return "";
  const OutputFormatRow* row = OutputFormatRowOf(format);
  if (row == nullptr) return std::nullopt;
  return std::string(row->typeName);
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string ExtensionOf(const std::string& typeName, int extensionMode) {
  const std::string extension = "." + typeName;
  if (extensionMode == kLowerCaseExtension) return Lower(extension);
  if (extensionMode == kUpperCaseExtension) return extension;
  return "";
}

}  // namespace

int EntryNumber(int index) {
  const PathBlock& paths = *GetAppState()->paths;
  std::int64_t number = paths.RENAME_NUM + std::int64_t{index} * paths.RENAME_VAL;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(number));
}

std::string GetPicTypeName(int format) {
  std::optional<std::string> name = TypeNameOf(format);
  if (!name) {
    ShowMessage("GetPicTypeName(int n) : %d参照(アドレス破壊)", format);
    return "";
  }
  return *name;
}

int MakeOutputName(const char* sourceName, int rule, int format, int number, int extensionMode,
                   int folderFlag, const char* folderName) {
  AppState* state = GetAppState();
  const std::string arbitraryName = state->paths->outputName;
  const std::string numberText = std::to_string(number);

  std::string name;
  if (folderFlag != 0) name = std::string(folderName) + "/";
  switch (rule) {
    case kKeepName:
      name += sourceName;
      break;
    case kNumber:
      name += numberText;
      break;
    case kNumberThenName:
      name += numberText + arbitraryName;
      break;
    case kNameThenNumber:
      name += arbitraryName + numberText;
      break;
    default:
      break;
  }
  name += ExtensionOf(GetPicTypeName(format), extensionMode);

  name = std::string(CutToStoredLength(name, kMaxPathLength));
  CopyText(state->paths->outputName, name.c_str());
  return 1;
}

std::string OutputExtension(int format, int extensionMode) {
  return ExtensionOf(TypeNameOf(format).value_or(""), extensionMode);
}

std::string NumberedName(const std::string& name, const std::string& extension, int number) {
  const std::string mark = "(" + std::to_string(number) + ")";
  const bool hasExtension =
      !extension.empty() && name.size() >= extension.size() &&
      name.compare(name.size() - extension.size(), extension.size(), extension) == 0;
  const std::size_t at = hasExtension ? name.size() - extension.size() : name.size();
  return name.substr(0, at) + mark + name.substr(at);
}

namespace {

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

}  // namespace

std::string TreeFolderOf(const std::string& entry) {
  // After the last doubled separator; one at the very start is a network path's.
  std::size_t start = std::string::npos;
  for (std::size_t i = 1; i + 1 < entry.size(); ++i) {
    if (IsSeparator(entry[i]) && IsSeparator(entry[i + 1])) start = i + 2;
  }
  if (start == std::string::npos) return "";
  std::size_t end = entry.size();
  while (end > start && !IsSeparator(entry[end - 1])) --end;
  const std::string tree = entry.substr(start, end - start);
  std::size_t part = 0;
  for (std::size_t i = 0; i < tree.size(); ++i) {
    if (!IsSeparator(tree[i])) continue;
    const std::string name = tree.substr(part, i - part);
    if (name.empty() || name == "." || name == ".." || name.find(':') != std::string::npos) {
      return "";
    }
    part = i + 1;
  }
  return tree;
}

void CreateTreeFolders(const std::string& outputFolder, const std::string& tree) {
  for (std::size_t i = 0; i < tree.size(); ++i) {
    if (IsSeparator(tree[i])) {
      platform::MakeFolder((outputFolder + tree.substr(0, i)).c_str(), outputFolder.c_str());
    }
  }
}

int CreateOutputFolder(const char* outputFolder, const char* subFolder) {
  std::string folder = std::string(outputFolder) + subFolder;
  // The new folder takes the output folder's permissions, as a copy of it would.
  platform::MakeFolder(folder.c_str(), outputFolder);
  return 1;
}

std::string MakeSourceOutputName(int number) {
  AppState* state = GetAppState();
  const PictureRecord& source = *state->source;
  const PictureRecord& target = *state->target;
  PathBlock& paths = *state->paths;
  const std::string name = DatedSourceName(source.path, source.name, target.NAME_FROM_DATE);
  MakeOutputName(name.c_str(), paths.RENAME_TYPE, target.DIB_TYPE, number, paths.RENAME_DIB,
                 paths.FOLDER_TYPE, paths.subFolder);
  const std::string tree = target.KEEP_TREE != 0 ? TreeFolderOf(source.path) : "";
  // Both parts are held to the longest path, so the buffer holds them whole.
  CopyText(paths.outputName, (tree + paths.outputName).c_str());
  return tree;
}

std::string PreviewOutputName() {
  AppState* state = GetAppState();
  const PathBlock& paths = *state->paths;
  MakeSourceOutputName(EntryNumber(paths.selectedIndex));
  // A run saves beside its own source, and beside a file of the name there already under
  // EXISTING 2: the name shown is that new file's.
  RunOutputs run;
  run.AddSource(state->source->path);
  const std::string folder = paths.SAVE;
  return run
      .FreePath(folder + paths.outputName,
                OutputExtension(state->target->DIB_TYPE, paths.RENAME_DIB),
                state->target->EXISTING == kExistingNumber)
      .substr(folder.size());
}
