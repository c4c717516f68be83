#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pdf/filters/jbig2/jbig2_decoder.h"

// The first byte splits the input into globals and data.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  std::string_view all(reinterpret_cast<const char*>(data + 1), size - 1);
  size_t split = all.size() * data[0] / 256;
  ostrel::TOSLJBIG2Decoder decoder;
  decoder.Decode(all.substr(split), all.substr(0, split));
  return 0;
}
