// TrueType programs: every table reader and the outline of every glyph.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pdf/render/glyphs/truetype_rasterizer.h"

namespace {
class TNullSink final : public ostrel::TGlyphPathSink {
 public:
  void MoveTo(double, double) override {}
  void LineTo(double, double) override {}
  void CurveTo(double, double, double, double, double, double) override {}
  void QuadCurveTo(double, double, double, double) override {}
  void ClosePath() override {}
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ostrel::TPDFTrueTypeRasterizer2 raster;
  if (!raster.Load(std::string_view(reinterpret_cast<const char*>(data), size))) return 0;
  raster.Symbolic = size % 2 == 1;
  TNullSink sink;
  size_t glyphs = std::min<size_t>(raster.Parser.GlyphCount(), 64);
  for (size_t g = 0; g < glyphs; ++g) raster.DrawGlyph(sink, {1, 0, 0, 1, 0, 0}, 0, 0, "GID:" + std::to_string(g));
  for (const char* key : {"A", "CID:65", "U+0041", "PS:space", "bullet"}) raster.DrawGlyph(sink, {1, 0, 0, 1, 0, 0}, 0, 0, key);
  raster.AdvanceOfName("A");
  return 0;
}
