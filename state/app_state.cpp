#include "state/app_state.h"

#include <cstring>
#include <new>
#include <string>

#include "base/program_folder.h"
#include "base/text_encoding.h"

namespace {

std::unique_ptr<AppState>& Instance() {
  static std::unique_ptr<AppState> instance;
  return instance;
}

template <typename Record>
std::unique_ptr<Record> MakeZeroed() {
  auto record = std::make_unique<Record>();
  std::memset(record.get(), 0, sizeof(Record));
  return record;
}

}  // namespace

void CopyTextInto(char* destination, std::size_t size, const char* text) {
  if (size == 0) return;
  std::string_view kept = CutAtCharacterBoundary(text, size - 1);
  std::memcpy(destination, kept.data(), kept.size());
  destination[kept.size()] = '\0';
}

AppState::AppState() {
  paths = MakeZeroed<PathBlock>();
  source = MakeZeroed<PictureRecord>();
  target = MakeZeroed<PictureRecord>();
  SetDefaults(this);
}

AppState::~AppState() {
  ReleaseAllImages(this);
}

AppState* GetAppState() {
  auto& instance = Instance();
  if (!instance) instance.reset(new (std::nothrow) AppState());
  return instance.get();
}

void DestroyAppState() {
  Instance().reset();
}

int SetDefaults(AppState* state) {
  PictureRecord& target = *state->target;
  target.DIB_TYPE = 0;
  target.ANGLE_VAL = 0;
  target.ANGLE_COLOR = 0;
  target.FILTER_TYPE = 0;
  target.RESIZE_TYPE = 0;
  target.width = 240;
  target.height = 120;
  target.RESIZE_X = 240;
  target.RESIZE_Y = 120;
  target.CUT_TYPE = 0;
  target.CUT_X_1 = 0;
  target.CUT_Y_1 = 0;
  target.CUT_X2_1 = 240;
  target.CUT_Y2_1 = 120;
  target.CUT_X_2 = 0;
  target.CUT_Y_2 = 0;
  target.CUT_X2_2 = 240;
  target.CUT_Y2_2 = 120;
  target.BMP_TYPE = 0;
  target.JPG_TYPE = 20;
  target.JPG_PRO = 0;
  target.PNG_PRO = 0;
  target.GIF_ANIMA = 0;
  target.GIF_PRO = 0;
  target.GIF_COLOR = 0;
  target.GIF_SPEED = 2;
  target.GIF_BIT = 0;
  target.HTM_TYPE = 0;

  PathBlock& paths = *state->paths;
  CopyText(paths.configPath, (std::string(programFolder) + "Data/Confing.inf").c_str());
  CopyText(paths.SAVE, programFolder);
  CopyText(paths.tempName, "__Temp__file__vimbo_trastel2__.tpf");
  paths.RENAME_TYPE = 0;
  paths.RENAME_NUM = 0;
  paths.RENAME_VAL = 1;
  paths.RENAME_DIB = 0;
  paths.FOLDER_TYPE = 0;
  paths.PREVIEW_TYPE = 0;
  CopyText(paths.FOLDER_NAME, "トラステル");
  CopyText(paths.RENAME_NAME, "TrastelSan");
  return 1;
}

void ReleaseAllImages(AppState* state) {
  if (state->workImage != 0) {
    ReleasePicture(state->workImage);
    state->workImage = 0;
  }
  for (PictureHandle& frame : state->frameImages) {
    if (frame != 0) {
      ReleasePicture(frame);
      frame = 0;
    }
  }
}
