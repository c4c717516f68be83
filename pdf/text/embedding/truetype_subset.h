#pragma once
// A TrueType font cut down to the glyphs a document shows, for embedding as
// a CIDFontType2 program: the outline and metric tables (head, hhea, maxp,
// hmtx, loca, glyf) and the hinting programs, without a cmap, since PDF
// reaches the glyphs by number. Glyphs are renumbered in the order given.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

class TPDFTrueTypeParser;

class TTrueTypeGlyphs {
 public:
  // font must stay alive while this object is used.
  explicit TTrueTypeGlyphs(const TPDFTrueTypeParser& font);

  // False when the font has no TrueType outlines (glyf and loca) to subset.
  bool Usable() const { return usable_; }
  uint16_t GlyphCount() const { return glyphCount_; }
  // The stored outline of a glyph; empty for a glyph without one.
  std::string_view GlyphData(uint16_t glyph) const;
  // The glyphs a composite glyph is built from (none for a simple glyph).
  std::vector<uint16_t> Components(uint16_t glyph) const;
  // Advance width and left side bearing in font units.
  uint16_t Advance(uint16_t glyph) const;
  int16_t LeftSideBearing(uint16_t glyph) const;

  // The subset font: new glyph i is old glyph glyphs[i]. glyphs[0] should be
  // 0 (.notdef), and every component of a composite glyph must be listed;
  // component numbers are rewritten to the new numbering.
  std::string Subset(const std::vector<uint16_t>& glyphs) const;

 private:
  const TPDFTrueTypeParser& font_;
  bool usable_ = false;
  uint16_t glyphCount_ = 0;
  uint16_t metricCount_ = 0;
  std::vector<uint32_t> offsets_;  // glyphCount_ + 1 offsets into glyf
  std::string_view glyf_, hmtx_;
};

}  // namespace ostrel
