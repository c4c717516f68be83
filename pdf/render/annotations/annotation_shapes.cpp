// Square, Circle, Line, Polygon, PolyLine and Ink annotations: an outline
// in /C with the border's width and dash, filled with /IC where the kind has
// an interior.
#include <cmath>

#include "pdf/core/pdf_objects.h"
#include "pdf/render/annotations/annotation_makers.h"
#include "pdf/render/content/render_lookup.h"

namespace ostrel {
namespace {

struct TPaint {
  std::string Stroke, Fill;
  double Width = 1;
};

// Sets colours, width and dash; which of stroke and fill apply.
TPaint StartShape(TPDFDictionary* annot, TMadeAppearance& out, bool interior) {
  TPaint p;
  p.Stroke = ColourOperator(NumbersOf(annot->GetValue("C")), true);
  if (interior) p.Fill = ColourOperator(NumbersOf(annot->GetValue("IC")), false);
  p.Width = BorderWidth(annot);
  if (p.Width <= 0) p.Stroke.clear();
  out.Opacity = AnnotOpacity(annot);
  out.Content.Op(p.Stroke).Op(p.Fill).Num(p.Width).Op("w").Op(DashOperator(annot));
  return p;
}

void Finish(TAppearanceText& t, const TPaint& p) {
  t.Op(!p.Fill.empty() && !p.Stroke.empty() ? "B" : !p.Fill.empty() ? "f" : !p.Stroke.empty() ? "S" : "n");
}

// A line ending at (x, y) for a line arriving from direction (dx, dy)
// (unit vector), size s. Filled endings take the interior colour.
void LineEnding(TAppearanceText& t, std::string_view kind, double x, double y, double dx, double dy, double s,
                bool fill) {
  const double nx = -dy, ny = dx;  // normal
  auto point = [&](double along, double across) {
    t.Num(x + dx * along + nx * across).Num(y + dy * along + ny * across);
  };
  const char* paint = fill ? "b" : "s";
  if (kind == "OpenArrow" || kind == "ClosedArrow") {
    point(-s, s / 2), t.Op("m"), point(0, 0), t.Op("l"), point(-s, -s / 2), t.Op("l");
    t.Op(kind == "ClosedArrow" ? paint : "S");
  } else if (kind == "ROpenArrow" || kind == "RClosedArrow") {
    point(s, s / 2), t.Op("m"), point(0, 0), t.Op("l"), point(s, -s / 2), t.Op("l");
    t.Op(kind == "RClosedArrow" ? paint : "S");
  } else if (kind == "Square") {
    point(-s / 2, -s / 2), t.Op("m"), point(s / 2, -s / 2), t.Op("l"), point(s / 2, s / 2), t.Op("l");
    point(-s / 2, s / 2), t.Op("l"), t.Op(paint);
  } else if (kind == "Diamond") {
    point(-s / 2, 0), t.Op("m"), point(0, -s / 2), t.Op("l"), point(s / 2, 0), t.Op("l"), point(0, s / 2);
    t.Op("l"), t.Op(paint);
  } else if (kind == "Circle") {
    t.Ellipse(x - s / 2, y - s / 2, x + s / 2, y + s / 2).Op(paint);
  } else if (kind == "Butt") {
    point(0, s / 2), t.Op("m"), point(0, -s / 2), t.Op("l S");
  } else if (kind == "Slash") {
    point(s / 4, s / 2), t.Op("m"), point(-s / 4, -s / 2), t.Op("l S");
  }
}

// The two endings of /LE at the first and last points of a path.
void LineEndings(TPDFDictionary* annot, const std::vector<double>& xy, const TPaint& p, TAppearanceText& t) {
  auto* le = PdfCast<TPDFArray>(ResolveObject(annot->GetValue("LE")));
  if (!le || xy.size() < 4 || p.Stroke.empty()) return;
  const double s = std::max(3.0, 6 * p.Width);
  const size_t n = xy.size();
  for (int end = 0; end < 2 && size_t(end) < le->Count(); ++end) {
    auto* kind = PdfCast<TPDFName>(ResolveObject(le->Item(size_t(end))));
    if (!kind || kind->Value == "None") continue;
    // At the start, the line "arrives" from the second point.
    const double x = end ? xy[n - 2] : xy[0], y = end ? xy[n - 1] : xy[1];
    const double fx = end ? xy[n - 4] : xy[2], fy = end ? xy[n - 3] : xy[3];
    const double len = std::hypot(x - fx, y - fy);
    if (len <= 0) continue;
    t.Op("[] 0 d");
    LineEnding(t, kind->Value, x, y, (x - fx) / len, (y - fy) / len, s, !p.Fill.empty());
  }
}

}  // namespace

bool MakeSquare(const TAnnotContext&, TPDFDictionary* annot, const TAnnotRect& r, TMadeAppearance& out) {
  TPaint p = StartShape(annot, out, true);
  const double h = p.Stroke.empty() ? 0 : p.Width / 2;
  out.Content.Rect(r.X0 + h, r.Y0 + h, r.Width() - 2 * h, r.Height() - 2 * h);
  Finish(out.Content, p);
  return true;
}

bool MakeCircle(const TAnnotContext&, TPDFDictionary* annot, const TAnnotRect& r, TMadeAppearance& out) {
  TPaint p = StartShape(annot, out, true);
  const double h = p.Stroke.empty() ? 0 : p.Width / 2;
  out.Content.Ellipse(r.X0 + h, r.Y0 + h, r.X1 - h, r.Y1 - h);
  Finish(out.Content, p);
  return true;
}

bool MakeLine(const TAnnotContext&, TPDFDictionary* annot, const TAnnotRect&, TMadeAppearance& out) {
  std::vector<double> xy = NumbersOf(annot->GetValue("L"));
  if (xy.size() != 4) return false;
  TPaint p = StartShape(annot, out, true);
  if (p.Stroke.empty()) return false;
  out.Content.Polyline(xy, false).Op("S");
  LineEndings(annot, xy, p, out.Content);
  return true;
}

bool MakePolygon(const TAnnotContext&, TPDFDictionary* annot, const TAnnotRect&, TMadeAppearance& out) {
  std::vector<double> xy = NumbersOf(annot->GetValue("Vertices"));
  if (xy.size() < 4) return false;
  TPaint p = StartShape(annot, out, true);
  out.Content.Polyline(xy, true);
  Finish(out.Content, p);
  return true;
}

bool MakePolyLine(const TAnnotContext&, TPDFDictionary* annot, const TAnnotRect&, TMadeAppearance& out) {
  std::vector<double> xy = NumbersOf(annot->GetValue("Vertices"));
  if (xy.size() < 4) return false;
  TPaint p = StartShape(annot, out, true);
  if (p.Stroke.empty()) return false;
  out.Content.Polyline(xy, false).Op("S");
  LineEndings(annot, xy, p, out.Content);
  return true;
}

bool MakeInk(const TAnnotContext&, TPDFDictionary* annot, const TAnnotRect&, TMadeAppearance& out) {
  auto* list = PdfCast<TPDFArray>(ResolveObject(annot->GetValue("InkList")));
  if (!list) return false;
  TPaint p = StartShape(annot, out, false);
  if (p.Stroke.empty()) return false;
  out.Content.Op("1 J 1 j");
  for (size_t i = 0; i < list->Count(); ++i) {
    std::vector<double> xy = NumbersOf(list->Item(i));
    if (xy.size() == 2) xy.insert(xy.end(), {xy[0], xy[1]});  // a dot
    if (xy.size() >= 4) out.Content.Polyline(xy, false).Op("S");
  }
  return true;
}

}  // namespace ostrel
