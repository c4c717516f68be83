#pragma once
// The Type 1 and Type 2 charstring translators: a glyph's charstring (with
// its subroutines and seac components) becomes a glyph program.
#include <string_view>

#include "pdf/text/fonts/type1_decoder.h"

namespace ostrel {

// Both append to out; a glyph without a charstring appends nothing.
void TranslateType1Glyph(TPDFType1Decoder& decoder, std::string_view key, TGlyphProgram& out);
void TranslateType2Glyph(TPDFType1Decoder& decoder, std::string_view key, TGlyphProgram& out);

// The StandardEncoding glyph name of a seac code, empty when unassigned.
const std::string& SeacGlyphName(int code);

}  // namespace ostrel
