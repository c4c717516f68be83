#pragma once
// Glyph programs (the text commands charstrings are translated into) drawn
// as outlines.
#include "pdf/render/glyphs/glyph_outline.h"
#include "pdf/text/fonts/type1_decoder.h"

namespace ostrel {

TGlyphOutline OutlineOfGlyphProgram(const TGlyphProgram& program);

}  // namespace ostrel
