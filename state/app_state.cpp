#include "state/app_state.h"

#include <cstring>
#include <new>
#include <string>

#include "base/program_folder.h"
#include "base/settings_place.h"
#include "base/text_encoding.h"
#include "controls/thread_role.h"
#include "state/setting_bindings.h"

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
  AssertWindowThread();
  auto& instance = Instance();
  if (!instance) instance.reset(new (std::nothrow) AppState());
  return instance.get();
}

void DestroyAppState() {
  Instance().reset();
}

int SetDefaults(AppState* state) {
  for (const SettingBinding& setting : SettingBindings()) setting.StoreDefault(*state);
  PictureRecord& target = *state->target;
  target.width = target.RESIZE_X;
  target.height = target.RESIZE_Y;

  PathBlock& paths = *state->paths;
  CopyText(paths.configPath, (SettingsFolder() + "Confing.inf").c_str());
  CopyText(paths.SAVE, DefaultOutputFolder().c_str());
  CopyText(paths.tempName, "__Temp__file__vimbo_trastel2__.tpf");
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
