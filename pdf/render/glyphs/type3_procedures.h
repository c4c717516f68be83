#pragma once
// What the renderer needs of a Type 3 font's rasterizer: Type 3 glyphs are
// content streams that the renderer runs itself, so the rasterizer of such a
// font implements this beside TPDFGlyphRasterizer and only supplies the
// procedures, FontMatrix and the font dictionary (for its /Resources).
#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/render/content/render_matrix.h"

namespace ostrel {

class TPDFDictionary;

class TPDFType3Procedures {
 public:
  virtual ~TPDFType3Procedures() = default;
  virtual TPDFMatrix FontMatrix() const = 0;
  // Content of the glyph procedure for a glyph name; empty when absent.
  virtual std::string ProcedureFor(std::string_view glyphName) const = 0;
  virtual TPDFDictionary* FontDictionary() const = 0;

  int32_t FillColor = 0;  // colour of the text being shown, 0x00BBGGRR
};

}  // namespace ostrel
