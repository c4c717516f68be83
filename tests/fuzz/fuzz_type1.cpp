// Type 1 programs: the cleartext and private parts, and the glyph programs of
// every charstring. The first two bytes choose where the cleartext ends.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pdf/render/glyphs/glyph_program_outline.h"
#include "pdf/text/fonts/type1_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  std::string_view bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
  int64_t length1 = std::min<int64_t>((data[0] << 8) | data[1], int64_t(bytes.size()));
  ostrel::TPDFType1Decoder decoder;
  decoder.LoadType1(bytes, length1, int64_t(bytes.size()) - length1, 0);
  size_t glyphs = std::min<size_t>(decoder.GlyphCount(), 256);
  for (size_t g = 0; g < glyphs; ++g) {
    const std::string& name = decoder.GlyphNames()[g];
    if (decoder.GlyphProgram(name)) ostrel::OutlineOfGlyphProgram(decoder.CurrentProgram);
  }
  return 0;
}
