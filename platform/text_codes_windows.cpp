#include <windows.h>

#include "platform/text_codes.h"
#include "platform/wide_text_windows.h"

namespace platform {
namespace {

constexpr UINT kCp932 = 932;

}  // namespace

std::optional<std::string> Cp932ToUtf8(std::string_view text) {
  if (text.empty()) return std::string();
  const int length = MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, text.data(),
                                         static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                      wide.data(), length);
  return Narrow(wide);
}

std::optional<std::string> Utf8ToCp932(std::string_view text) {
  if (text.empty()) return std::string();
  const std::wstring wide = Widen(text);
  if (wide.empty()) return std::nullopt;
  // No best-fit substitutes: a character without a cp932 form is a failure, not a look-alike.
  BOOL usedDefault = FALSE;
  const int length =
      WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                          nullptr, 0, nullptr, &usedDefault);
  if (length <= 0 || usedDefault) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                      bytes.data(), length, nullptr, nullptr);
  return bytes;
}

}  // namespace platform
