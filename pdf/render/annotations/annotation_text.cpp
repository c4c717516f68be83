// FreeText annotations (their /Contents set in the /DA font and size, aligned
// by /Q, on /C with a border) and Text annotations (a note icon).
#include "pdf/core/pdf_objects.h"
#include "pdf/render/annotations/annotation_makers.h"
#include "pdf/render/annotations/annotation_text_layout.h"
#include "pdf/render/content/render_lookup.h"

namespace ostrel {
namespace {

std::string StringEntry(TPDFDictionary* dict, std::string_view key) {
  auto* s = PdfCast<TPDFString>(ResolveObject(dict->GetValue(key)));
  return s ? s->Value : std::string();
}

int IntegerEntry(TPDFDictionary* dict, std::string_view key, int fallback) {
  auto* n = PdfCast<TPDFNumeric>(ResolveObject(dict->GetValue(key)));
  return n ? n->AsInteger() : fallback;
}


}  // namespace

bool MakeFreeText(const TAnnotContext& ctx, TPDFDictionary* annot, const TAnnotRect& r, TMadeAppearance& out) {
  TDefaultAppearance da = ParseDefaultAppearance(StringEntry(annot, "DA"));
  out.Font = FormFont(ctx, da.FontName);
  out.Opacity = AnnotOpacity(annot);
  const std::string fill = ColourOperator(NumbersOf(annot->GetValue("C")), false);
  const double width = HasExplicitBorder(annot) ? BorderWidth(annot) : 1;
  TAppearanceText& t = out.Content;
  if (!fill.empty()) t.Op(fill).Rect(r.X0, r.Y0, r.Width(), r.Height()).Op("f");
  if (width > 0) {
    // The border takes the text's colour.
    t.Op(da.Colour.empty() ? "0 G" : da.Colour).Op(DashOperator(annot));
    if (!da.Colour.empty()) {
      // "r g b rg" also sets the stroke: repeat it as a stroke colour.
      std::string stroke = da.Colour;
      if (stroke.ends_with("rg ")) stroke.replace(stroke.size() - 3, 2, "RG");
      else if (stroke.ends_with("g ")) stroke.replace(stroke.size() - 2, 1, "G");
      else if (stroke.ends_with("k ")) stroke.replace(stroke.size() - 2, 1, "K");
      t.Op(stroke);
    }
    t.Num(width).Op("w").Rect(r.X0 + width / 2, r.Y0 + width / 2, r.Width() - width, r.Height() - width).Op("S");
    t.Op("[] 0 d");
  }
  t.Op(da.Colour.empty() ? "0 g" : da.Colour);
  TTextBox box{{r.X0 + width + 2, r.Y0 + width + 2, r.X1 - width - 2, r.Y1 - width - 2},
               da.Size > 0 ? da.Size : 12, IntegerEntry(annot, "Q", 0), true};
  WriteTextBox(t, StringEntry(annot, "Contents"), box);
  return true;
}

// A sheet of paper with lines of text, in /C (yellow by default), at the
// top left of the rectangle, 20 points a side as viewers show notes.
bool MakeNote(const TAnnotContext&, TPDFDictionary* annot, const TAnnotRect& r, TMadeAppearance& out) {
  std::vector<double> c = NumbersOf(annot->GetValue("C"));
  std::string fill = ColourOperator(c.empty() ? std::vector<double>{1, 1, 0} : c, false);
  const double x = r.X0, top = r.Y1, s = 20;
  TAppearanceText& t = out.Content;
  out.Opacity = AnnotOpacity(annot);
  t.Op(fill.empty() ? "1 1 0 rg" : fill).Op("0 G 1 w 1 j");
  t.Num(x + 1).Num(top - s + 1).Op("m").Num(x + s - 1).Num(top - s + 1).Op("l");
  t.Num(x + s - 1).Num(top - 6).Op("l").Num(x + s - 6).Num(top - 1).Op("l");
  t.Num(x + 1).Num(top - 1).Op("l").Op("b");
  for (double y : {6.0, 10.0, 14.0}) t.Num(x + 4).Num(top - y).Op("m").Num(x + s - 4).Num(top - y).Op("l");
  t.Op("S");
  return true;
}

}  // namespace ostrel
