#pragma once
// Glyphs of TrueType fonts (embedded, substituted system fonts, the built-in
// Dingbats font): looked up by glyph key and drawn from glyf outlines.
#include <string>
#include <unordered_map>

#include "pdf/render/glyphs/glyph_rasterizer.h"
#include "pdf/text/fonts/truetype_parser.h"

namespace ostrel {

class TPDFTrueTypeRasterizer2 : public TPDFGlyphRasterizer {
 public:
  // False (and no outlines) when the bytes are not a TrueType font.
  bool Load(std::string_view bytes);
  bool DrawGlyph(TGlyphPathSink& sink, const TGlyphMatrix& m, double x, double y, std::string_view key) override;

  // Glyph index of a key (0 when not found), following the lookup order of
  // Unicode keys, PostScript names, glyph indices, symbolic codes, glyph
  // names through Unicode and MacRoman, and the post names.
  long GlyphIndexOf(std::string_view key) const;
  // Outline in thousandths of the em.
  TGlyphOutline BuildOutline(long glyph) const;
  // Advance of a glyph name in thousandths of the em, -1 when the font lacks it.
  double AdvanceOfName(std::string_view name) const;

  TPDFTrueTypeParser Parser;
  bool IsCFFFont = false;

 private:
  void AddGlyph(TGlyphOutline& out, long glyph, const TGlyphMatrix& t, int depth) const;
  std::unordered_map<std::string, TGlyphOutline> cache_;
  bool loaded_ = false;
};

}  // namespace ostrel
