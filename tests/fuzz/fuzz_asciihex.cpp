#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pdf/filters/stream_filters.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ostrel::AsciiHexDecode(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
