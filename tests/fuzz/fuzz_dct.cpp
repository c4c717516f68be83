#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pdf/filters/dct_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ostrel::TDCTDecoder decoder;
  decoder.MaxBytes = 1 << 24;
  ostrel::Bitmap bmp;
  decoder.Decode(std::string_view(reinterpret_cast<const char*>(data), size), bmp);
  return 0;
}
