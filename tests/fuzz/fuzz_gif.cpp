#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/compose/gif_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ostrel::TPDFGIFDecoder decoder;
  decoder.Read(std::string_view(reinterpret_cast<const char*>(data), size));
  ostrel::Bitmap screen;
  std::string alpha;
  decoder.RenderTo(screen, &alpha);
  return 0;
}
