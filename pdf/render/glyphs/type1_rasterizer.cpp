// Drawing Type 1 and CFF glyphs from their glyph programs.
#include "pdf/render/glyphs/type1_rasterizer.h"

#include <cmath>

#include "pdf/render/glyphs/glyph_program_outline.h"
#include "pdf/text/glyph_list.h"
#include "pdf/text/latin_charset.h"

namespace ostrel {
namespace {
constexpr size_t kMaxCachedOutlines = 70000;
}

TPDFType1Rasterizer::TPDFType1Rasterizer() = default;

std::string TPDFType1Rasterizer::ResolveKey(std::string_view key) {
  if (!Cmaps || !Decoder.FindCharstring(key).empty()) return std::string(key);
  // Through the character code the name has in StandardEncoding, as fonts
  // with their own encoding (Dingbats) are addressed by code.
  const TLatinChar* c = FindLatinChar(key);
  int code = c ? c->Codes[kStandardEncoding] : -1;
  char16_t unicode = GlyphNameToUnicode(key);
  for (auto [platform, encoding] : {std::pair{3, 0}, {1, 0}, {3, 1}}) {
    long sub = Cmaps->FindCmapSubtable(uint16_t(platform), uint16_t(encoding));
    if (sub < 0) continue;
    const TPDFTTEncodingRecord& rec = Cmaps->CmapSubtables()[sub];
    uint16_t g = 0;
    if (platform == 3 && encoding == 1)
      g = unicode ? rec.GlyphOf(unicode) : 0;
    else if (code >= 0)
      g = platform == 3 ? rec.GlyphOf(0xF000 + code) : rec.GlyphOf(code);
    if (g) return "GID:" + std::to_string(g);
  }
  return std::string(key);
}

const TGlyphOutline& TPDFType1Rasterizer::Outline(std::string_view key) {
  static const TGlyphOutline kEmpty;
  std::string k(key);
  if (auto it = cache_.find(k); it != cache_.end()) return it->second;
  if (cache_.size() >= kMaxCachedOutlines) return kEmpty;
  TGlyphOutline outline;
  std::string resolved = ResolveKey(key);
  if (Decoder.GlyphProgram(resolved)) {
    outline = OutlineOfGlyphProgram(Decoder.CurrentProgram);
    // Charstring units to thousandths of the em, through the glyph's font
    // matrix (its font dictionary's in a CID-keyed font).
    Decoder.FindCharstring(resolved);
    TGlyphMatrix m = Decoder.GlyphMatrix();
    const TGlyphMatrix identity{1, 0, 0, 1, 0, 0};
    bool plain = true;
    for (size_t i = 0; i < m.size(); ++i) plain = plain && std::fabs(m[i] - identity[i]) < 1e-12;
    if (!plain) outline.Transform(m);
  }
  return cache_.emplace(std::move(k), std::move(outline)).first->second;
}

double TPDFType1Rasterizer::AdvanceOfName(std::string_view name) {
  if (name.empty()) return -1;
  std::string resolved = ResolveKey(name);
  double w = Decoder.GlyphAdvance(resolved);
  if (w < 0) return -1;
  Decoder.FindCharstring(resolved);
  return w * Decoder.GlyphMatrix()[0];
}

bool TPDFType1Rasterizer::DrawGlyph(TGlyphPathSink& sink, const TGlyphMatrix& m, double x, double y,
                                   std::string_view key) {
  const TGlyphOutline& outline = Outline(key);
  outline.Replay(sink, m, x, y);
  return !outline.Empty();
}

}  // namespace ostrel
