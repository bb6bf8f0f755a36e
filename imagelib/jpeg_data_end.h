// Arithmetic-coded data that ends long before the picture does. The arithmetic decoder feeds
// zeros once it meets a marker, as the coding asks for its last few bits, and says nothing: a
// file whose data stops early, or whose header claims a far larger picture than its data
// describes, would otherwise decode into a picture of grey.
#pragma once

#include "imagelib/jpeg_support.h"

namespace imagelib {

class JpegDataEndWatch {
 public:
  // Watches `decoder` from now on; the watch must outlive the decoding.
  void Install(jpeg_decompress_struct& decoder);

 private:
  static void Check(j_common_ptr codec);

  jpeg_progress_mgr manager_{};
};

}  // namespace imagelib
