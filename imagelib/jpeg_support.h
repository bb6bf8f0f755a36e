// What the JPEG reader and writer share: libjpeg's error handling. Every libjpeg error leaves
// through FailJpeg, which jumps back to the one setjmp of the call in progress; the caller then
// destroys the codec object, which frees all that libjpeg allocated.
#pragma once

#include <csetjmp>
#include <cstdio>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>
// After jpeglib.h, whose configuration enables the arithmetic decoder's messages.
#include <jerror.h>

namespace imagelib {

struct JpegErrorHandler {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] inline void FailJpeg(j_common_ptr codec) {
  std::longjmp(reinterpret_cast<JpegErrorHandler*>(codec->err)->jump, 1);
}

// Warnings are kept quiet, except that data ending before the last row is an error, whether
// the file is cut short or a marker comes too early: libjpeg would otherwise fill the rest of
// the picture with grey. So is an arithmetic code that cannot be, after which the decoder gives
// up on the data of the scan and does the same.
inline void OnJpegMessage(j_common_ptr codec, int level) {
  const int code = codec->err->msg_code;
  if (level < 0 &&
      (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_ARITH_BAD_CODE)) {
    FailJpeg(codec);
  }
}

inline void InstallErrorHandler(JpegErrorHandler& handler) {
  jpeg_std_error(&handler.manager);
  handler.manager.error_exit = FailJpeg;
  handler.manager.emit_message = OnJpegMessage;
}

}  // namespace imagelib
