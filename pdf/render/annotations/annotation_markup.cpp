// Text markup annotations from their /QuadPoints: Highlight (a marker in
// multiply blend), Underline, StrikeOut and Squiggly (lines in /C across
// each quadrilateral).
#include <algorithm>
#include <cmath>

#include "pdf/core/pdf_objects.h"
#include "pdf/render/annotations/annotation_makers.h"

namespace ostrel {
namespace {

struct TQuadBox {
  double X0, Y0, X1, Y1;
};

// Each quadrilateral of /QuadPoints as its bounding box: writers disagree on
// the order of the four corners, but not on the box they span.
std::vector<TQuadBox> QuadBoxes(TPDFDictionary* annot, const TAnnotRect& rect) {
  std::vector<double> q = NumbersOf(annot->GetValue("QuadPoints"));
  std::vector<TQuadBox> boxes;
  for (size_t i = 0; i + 8 <= q.size(); i += 8) {
    TQuadBox b{q[i], q[i + 1], q[i], q[i + 1]};
    for (size_t k = 2; k < 8; k += 2) {
      b.X0 = std::min(b.X0, q[i + k]), b.X1 = std::max(b.X1, q[i + k]);
      b.Y0 = std::min(b.Y0, q[i + k + 1]), b.Y1 = std::max(b.Y1, q[i + k + 1]);
    }
    boxes.push_back(b);
  }
  if (boxes.empty()) boxes.push_back({rect.X0, rect.Y0, rect.X1, rect.Y1});
  return boxes;
}

std::vector<double> MarkupColour(TPDFDictionary* annot, std::vector<double> fallback) {
  std::vector<double> c = NumbersOf(annot->GetValue("C"));
  return c.empty() ? fallback : c;
}

// Lines across each box at a height (share of the box from the bottom),
// their thickness a share of the box height.
bool MarkupLines(TPDFDictionary* annot, const TAnnotRect& rect, double at, TMadeAppearance& out) {
  std::string stroke = ColourOperator(MarkupColour(annot, {0, 0, 0}), true);
  if (stroke.empty()) return false;
  out.Opacity = AnnotOpacity(annot);
  out.Content.Op(stroke);
  for (const TQuadBox& b : QuadBoxes(annot, rect)) {
    const double h = b.Y1 - b.Y0, w = std::max(0.5, h / 16);
    const double y = b.Y0 + h * at;
    out.Content.Num(w).Op("w").Num(b.X0).Num(y).Op("m").Num(b.X1).Num(y).Op("l S");
  }
  return true;
}

}  // namespace

bool MakeHighlight(const TAnnotContext&, TPDFDictionary* annot, const TAnnotRect& rect, TMadeAppearance& out) {
  std::vector<double> c = MarkupColour(annot, {1, 1, 0});
  if (c.size() == 1) c = {c[0], c[0], c[0]};
  if (c.size() == 4) c = {(1 - c[0]) * (1 - c[3]), (1 - c[1]) * (1 - c[3]), (1 - c[2]) * (1 - c[3])};
  if (c.size() != 3) return false;
  for (int i = 0; i < 3; ++i) out.MultiplyColour[i] = std::clamp(c[size_t(i)], 0.0, 1.0);
  out.Opacity = AnnotOpacity(annot);
  for (const TQuadBox& b : QuadBoxes(annot, rect))
    out.MultiplyQuads.insert(out.MultiplyQuads.end(), {b.X0, b.Y0, b.X1, b.Y0, b.X1, b.Y1, b.X0, b.Y1});
  return true;
}

bool MakeUnderline(const TAnnotContext&, TPDFDictionary* annot, const TAnnotRect& rect, TMadeAppearance& out) {
  return MarkupLines(annot, rect, 1.0 / 14, out);
}

bool MakeStrikeOut(const TAnnotContext&, TPDFDictionary* annot, const TAnnotRect& rect, TMadeAppearance& out) {
  return MarkupLines(annot, rect, 0.45, out);
}

bool MakeSquiggly(const TAnnotContext&, TPDFDictionary* annot, const TAnnotRect& rect, TMadeAppearance& out) {
  std::string stroke = ColourOperator(MarkupColour(annot, {0, 0, 0}), true);
  if (stroke.empty()) return false;
  out.Opacity = AnnotOpacity(annot);
  out.Content.Op(stroke);
  for (const TQuadBox& b : QuadBoxes(annot, rect)) {
    const double h = b.Y1 - b.Y0, step = std::max(1.0, h / 6), amplitude = h / 12;
    const double w = b.X1 - b.X0;
    if (w <= 0 || w / step > 4000) continue;
    out.Content.Num(std::max(0.5, h / 20)).Op("w").Num(b.X0).Num(b.Y0 + amplitude).Op("m");
    int k = 1;
    for (double x = b.X0 + step; x < b.X1 + step; x += step, ++k)
      out.Content.Num(std::min(x, b.X1)).Num(b.Y0 + (k % 2 ? 0 : amplitude)).Op("l");
    out.Content.Op("S");
  }
  return true;
}

}  // namespace ostrel
