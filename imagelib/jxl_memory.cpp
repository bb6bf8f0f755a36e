// The memory budget of libjxl's decoders and encoders.
#include <cstdlib>

#include "imagelib/jxl_support.h"

namespace imagelib {
namespace {

// Each block starts with its size, in a header that keeps the block aligned as malloc's are.
constexpr std::size_t kHeaderBytes = alignof(std::max_align_t);

}  // namespace

JxlMemoryBudget::JxlMemoryBudget(std::size_t limit)
    : manager_{this, &JxlMemoryBudget::Allocate, &JxlMemoryBudget::Free}, limit_(limit) {}

void* JxlMemoryBudget::Allocate(void* opaque, std::size_t size) {
  auto* budget = static_cast<JxlMemoryBudget*>(opaque);
  if (size > budget->limit_) return nullptr;
  if (budget->used_.fetch_add(size) + size > budget->limit_) {
    budget->used_.fetch_sub(size);
    return nullptr;
  }
  auto* block = static_cast<unsigned char*>(std::malloc(kHeaderBytes + size));
  if (block == nullptr) {
    budget->used_.fetch_sub(size);
    return nullptr;
  }
  *reinterpret_cast<std::size_t*>(block) = size;
  return block + kHeaderBytes;
}

void JxlMemoryBudget::Free(void* opaque, void* address) {
  if (address == nullptr) return;
  unsigned char* block = static_cast<unsigned char*>(address) - kHeaderBytes;
  static_cast<JxlMemoryBudget*>(opaque)->used_.fetch_sub(*reinterpret_cast<std::size_t*>(block));
  std::free(block);
}

}  // namespace imagelib
