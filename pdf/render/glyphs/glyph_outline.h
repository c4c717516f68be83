#pragma once
// A glyph's outline in glyph space (1000 units per em for every font kind
// except Type 3), built once per glyph and replayed into any path at any
// size and position.
#include <array>
#include <cstdint>
#include <vector>

namespace ostrel {

// Where replayed outlines go: the renderer hands its canvas path in through
// a small adapter.
class TGlyphPathSink {
 public:
  virtual ~TGlyphPathSink() = default;
  virtual void MoveTo(double x, double y) = 0;
  virtual void LineTo(double x, double y) = 0;
  virtual void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) = 0;
  virtual void QuadCurveTo(double cx, double cy, double x, double y) = 0;
  virtual void ClosePath() = 0;
};

using TGlyphMatrix = std::array<double, 6>;  // [a b c d e f]

class TGlyphOutline {
 public:
  enum class TOp : uint8_t { Move, Line, Curve, Quad, Close };
  struct TSegment {
    TOp Op;
    double P[6];
  };

  void MoveTo(double x, double y) { segments_.push_back({TOp::Move, {x, y}}); }
  void LineTo(double x, double y) { segments_.push_back({TOp::Line, {x, y}}); }
  void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) {
    segments_.push_back({TOp::Curve, {x1, y1, x2, y2, x3, y3}});
  }
  void QuadCurveTo(double cx, double cy, double x, double y) { segments_.push_back({TOp::Quad, {cx, cy, x, y}}); }
  void ClosePath() { segments_.push_back({TOp::Close, {}}); }

  // Sends the outline, placed at (x, y) in glyph space and mapped by m, to sink.
  void Replay(TGlyphPathSink& sink, const TGlyphMatrix& m, double x, double y) const;
  // Maps every point through m (a font matrix applied once, at build time).
  void Transform(const std::array<double, 6>& m);
  const std::vector<TSegment>& Segments() const { return segments_; }
  bool Empty() const { return segments_.empty(); }

 private:
  std::vector<TSegment> segments_;
};

// [a b c d e f] applied after n: the product n x m.
TGlyphMatrix MultiplyGlyphMatrix(const TGlyphMatrix& n, const TGlyphMatrix& m);

}  // namespace ostrel
