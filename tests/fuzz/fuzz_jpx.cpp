#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pdf/filters/jpeg2000_bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ostrel::TJpeg2000Bitmap bmp;
  bmp.MaxSamples = 1 << 22;
  try {
    bmp.LoadFromStream(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const ostrel::EJpeg2000Error&) {
  }
  return 0;
}
