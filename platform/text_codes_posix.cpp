#include <iconv.h>

#include <memory>

#include "platform/text_codes.h"

namespace platform {
namespace {

std::optional<std::string> Convert(const char* to, const char* from, std::string_view text) {
  iconv_t descriptor = iconv_open(to, from);
  if (descriptor == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::unique_ptr<void, int (*)(iconv_t)> closer(descriptor, iconv_close);
  std::string input(text);
  std::string output(input.size() * 4 + 4, '\0');
  char* in = input.data();
  std::size_t inLeft = input.size();
  char* out = output.data();
  std::size_t outLeft = output.size();
  if (iconv(descriptor, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1)) {
    return std::nullopt;
  }
  output.resize(output.size() - outLeft);
  return output;
}

}  // namespace

std::optional<std::string> Cp932ToUtf8(std::string_view text) {
  return Convert("UTF-8", "CP932", text);
}

std::optional<std::string> Utf8ToCp932(std::string_view text) {
  return Convert("CP932", "UTF-8", text);
}

}  // namespace platform
