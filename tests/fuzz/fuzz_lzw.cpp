#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pdf/filters/lzw_decompressor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  ostrel::TPDFLZWDecompressor lzw;
  lzw.EarlyChange = data[0] & 1;
  lzw.FillOrder = (data[0] >> 1) & 1;
  lzw.MaxOutput = 1 << 24;
  ostrel::TPDFPredictorParams p{(data[0] >> 2) % 16, 1 + (data[0] >> 6), 8, 5};
  lzw.Decode(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1), p);
  return 0;
}
