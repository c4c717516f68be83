// CFF programs (bare or inside OpenType): INDEX structures, dictionaries,
// charsets, encodings, font dictionary selection and font matrices, and
// every Type 2 charstring turned into an outline.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/render/glyphs/type1_rasterizer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ostrel::TPDFType1Rasterizer raster;
  raster.Decoder.LoadCompactProgram(std::string_view(reinterpret_cast<const char*>(data), size));
  size_t glyphs = std::min<size_t>(raster.Decoder.GlyphCount(), 256);
  for (size_t g = 0; g < glyphs; ++g) {
    raster.Outline("GID:" + std::to_string(g));
    raster.AdvanceOfName("GID:" + std::to_string(g));
  }
  raster.Outline("A");
  return 0;
}
