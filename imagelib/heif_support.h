// Owners of libheif's objects, and its error check, for the HEIF reader and the AVIF writer.
#pragma once

#include <libheif/heif.h>

#include <memory>

namespace imagelib {

struct HeifContextDeleter {
  void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HeifImageDeleter {
  void operator()(heif_image* image) const { heif_image_release(image); }
};
using HeifContext = std::unique_ptr<heif_context, HeifContextDeleter>;
using HeifImage = std::unique_ptr<heif_image, HeifImageDeleter>;

inline bool HeifOk(heif_error error) {
  return error.code == heif_error_Ok;
}

}  // namespace imagelib
