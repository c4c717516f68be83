#include "pdf/render/canvas/generic_shape.h"

namespace ostrel {

void TPDFGenericShape::Add(TKind kind, std::initializer_list<double> values) {
  TCommand command{kind, {0, 0, 0, 0, 0, 0}};
  int i = 0;
  for (double v : values) command.P[i++] = v;
  commands_.push_back(command);
}

void TPDFGenericShape::Replay(TPDFGenericCanvas& target, const TPDFMatrix& m) const {
  double p[6];
  for (const TCommand& c : commands_) {
    for (int i = 0; i < 6; i += 2) TransformByMatrix(m, c.P[i], c.P[i + 1], p[i], p[i + 1]);
    switch (c.Kind) {
      case kNewPath: target.NewPath(); break;
      case kMoveTo: target.MoveTo(p[0], p[1]); break;
      case kLineTo: target.LineTo(p[0], p[1]); break;
      case kCurveTo: target.CurveTo(p[0], p[1], p[2], p[3], p[4], p[5]); break;
      case kQuadCurveTo: target.QuadCurveTo(p[0], p[1], p[2], p[3]); break;
      case kClosePath: target.ClosePath(); break;
      case kStrokePath: target.StrokePath(); break;
      case kFillPath: target.FillPath(); break;
      case kFillStrokePath: target.FillStrokePath(); break;
    }
  }
}

}  // namespace ostrel
