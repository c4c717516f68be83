// Link annotations show a border only where /Border or /BS asks for one of
// some width: the default of a border one point wide would frame every link
// of a document, which readers do not do.
#include "pdf/core/pdf_objects.h"
#include "pdf/render/annotations/annotation_makers.h"
#include "pdf/render/content/render_lookup.h"

namespace ostrel {

bool MakeLinkBorder(const TAnnotContext&, TPDFDictionary* annot, const TAnnotRect& r, TMadeAppearance& out) {
  if (!HasExplicitBorder(annot)) return false;
  const double w = BorderWidth(annot);
  std::vector<double> c = NumbersOf(annot->GetValue("C"));
  std::string stroke = ColourOperator(c.empty() && !annot->GetValue("C") ? std::vector<double>{0, 0, 0} : c, true);
  if (w <= 0 || stroke.empty()) return false;
  TAppearanceText& t = out.Content;
  t.Op(stroke).Num(w).Op("w").Op(DashOperator(annot));
  auto* bs = PdfCast<TPDFDictionary>(ResolveObject(annot->GetValue("BS")));
  auto* style = bs ? PdfCast<TPDFName>(ResolveObject(bs->GetValue("S"))) : nullptr;
  if (style && style->Value == "U")
    t.Num(r.X0).Num(r.Y0 + w / 2).Op("m").Num(r.X1).Num(r.Y0 + w / 2).Op("l S");
  else
    t.Rect(r.X0 + w / 2, r.Y0 + w / 2, r.Width() - w, r.Height() - w).Op("S");
  return true;
}

}  // namespace ostrel
