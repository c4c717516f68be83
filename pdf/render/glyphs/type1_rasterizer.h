#pragma once
// Glyphs of Type 1 and CFF fonts, drawn from their glyph programs.
#include <memory>
#include <string>
#include <unordered_map>

#include "pdf/render/glyphs/glyph_rasterizer.h"
#include "pdf/text/fonts/truetype_parser.h"
#include "pdf/text/fonts/type1_decoder.h"

namespace ostrel {

class TPDFType1Rasterizer : public TPDFGlyphRasterizer {
 public:
  TPDFType1Rasterizer();
  bool DrawGlyph(TGlyphPathSink& sink, const TGlyphMatrix& m, double x, double y, std::string_view key) override;
  // Outlines are built in thousandths of the em through each glyph's whole
  // font matrix, so the renderer's advance arithmetic needs no scale: with
  // one, character and word spacing and the advances of composite fonts
  // would be scaled by it too.
  double WidthScale() const override { return 1.0; }
  // The glyph's outline in thousandths of the em.
  const TGlyphOutline& Outline(std::string_view key);
  // Advance of a glyph name in thousandths of the em, -1 when missing.
  double AdvanceOfName(std::string_view name);

  TPDFType1Decoder Decoder;
  // For an OpenType font read as CFF: its cmaps, so that names the CFF lacks
  // can be found through the character codes (the built-in Dingbats font).
  std::unique_ptr<TPDFTrueTypeParser> Cmaps;

 private:
  std::string ResolveKey(std::string_view key);
  std::unordered_map<std::string, TGlyphOutline> cache_;
};

}  // namespace ostrel
