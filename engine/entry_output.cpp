#include "engine/entry_output.h"

#include "base/path_names.h"
#include "base/text_encoding.h"
#include "engine/batch.h"
#include "engine/output_naming.h"
#include "platform/files.h"
#include "state/app_state.h"
#include "state/output_formats.h"

namespace {

std::string OutputPathTooLong(const std::string& path) {
  return "出力先のパスが " + std::to_string(kMaxPathLength) +
         " バイトを超えるため保存できません:\n[" + path + "]";
}

}  // namespace

bool IsAnimated(const PictureRecord& target) {
  return target.DIB_TYPE == kFormatGif && target.GIF_ANIMA != 0;
}

EntryOutput PlanEntryOutput(const PlannedEntry& input, const RunOutputs& outputs) {
  AppState* state = GetAppState();
  PictureRecord& source = *state->source;
  PictureRecord& target = *state->target;
  PathBlock& paths = *state->paths;
  // The naming rules work on the state's records.
  target = input.target;
  paths = input.paths;
  CopyText(source.path, input.sourcePath.c_str());
  CopyStoredText(source.name, FileNamePart(source.path, false));
  EntryOutput output;
  output.tree = MakeSourceOutputName(EntryNumber(input.index));
  output.plannedPath = output.outputPath = std::string(paths.SAVE) + paths.outputName;
  if (!output.tree.empty() && StoredLength(output.plannedPath) > kMaxPathLength) {
    output.failure = OutputPathTooLong(output.plannedPath);
    return output;
  }
  // An animated GIF is one file, written at the last entry.
  output.writes = !IsAnimated(target) || input.isLast;
  if (!output.writes) return output;
  output.outputPath =
      outputs.FreePath(output.plannedPath, OutputExtension(target.DIB_TYPE, paths.RENAME_DIB),
                       target.EXISTING == kExistingNumber);
  // A file there already that this run did not write: kept as it is, the entry left out.
  if (target.EXISTING == kExistingSkip &&
      platform::KindOf(output.outputPath.c_str()) != platform::PathKind::kMissing) {
    output.skipped = true;
    return output;
  }
  if (StoredLength(output.outputPath) > kMaxPathLength) {
    output.failure = OutputPathTooLong(output.outputPath);
    return output;
  }
  output.keepsSource =
      output.outputPath != output.plannedPath && outputs.IsSource(output.plannedPath);
  return output;
}
