#include "preview/browser_preview.h"

#include <filesystem>
#include <iterator>
#include <system_error>

#include "base/help_page.h"
#include "base/show_message.h"
#include "engine/encoders.h"
#include "platform/files.h"
#include "resources/control_ids.h"
#include "state/app_state.h"
#include "ui/control_layer.h"

namespace {

constexpr const char* kPreviewSourceFile = "Data/__Temp/__Temp__file__vimbo_trastel1__.tpf";

// The pages by preview method; any other method opens the copied picture itself.
constexpr const char* kPreviewPages[] = {
    "Data/Preview/Normal/HTop.html",
    "Data/Preview/Active/HTop.html",
};

const char* PreviewPageOf(int method) {
  if (method >= 0 && method < static_cast<int>(std::size(kPreviewPages))) {
    return kPreviewPages[method];
  }
  return kPreviewSourceFile;
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
  // A failed copy leaves the previous copy (or none); the page then shows what it finds.
  std::error_code ignored;
  std::filesystem::copy_file(platform::PathOf(state->source->path), kPreviewSourceFile,
                             std::filesystem::copy_options::overwrite_existing, ignored);
  OpenLocalPage(PreviewPageOf(state->paths->PREVIEW_TYPE));
}
