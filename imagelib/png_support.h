// What the PNG reader and writer share: libpng's error handling. libpng reports every error
// through PngFail, which jumps back to the one setjmp of the call in progress; the caller then
// destroys the libpng structures, which frees all that libpng allocated.
#pragma once

#include <png.h>

namespace imagelib {

[[noreturn]] inline void PngFail(png_structp png, png_const_charp) {
  png_longjmp(png, 1);
}

inline void PngWarn(png_structp, png_const_charp) {}

}  // namespace imagelib
