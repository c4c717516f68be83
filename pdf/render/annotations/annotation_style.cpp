#include "pdf/render/annotations/annotation_style.h"

#include <algorithm>
#include <cmath>

#include "pdf/core/number_format.h"
#include "pdf/core/pdf_objects.h"
#include "pdf/render/content/render_lookup.h"

namespace ostrel {

TAppearanceText& TAppearanceText::Num(double v) {
  AppendPdfNumber(text_, std::isfinite(v) ? v : 0);
  text_.push_back(' ');
  return *this;
}

TAppearanceText& TAppearanceText::Op(std::string_view op) {
  text_.append(op);
  text_.push_back('\n');
  return *this;
}

TAppearanceText& TAppearanceText::Polyline(const std::vector<double>& xy, bool close) {
  for (size_t i = 0; i + 1 < xy.size(); i += 2) Num(xy[i]).Num(xy[i + 1]).Op(i == 0 ? "m" : "l");
  if (close && xy.size() >= 4) Op("h");
  return *this;
}

TAppearanceText& TAppearanceText::Rect(double x, double y, double w, double h) {
  return Num(x).Num(y).Num(w).Num(h).Op("re");
}

TAppearanceText& TAppearanceText::Ellipse(double x0, double y0, double x1, double y1) {
  // Control points at 0.5523 of the radius make a quarter circle within 0.03%.
  constexpr double k = 0.5523;
  const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2, rx = (x1 - x0) / 2, ry = (y1 - y0) / 2;
  Num(cx + rx).Num(cy).Op("m");
  Num(cx + rx).Num(cy + k * ry).Num(cx + k * rx).Num(cy + ry).Num(cx).Num(cy + ry).Op("c");
  Num(cx - k * rx).Num(cy + ry).Num(cx - rx).Num(cy + k * ry).Num(cx - rx).Num(cy).Op("c");
  Num(cx - rx).Num(cy - k * ry).Num(cx - k * rx).Num(cy - ry).Num(cx).Num(cy - ry).Op("c");
  Num(cx + k * rx).Num(cy - ry).Num(cx + rx).Num(cy - k * ry).Num(cx + rx).Num(cy).Op("c");
  return Op("h");
}

std::vector<double> NumbersOf(TPDFObject* obj) {
  std::vector<double> out;
  auto* array = PdfCast<TPDFArray>(ResolveObject(obj));
  if (!array) return out;
  for (size_t i = 0; i < array->Count(); ++i) {
    auto* n = PdfCast<TPDFNumeric>(ResolveObject(array->Item(i)));
    if (!n || !std::isfinite(n->Value)) return {};
    out.push_back(n->Value);
  }
  return out;
}

bool ReadAnnotRect(TPDFDictionary* annot, TAnnotRect& rect) {
  std::vector<double> r = NumbersOf(annot->GetValue("Rect"));
  if (r.size() != 4) return false;
  rect = {std::min(r[0], r[2]), std::min(r[1], r[3]), std::max(r[0], r[2]), std::max(r[1], r[3])};
  return true;
}

std::string ColourOperator(const std::vector<double>& c, bool stroke) {
  TAppearanceText t;
  for (double v : c) t.Num(std::clamp(v, 0.0, 1.0));
  switch (c.size()) {
    case 1: t.Op(stroke ? "G" : "g"); break;
    case 3: t.Op(stroke ? "RG" : "rg"); break;
    case 4: t.Op(stroke ? "K" : "k"); break;
    default: return {};
  }
  return t.Text();
}

namespace {

TPDFDictionary* BorderStyle(TPDFDictionary* annot) {
  return PdfCast<TPDFDictionary>(ResolveObject(annot->GetValue("BS")));
}

}  // namespace

double BorderWidth(TPDFDictionary* annot) {
  if (TPDFDictionary* bs = BorderStyle(annot)) {
    auto* w = PdfCast<TPDFNumeric>(ResolveObject(bs->GetValue("W")));
    return w && std::isfinite(w->Value) ? std::clamp(w->Value, 0.0, 100.0) : 1;
  }
  std::vector<double> border = NumbersOf(annot->GetValue("Border"));
  return border.size() >= 3 ? std::clamp(border[2], 0.0, 100.0) : 1;
}

bool HasExplicitBorder(TPDFDictionary* annot) {
  return BorderStyle(annot) || PdfCast<TPDFArray>(ResolveObject(annot->GetValue("Border")));
}

std::string DashOperator(TPDFDictionary* annot) {
  std::vector<double> dash;
  if (TPDFDictionary* bs = BorderStyle(annot)) {
    auto* style = PdfCast<TPDFName>(ResolveObject(bs->GetValue("S")));
    if (!style || style->Value != "D") return {};
    dash = NumbersOf(bs->GetValue("D"));
    if (dash.empty()) dash = {3};
  } else if (auto* border = PdfCast<TPDFArray>(ResolveObject(annot->GetValue("Border"))); border && border->Count() > 3) {
    dash = NumbersOf(border->Item(3));
  }
  if (dash.empty() || std::all_of(dash.begin(), dash.end(), [](double d) { return d <= 0; })) return {};
  TAppearanceText t;
  t.Op("[");
  for (double d : dash) t.Num(std::max(d, 0.0));
  t.Op("] 0 d");
  return t.Text();
}

double AnnotOpacity(TPDFDictionary* annot) {
  auto* ca = PdfCast<TPDFNumeric>(ResolveObject(annot->GetValue("CA")));
  return ca && std::isfinite(ca->Value) ? std::clamp(ca->Value, 0.0, 1.0) : 1;
}

}  // namespace ostrel
