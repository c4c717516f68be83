// Replaying glyph outlines through a matrix.
#include "pdf/render/glyphs/glyph_outline.h"

namespace ostrel {

TGlyphMatrix MultiplyGlyphMatrix(const TGlyphMatrix& n, const TGlyphMatrix& m) {
  return {n[0] * m[0] + n[1] * m[2],        n[0] * m[1] + n[1] * m[3],
          n[2] * m[0] + n[3] * m[2],        n[2] * m[1] + n[3] * m[3],
          n[4] * m[0] + n[5] * m[2] + m[4], n[4] * m[1] + n[5] * m[3] + m[5]};
}

void TGlyphOutline::Transform(const std::array<double, 6>& m) {
  static constexpr int kPoints[] = {1, 1, 3, 2, 0};  // points per TOp
  for (TSegment& s : segments_) {
    for (int i = 0; i < kPoints[int(s.Op)]; ++i) {
      double x = s.P[2 * i], y = s.P[2 * i + 1];
      s.P[2 * i] = m[0] * x + m[2] * y + m[4];
      s.P[2 * i + 1] = m[1] * x + m[3] * y + m[5];
    }
  }
}

void TGlyphOutline::Replay(TGlyphPathSink& sink, const TGlyphMatrix& m, double x, double y) const {
  const TGlyphMatrix t = MultiplyGlyphMatrix({1, 0, 0, 1, x, y}, m);
  auto px = [&](double gx, double gy) { return t[0] * gx + t[2] * gy + t[4]; };
  auto py = [&](double gx, double gy) { return t[1] * gx + t[3] * gy + t[5]; };
  for (const TSegment& s : segments_) {
    const double* p = s.P;
    switch (s.Op) {
      case TOp::Move: sink.MoveTo(px(p[0], p[1]), py(p[0], p[1])); break;
      case TOp::Line: sink.LineTo(px(p[0], p[1]), py(p[0], p[1])); break;
      case TOp::Curve:
        sink.CurveTo(px(p[0], p[1]), py(p[0], p[1]), px(p[2], p[3]), py(p[2], p[3]), px(p[4], p[5]), py(p[4], p[5]));
        break;
      case TOp::Quad: sink.QuadCurveTo(px(p[0], p[1]), py(p[0], p[1]), px(p[2], p[3]), py(p[2], p[3])); break;
      case TOp::Close: sink.ClosePath(); break;
    }
  }
}

}  // namespace ostrel
