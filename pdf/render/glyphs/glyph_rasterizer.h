#pragma once
// Glyph rasterizers: each font record that is drawn owns one, and it adds
// glyph outlines to the renderer's path. The outline source differs by
// font kind (TrueType glyf data, Type 1 and CFF charstrings, Type 3
// procedures run by the renderer).
#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/render/glyphs/glyph_outline.h"

namespace ostrel {

class TPDFGlyphRasterizer {
 public:
  virtual ~TPDFGlyphRasterizer() = default;
  // Adds the glyph's outline, placed at (x, y) in glyph space and mapped by
  // m to device space, to the sink's current path. False when the font has
  // no such glyph (the text still advances).
  virtual bool DrawGlyph(TGlyphPathSink& sink, const TGlyphMatrix& m, double x, double y, std::string_view key) = 0;
  // K of the renderer's advance arithmetic.
  virtual double WidthScale() const { return 1.0; }
  // True when the glyphs of a composite font are to be asked for by the
  // Unicode of each code ("U+" keys) rather than by glyph index: the font is
  // drawn from an installed font that knows nothing of the PDF's CIDs.
  virtual bool DrawsByUnicode() const { return false; }

  int32_t TextRenderingMode = 0;  // set by the renderer before each string
  bool Symbolic = false;          // the descriptor's Flags has the symbolic bit
};

// The "U+" glyph key of a character's text: its first character, a
// surrogate pair taken whole; "" for empty text.
std::string UnicodeGlyphKey(std::u16string_view text);

}  // namespace ostrel
