#include "imagelib/jpeg_data_end.h"

#include <cstdint>

namespace imagelib {
namespace {

// The pixels that the last bytes of a scan may still describe once the decoder has read up to
// the marker after them: a plain end of a picture costs almost nothing to code, so a good file
// may leave a few rows to the zeros. Beyond this, the data has ended before the scan.
constexpr std::uint64_t kMostPixelsAfterData = std::uint64_t{1} << 22;

bool IsRestartMarker(int marker) {
  return marker >= JPEG_RST0 && marker <= JPEG_RST0 + 7;
}

}  // namespace

void JpegDataEndWatch::Install(jpeg_decompress_struct& decoder) {
  manager_.progress_monitor = Check;
  decoder.progress = &manager_;
}

// libjpeg calls this before each row of coefficients it reads and before each row of output.
// The entropy decoder keeps the marker that ended its data as unread until the scan is over.
void JpegDataEndWatch::Check(j_common_ptr codec) {
  const auto& decoder = *reinterpret_cast<j_decompress_ptr>(codec);
  if (decoder.unread_marker == 0 || IsRestartMarker(decoder.unread_marker) ||
      decoder.input_iMCU_row >= decoder.total_iMCU_rows) {
    return;
  }
  const std::uint64_t rowsLeft = decoder.total_iMCU_rows - decoder.input_iMCU_row;
  const std::uint64_t pixelsLeft = rowsLeft *
                                   static_cast<std::uint64_t>(decoder.max_v_samp_factor * DCTSIZE) *
                                   decoder.image_width;
  if (pixelsLeft > kMostPixelsAfterData) FailJpeg(codec);
}

}  // namespace imagelib
