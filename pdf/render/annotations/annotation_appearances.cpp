#include "pdf/render/annotations/annotation_appearances.h"

#include <cairo.h>

#include <algorithm>

#include "pdf/core/pdf_objects.h"
#include "pdf/render/annotations/annotation_makers.h"
#include "pdf/render/content/render_lookup.h"
#include "platform/bitmap.h"

namespace ostrel {
namespace {

struct TMakerEntry {
  std::string_view Subtype;
  TAppearanceMaker Make;
};
constexpr TMakerEntry kMakers[] = {
    {"Square", MakeSquare},       {"Circle", MakeCircle},       {"Line", MakeLine},
    {"Polygon", MakePolygon},     {"PolyLine", MakePolyLine},   {"Ink", MakeInk},
    {"Highlight", MakeHighlight}, {"Underline", MakeUnderline}, {"StrikeOut", MakeStrikeOut},
    {"Squiggly", MakeSquiggly},   {"FreeText", MakeFreeText},   {"Text", MakeNote},
    {"Link", MakeLinkBorder},     {"Widget", MakeWidget},
};

TAppearanceMaker MakerOf(TPDFDictionary* annot) {
  auto* subtype = PdfCast<TPDFName>(ResolveObject(annot->GetValue("Subtype")));
  if (!subtype) return nullptr;
  for (const TMakerEntry& m : kMakers)
    if (m.Subtype == subtype->Value) return m.Make;
  return nullptr;
}

}  // namespace

TPDFObject* FormFont(const TAnnotContext& ctx, const std::string& name) {
  if (!ctx.Form || name.empty()) return nullptr;
  auto* dr = PdfCast<TPDFDictionary>(ResolveObject(ctx.Form->GetValue("DR")));
  auto* fonts = dr ? PdfCast<TPDFDictionary>(ResolveObject(dr->GetValue("Font"))) : nullptr;
  TPDFObject* font = fonts ? fonts->GetValue(name) : nullptr;
  return PdfCast<TPDFDictionary>(ResolveObject(font)) ? font : nullptr;
}

TAnnotationAppearances::TAnnotationAppearances() {
  helvetica_ = PdfCast<TPDFDictionary>(
      fonts_.ParseObject("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"));
  dingbats_ = PdfCast<TPDFDictionary>(fonts_.ParseObject("<< /Type /Font /Subtype /Type1 /BaseFont /ZapfDingbats >>"));
}

void TAnnotationAppearances::StartPage(TPDFDictionary* form) {
  scratch_.Clear();
  form_ = form;
}

bool TAnnotationAppearances::Wanted(TPDFDictionary* annot) const {
  if (!MakerOf(annot)) return false;
  auto* ap = PdfCast<TPDFDictionary>(ResolveObject(annot->GetValue("AP")));
  if (!ap || !ap->GetValue("N")) return true;
  return WidgetNeedsNewAppearance({form_}, annot);
}

bool TAnnotationAppearances::Make(TPDFDictionary* annot, TAnnotationDrawing& out) {
  TAppearanceMaker make = MakerOf(annot);
  TAnnotRect rect;
  TMadeAppearance made;
  if (!make || !ReadAnnotRect(annot, rect) || !make({form_}, annot, rect, made)) return false;
  TPDFDictionary* fonts = scratch_.NewDictionary();
  fonts->SetValue("F0", made.Font ? made.Font : made.Dingbats ? dingbats_ : helvetica_);
  TPDFDictionary* resources = scratch_.NewDictionary();
  resources->SetValue("Font", fonts);
  out.Content.clear();
  if (made.Opacity < 1) {
    TPDFDictionary* gs = scratch_.NewDictionary();
    gs->SetValue("CA", scratch_.NewNumeric(made.Opacity));
    gs->SetValue("ca", scratch_.NewNumeric(made.Opacity));
    TPDFDictionary* states = scratch_.NewDictionary();
    states->SetValue("G0", gs);
    resources->SetValue("ExtGState", states);
    out.Content = "/G0 gs\n";
  }
  out.Content += made.Content.Text();
  out.Source = scratch_.NewDictionary();
  out.Source->SetValue("Resources", resources);
  out.MultiplyQuads = std::move(made.MultiplyQuads);
  std::copy(std::begin(made.MultiplyColour), std::end(made.MultiplyColour), out.Colour);
  out.Opacity = made.Opacity;
  return true;
}

void PaintMultiplied(Bitmap& page, const TPDFMatrix& ctm, const TAnnotationDrawing& drawing) {
  if (drawing.MultiplyQuads.empty() || page.PixelFormat() != TPixelFormat::pf32bit ||
      static_cast<int>(page.Stride()) != cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, page.Width()))
    return;
  cairo_surface_t* surface = cairo_image_surface_create_for_data(page.Data(), CAIRO_FORMAT_RGB24, page.Width(),
                                                                 page.Height(), static_cast<int>(page.Stride()));
  cairo_t* cr = cairo_create(surface);
  cairo_set_operator(cr, CAIRO_OPERATOR_MULTIPLY);
  cairo_set_source_rgba(cr, drawing.Colour[0], drawing.Colour[1], drawing.Colour[2], drawing.Opacity);
  const std::vector<double>& q = drawing.MultiplyQuads;
  for (size_t i = 0; i + 8 <= q.size(); i += 8) {
    for (size_t k = 0; k < 8; k += 2) {
      double x, y;
      TransformByMatrix(ctm, q[i + k], q[i + k + 1], x, y);
      // Far-off corners would overflow Cairo's fixed-point coordinates.
      x = std::clamp(x, -1e6, 1e6), y = std::clamp(y, -1e6, 1e6);
      k == 0 ? cairo_move_to(cr, x, y) : cairo_line_to(cr, x, y);
    }
    cairo_close_path(cr);
  }
  cairo_fill(cr);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  cairo_surface_destroy(surface);
}

}  // namespace ostrel
