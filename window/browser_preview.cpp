#include "window/browser_preview.h"

#include <chrono>
#include <filesystem>
#include <iterator>
#include <string>
#include <system_error>
#include <thread>

#include "base/help_page.h"
#include "base/settings_place.h"
#include "base/show_message.h"
#include "controls/control_layer.h"
#include "imagelib/imagelib.h"
#include "imagelib/picture_formats.h"
#include "imagelib/picture_store.h"
#include "platform/files.h"
#include "resources/control_ids.h"
#include "state/app_state.h"
#include "state/output_formats.h"
#include "window/picture_facts.h"

namespace {

namespace fs = std::filesystem;

// The pages by preview method, below the program folder; any other method opens the copied
// picture itself.
constexpr const char* kPreviewPages[] = {
    "Preview/Normal/HTop.html",
    "Preview/Active/HTop.html",
};

// The page to open for `method`. The pages show the temporary files through links relative to
// the settings folder: with the settings in the user's folder, the shipped page is copied there
// first (a failed copy leaves the previous copy, or none).
std::string PreviewPageOf(int method) {
  if (method < 0 || method >= static_cast<int>(std::size(kPreviewPages))) {
    return TempFilePath(kPreviewSourceName);
  }
  const std::string shipped = std::string("Data/") + kPreviewPages[method];
  if (!SettingsInUserFolder()) return shipped;
  const std::string copy = SettingsFolder() + kPreviewPages[method];
  std::error_code ignored;
  fs::create_directories(platform::PathOf(copy).parent_path(), ignored);
  fs::copy_file(platform::PathOf(shipped), platform::PathOf(copy),
                fs::copy_options::overwrite_existing, ignored);
  return copy;
}

// The source as the preview page shows it: a copy, or a PNG of it for a kind browsers do not
// show (HEIC). A failure leaves the previous copy (or none); the page then shows what it finds.
void CopySourceForBrowser(const std::string& source, const std::string& copy) {
  const imagelib::PictureFormat* format =
      imagelib::PictureFormatOfKind(IdentifyPictureFile(source.c_str(), 0));
  if (format != nullptr && !format->browsersShow) {
    ScopedPicture picture(LoadPicture(source.c_str()));
    PngOptions plain{};
    if (picture) SavePng(copy.c_str(), picture.Get(), &plain);
    return;
  }
  std::error_code ignored;
  fs::copy_file(platform::PathOf(source), platform::PathOf(copy),
                fs::copy_options::overwrite_existing, ignored);
}

}  // namespace

void OnPreview() {
  ControlLayer& controls = GetControlLayer();
  AppState* state = GetAppState();
  if (controls.ListCount(kInputPanel, kInputList) == 0) {
    ShowMessage("読み込まれてる画像はありません！");
    return;
  }
  if (state->target->DIB_TYPE == kFormatHtm) {
    ShowMessage("HTM形式はプレビューできません！");
    return;
  }
  // The page shows the trial's file: the selected entry's measurement ends first.
  if (MeasuringSelection()) {
    WaitCursor wait;
    while (MeasuringSelection()) {
      pumpOneMessage();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  CopySourceForBrowser(state->source->path, TempFilePath(kPreviewSourceName));
  OpenLocalPage(PreviewPageOf(state->paths->PREVIEW_TYPE).c_str());
}
