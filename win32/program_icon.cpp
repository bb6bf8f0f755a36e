#include "win32/program_icon.h"

#include <map>
#include <memory>
#include <type_traits>

namespace {

// The icon's id in the program's resource script (app/trastel.rc).
constexpr WORD kProgramIconResource = 1;

struct IconRelease {
  void operator()(HICON icon) const { DestroyIcon(icon); }
};

}  // namespace

HICON ProgramIcon(int size) {
  static std::map<int, std::unique_ptr<std::remove_pointer_t<HICON>, IconRelease>> icons;
  auto& icon = icons[size];
  if (!icon) {
    icon.reset(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr),
                                             MAKEINTRESOURCEW(kProgramIconResource), IMAGE_ICON,
                                             size, size, LR_DEFAULTCOLOR)));
  }
  return icon.get();
}
