#include "state/output_formats.h"

namespace {

constexpr bool RowsInOrder() {
  for (std::size_t i = 0; i < std::size(kOutputFormats); ++i) {
    const bool written = i < WrittenFormatCount();
    if (kOutputFormats[i].format != static_cast<int>(i) || kOutputFormats[i].written != written) {
      return false;
    }
  }
  return std::size(kOutputFormats) == kFormatNone;
}
static_assert(RowsInOrder(), "rows in DIB_TYPE order, the written ones first, then kFormatNone");

}  // namespace

const OutputFormatRow* OutputFormatRowOf(int format) {
  if (format < 0 || format >= static_cast<int>(std::size(kOutputFormats))) return nullptr;
  return &kOutputFormats[format];
}

int OutputFormatOfKind(int kind) {
  if (kind == kIdentifiedNone) return kFormatNone;
  for (const OutputFormatRow& row : kOutputFormats) {
    if (row.kind == kind) return row.format;
  }
  return kFormatNone;
}
