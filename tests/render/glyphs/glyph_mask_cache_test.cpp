// Glyph masks: one per font, size and phase; placed where the filled outline
// would be; large and inkless glyphs handled apart; the budget bounds them.
#include <gtest/gtest.h>

#include <cairo.h>

#include "pdf/render/glyphs/glyph_mask_cache.h"
#include "pdf/render/glyphs/glyph_rasterizer.h"

namespace ostrel {
namespace {

// "box": a square of 1000 x 1000 glyph units from the origin; "space": no ink.
class TBoxFont final : public TPDFGlyphRasterizer {
 public:
  bool DrawGlyph(TGlyphPathSink& sink, const TGlyphMatrix& m, double x, double y, std::string_view key) override {
    ++Drawn;
    if (key != "box") return key == "space";
    auto at = [&](double gx, double gy, bool move) {
      gx += x, gy += y;
      double dx = m[0] * gx + m[2] * gy + m[4], dy = m[1] * gx + m[3] * gy + m[5];
      move ? sink.MoveTo(dx, dy) : sink.LineTo(dx, dy);
    };
    at(0, 0, true), at(1000, 0, false), at(1000, 1000, false), at(0, 1000, false);
    sink.ClosePath();
    return true;
  }
  int Drawn = 0;
};

// Sum of the mask's coverage, in 0..255 units.
long Ink(cairo_surface_t* surface) {
  cairo_surface_flush(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  long sum = 0;
  for (int y = 0; y < cairo_image_surface_get_height(surface); ++y)
    for (int x = 0; x < cairo_image_surface_get_width(surface); ++x)
      sum += data[y * cairo_image_surface_get_stride(surface) + x];
  return sum;
}

TEST(GlyphMaskCache, OneMaskPerFontSizeAndPhase) {
  TBoxFont font, other;
  TGlyphMaskCache cache;
  const TGlyphMatrix tenPixels{0.01, 0, 0, 0.01, 0, 0};
  const auto* first = cache.Find(font, "box", tenPixels, 0, 0, true);
  ASSERT_TRUE(first && first->Surface);
  EXPECT_EQ(cache.Find(font, "box", tenPixels, 0, 0, true), first);  // a hit draws nothing
  EXPECT_EQ(font.Drawn, 1);
  // A ten-pixel square at a whole pixel covers exactly 100 pixels, with the
  // mask's margin around it.
  EXPECT_EQ(Ink(first->Surface), 100 * 255);
  EXPECT_EQ(first->Left, -1);
  EXPECT_EQ(first->Top, -1);
  // Half a pixel right: the same ink spread over one more column.
  const auto* half = cache.Find(font, "box", tenPixels, 2, 0, true);
  ASSERT_TRUE(half && half->Surface);
  EXPECT_NEAR(Ink(half->Surface), 100 * 255, 20);
  // Another size, another font, another glyph: masks of their own.
  cache.Find(font, "box", {0.02, 0, 0, 0.02, 0, 0}, 0, 0, true);
  cache.Find(other, "box", tenPixels, 0, 0, true);
  const auto* space = cache.Find(font, "space", tenPixels, 0, 0, true);
  ASSERT_TRUE(space);
  EXPECT_EQ(space->Surface, nullptr);
  EXPECT_EQ(cache.Count(), 5u);
  // A glyph larger than a mask may be is left to the outline fill.
  EXPECT_EQ(cache.Find(font, "box", {1, 0, 0, 1, 0, 0}, 0, 0, true), nullptr);
}

TEST(GlyphMaskCache, BudgetEmptiesTheCache) {
  TBoxFont font;
  TGlyphMaskCache cache;
  // 150-pixel squares: about 23 KB each, so the budget holds some hundreds.
  for (int i = 0; i < 2000; ++i) {
    double scale = 0.15 + i * 1e-9;  // every size distinct
    ASSERT_TRUE(cache.Find(font, "box", {scale, 0, 0, scale, 0, 0}, 0, 0, true));
    EXPECT_LE(cache.Bytes(), TGlyphMaskCache::kMaxBytes);
  }
  EXPECT_LT(cache.Count(), 2000u);
}

}  // namespace
}  // namespace ostrel
