#pragma once
// A recorded path: glyph outlines are built once into a shape and replayed
// through a matrix onto any canvas. Recording is itself a canvas, so a
// rasterizer can draw into a shape exactly as into the page.
#include <cstdint>
#include <vector>

#include "pdf/render/canvas/generic_canvas.h"
#include "pdf/render/content/render_matrix.h"

namespace ostrel {

class TPDFGenericShape final : public TPDFGenericCanvas {
 public:
  enum TKind : uint8_t {
    kNewPath = 0, kMoveTo = 1, kLineTo = 2, kCurveTo = 3, kQuadCurveTo = 4, kClosePath = 5,
    kStrokePath = 6, kFillPath = 7, kFillStrokePath = 8
  };
  struct TCommand {
    TKind Kind;
    double P[6];
  };

  void NewPath() override { Add(kNewPath, {}); }
  void MoveTo(double x, double y) override { Add(kMoveTo, {x, y}); }
  void LineTo(double x, double y) override { Add(kLineTo, {x, y}); }
  void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) override {
    Add(kCurveTo, {x1, y1, x2, y2, x3, y3});
  }
  void QuadCurveTo(double x1, double y1, double x2, double y2) override { Add(kQuadCurveTo, {x1, y1, x2, y2}); }
  void ClosePath() override { Add(kClosePath, {}); }
  void StrokePath() override { Add(kStrokePath, {}); }
  void FillPath() override { Add(kFillPath, {}); }
  void FillStrokePath() override { Add(kFillStrokePath, {}); }
  // Images are not recorded.
  void DrawGraphic(const Bitmap&, double, double, double, double, double, double) override {}

  // Calls the same-named operation of target for every command, with every
  // point mapped by matrix.
  void Replay(TPDFGenericCanvas& target, const TPDFMatrix& matrix = kIdentityMatrix) const;
  void Clear() { commands_.clear(); }
  bool Empty() const { return commands_.empty(); }
  const std::vector<TCommand>& Commands() const { return commands_; }

 private:
  void Add(TKind kind, std::initializer_list<double> values);
  std::vector<TCommand> commands_;
};

}  // namespace ostrel
