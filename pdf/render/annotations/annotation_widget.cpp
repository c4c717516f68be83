// Form field widgets without an appearance, or whose form asks for new ones
// (/NeedAppearances): background and border from /MK, the value of a text or
// choice field in the /DA font, the mark of a check box or radio button
// that is on.
#include <algorithm>

#include "pdf/core/pdf_objects.h"
#include "pdf/render/annotations/annotation_makers.h"
#include "pdf/render/annotations/annotation_text_layout.h"
#include "pdf/render/content/render_lookup.h"

namespace ostrel {
namespace {

constexpr int32_t kMultilineFlag = 1 << 12;
constexpr int32_t kPasswordFlag = 1 << 13;
constexpr int32_t kRadioFlag = 1 << 15;
constexpr int32_t kPushButtonFlag = 1 << 16;

std::string FieldType(TPDFDictionary* annot) {
  auto* ft = PdfCast<TPDFName>(InheritedEntry(annot, "FT"));
  return ft ? ft->Value : std::string();
}

int32_t FieldFlags(TPDFDictionary* annot) {
  auto* ff = PdfCast<TPDFNumeric>(InheritedEntry(annot, "Ff"));
  return ff ? ff->AsInteger() : 0;
}

// A field entry, else the form's own (for /DA and /Q).
TPDFObject* FieldOrForm(const TAnnotContext& ctx, TPDFDictionary* annot, std::string_view key) {
  if (TPDFObject* v = InheritedEntry(annot, key)) return v;
  return ctx.Form ? ResolveObject(ctx.Form->GetValue(key)) : nullptr;
}

// The text a text or choice field shows: /V as a string, or the first
// string of a list of selected values.
std::string FieldText(TPDFDictionary* annot) {
  TPDFObject* v = InheritedEntry(annot, "V");
  if (auto* s = PdfCast<TPDFString>(v)) return s->Value;
  if (auto* a = PdfCast<TPDFArray>(v); a && a->Count() > 0)
    if (auto* s = PdfCast<TPDFString>(ResolveObject(a->Item(0)))) return s->Value;
  return {};
}


// Whether a check box or radio button is on: its /AS, else the field's /V.
bool ButtonIsOn(TPDFDictionary* annot) {
  auto* as = PdfCast<TPDFName>(ResolveObject(annot->GetValue("AS")));
  if (!as) as = PdfCast<TPDFName>(InheritedEntry(annot, "V"));
  return as && as->Value != "Off";
}

}  // namespace

bool WidgetNeedsNewAppearance(const TAnnotContext& ctx, TPDFDictionary* annot) {
  auto* need = ctx.Form ? PdfCast<TPDFBoolean>(ResolveObject(ctx.Form->GetValue("NeedAppearances"))) : nullptr;
  if (!need || !need->Value) return false;
  const std::string type = FieldType(annot);
  return type == "Tx" || type == "Ch";
}

bool MakeWidget(const TAnnotContext& ctx, TPDFDictionary* annot, const TAnnotRect& r, TMadeAppearance& out) {
  const std::string type = FieldType(annot);
  const int32_t flags = FieldFlags(annot);
  auto* mk = PdfCast<TPDFDictionary>(ResolveObject(annot->GetValue("MK")));
  TAppearanceText& t = out.Content;
  if (mk) {
    std::string bg = ColourOperator(NumbersOf(mk->GetValue("BG")), false);
    if (!bg.empty()) t.Op(bg).Rect(r.X0, r.Y0, r.Width(), r.Height()).Op("f");
    std::string bc = ColourOperator(NumbersOf(mk->GetValue("BC")), true);
    const double w = BorderWidth(annot);
    if (!bc.empty() && w > 0)
      t.Op(bc).Num(w).Op("w").Op(DashOperator(annot)).Rect(r.X0 + w / 2, r.Y0 + w / 2, r.Width() - w, r.Height() - w)
          .Op("S [] 0 d");
  }
  auto* daString = PdfCast<TPDFString>(FieldOrForm(ctx, annot, "DA"));
  TDefaultAppearance da = ParseDefaultAppearance(daString ? daString->Value : "");
  t.Op(da.Colour.empty() ? "0 g" : da.Colour);
  if (type == "Btn") {
    if ((flags & kPushButtonFlag) || !ButtonIsOn(annot)) return true;
    // The mark is a Dingbats glyph: /MK /CA, else a check or a dot.
    auto* ca = mk ? PdfCast<TPDFString>(ResolveObject(mk->GetValue("CA"))) : nullptr;
    std::string mark = ca && !ca->Value.empty() ? ca->Value.substr(0, 1) : (flags & kRadioFlag) ? "l" : "4";
    const double size = da.Size > 0 ? da.Size : std::min(r.Width(), r.Height()) * 0.8;
    out.Dingbats = true;
    if (mark == "(" || mark == ")" || mark == "\\") mark.insert(0, "\\");
    t.Op("BT /F0").Num(size).Op("Tf").Num(r.X0 + (r.Width() - size * 0.8) / 2)
        .Num(r.Y0 + (r.Height() - size * 0.7) / 2).Op("Td (" + mark + ") Tj ET");
    return true;
  }
  if (type != "Tx" && type != "Ch") return true;
  std::string text = FieldText(annot);
  if (text.empty()) return true;
  if (flags & kPasswordFlag) text.assign(text.size(), '*');
  out.Font = FormFont(ctx, da.FontName);
  auto* q = PdfCast<TPDFNumeric>(FieldOrForm(ctx, annot, "Q"));
  const bool multiline = type == "Tx" && (flags & kMultilineFlag);
  t.Op("q").Rect(r.X0 + 1, r.Y0 + 1, r.Width() - 2, r.Height() - 2).Op("W n");
  WriteTextBox(t, text, {{r.X0 + 2, r.Y0 + 2, r.X1 - 2, r.Y1 - 2}, da.Size, q ? q->AsInteger() : 0, multiline});
  t.Op("Q");
  return true;
}

}  // namespace ostrel
