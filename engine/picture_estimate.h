// What an estimate learns of one entry's picture on a worker: its size, its output's, and the
// output's bytes. A small output is converted whole, as the run converts it, and its bytes are
// exact; a larger one's are predicted from the conversion of strips of its rows spread over its
// height, a tenth of them, which keep its detail and noise as a reduced copy would not. The
// picture is loaded as the run loads it, except that a JPEG with a large output has only those
// strips decoded: the rows between are read past, and damage in them goes unnoticed. The only
// files written are staged in the program's temporary folder and go again.
#pragma once

#include <cstdint>
#include <string>

#include "engine/output_size.h"
#include "state/app_state.h"

struct PictureEstimate {
  // Why the run would fail to convert the picture; empty when it would not.
  std::string failure;
  PixelSize source{0, 0};
  PixelSize output{0, 0};
  // The output's bytes; 0 when not known (an animation's frames).
  std::int64_t bytes = 0;
  bool bytesExact = false;
  // A JPEG larger than its size cap (JPG_MAX_KB) even at the lowest quality.
  bool overSizeCap = false;
};

// `target` is the entry's settings with target.path a free name in the temporary folder.
PictureEstimate EstimatePicture(const PictureRecord& source, const PictureRecord& target);
