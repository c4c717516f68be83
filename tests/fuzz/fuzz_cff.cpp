// CFF programs (bare or inside OpenType): INDEX structures, dictionaries,
// charsets, encodings, font dictionary selection and every Type 2 charstring.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pdf/render/glyph_program_outline.h"
#include "pdf/text/type1_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ostrel::TPDFType1Decoder decoder;
  decoder.LoadCompactProgram(std::string_view(reinterpret_cast<const char*>(data), size));
  size_t glyphs = std::min<size_t>(decoder.GlyphCount(), 256);
  for (size_t g = 0; g < glyphs; ++g) {
    if (decoder.GlyphProgram("GID:" + std::to_string(g))) ostrel::OutlineOfGlyphProgram(decoder.CurrentProgram);
  }
  decoder.GlyphProgram("A");
  return 0;
}
