#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pdf/core/content_strings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  ostrel::ContentLiteralUnescape(text);
  ostrel::ContentHexDecode(text);
  return 0;
}
