// Owners of libjxl's decoders and encoders, and the memory budget they allocate from, for the
// JPEG XL reader and writer.
#pragma once

#include <jxl/decode.h>
#include <jxl/encode.h>
#include <jxl/memory_manager.h>

#include <atomic>
#include <cstddef>
#include <memory>

namespace imagelib {

// Memory handed to one decoder or encoder, refused once the sum of its live blocks would pass
// a limit: a hostile file then fails with an allocation error instead of taking the machine.
class JxlMemoryBudget {
 public:
  explicit JxlMemoryBudget(std::size_t limit);
  JxlMemoryBudget(const JxlMemoryBudget&) = delete;
  JxlMemoryBudget& operator=(const JxlMemoryBudget&) = delete;

  // A new limit, for a decoder that learns the picture's size.
  void SetLimit(std::size_t limit) { limit_ = limit; }
  const JxlMemoryManager* Manager() const { return &manager_; }

 private:
  static void* Allocate(void* opaque, std::size_t size);
  static void Free(void* opaque, void* address);

  JxlMemoryManager manager_;
  std::atomic<std::size_t> limit_;
  std::atomic<std::size_t> used_{0};
};

struct JxlDecoderDeleter {
  void operator()(JxlDecoder* decoder) const { JxlDecoderDestroy(decoder); }
};
struct JxlEncoderDeleter {
  void operator()(JxlEncoder* encoder) const { JxlEncoderDestroy(encoder); }
};
using JxlDecoderPtr = std::unique_ptr<JxlDecoder, JxlDecoderDeleter>;
using JxlEncoderPtr = std::unique_ptr<JxlEncoder, JxlEncoderDeleter>;

}  // namespace imagelib
