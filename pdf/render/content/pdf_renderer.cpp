#include "pdf/render/content/pdf_renderer.h"

#include <algorithm>
#include <cmath>

#include "pdf/core/page_tree.h"
#include "pdf/core/pdf_document.h"
#include "pdf/core/pdf_objects.h"
#include "pdf/render/colour/colour_render_colors.h"
#include "pdf/render/glyphs/font_program_loader.h"
#include "pdf/text/extract/text_device.h"
#include "pdf/render/annotations/annotation_appearances.h"
#include "pdf/text/extract/field_values.h"
#include "pdf/render/canvas/picasso.h"
#include "pdf/render/content/blend_scan.h"
#include "pdf/render/content/render_lookup.h"
#include "pdf/text/font_collection.h"

namespace ostrel {

TPDFRenderer::TPDFRenderer(TPDFFontCollection& fonts)
    : fonts_(fonts), colors_(std::make_unique<TPDFColorLayerColors>()) {
  // Rendering needs glyph outlines, which the collection only asks the
  // font-program layer for when this is set; a caller's own loader (tests
  // with a private font configuration) is kept.
  fonts_.LoadFontPrograms = true;
  if (!fonts_.OnLoadFontProgram) fonts_.OnLoadFontProgram = MakeFontProgramLoader(fonts_);
}

TPDFRenderer::~TPDFRenderer() = default;

void TPDFRenderer::SetColors(std::unique_ptr<TPDFRenderColors> colors) {
  if (colors) colors_ = std::move(colors);
  separations_.clear();
}

bool TPDFRenderer::RenderPageToBitmap(TPDFDocument& doc, int pageNumber, double dpi, const TGDIPlusSettings& canvas,
                                      Bitmap& out, std::string& error) {
  error.clear();
  if (!std::isfinite(dpi) || dpi < 0) {
    error = "invalid resolution";
    return false;
  }
  TPDFDictionary* page = doc.PageTree().PageDictionary(pageNumber);
  if (!page) {
    error = "page " + std::to_string(pageNumber) + " not found";
    return false;
  }
  Page = page;
  TPDFDictionary* catalog = doc.Catalog();
  AcroForm = catalog ? PdfCast<TPDFDictionary>(ResolveObject(catalog->GetValue("AcroForm"))) : nullptr;
  DPI = dpi;
  CanvasSettings = canvas;
  // The caller's previous page lends its buffer to this one: no fresh
  // megabytes to fault in for every page.
  PageBitmap = std::move(out);
  RenderPage();
  if (PageBitmap.Empty()) {
    error = "cannot allocate the page bitmap";
    return false;
  }
  out = std::move(PageBitmap);
  PageBitmap = Bitmap();
  return true;
}

// ---- page geometry ----

bool TPDFRenderer::PageBoxRect(TPDFDictionary* page, std::string_view name, double box[4]) {
  static constexpr const char* kFallbacks[][3] = {
      {"MediaBox", nullptr, nullptr},       {"CropBox", "MediaBox", nullptr},
      {"BleedBox", "CropBox", "MediaBox"}, {"TrimBox", "CropBox", "MediaBox"},
      {"ArtBox", "CropBox", "MediaBox"}};
  const char* const* chain = nullptr;
  for (const auto& row : kFallbacks)
    if (name == row[0]) chain = row;
  if (!chain || !page) return false;
  for (int i = 0; i < 3 && chain[i]; ++i) {
    TPDFObject* value = InheritedEntry(page, chain[i]);
    if (!value) continue;
    double v[4];
    // A box that is not four finite numbers counts as absent.
    if (!ReadNumbers(PdfCast<TPDFArray>(value), v, 4)) return false;
    box[0] = std::min(v[0], v[2]);
    box[1] = std::min(v[1], v[3]);
    box[2] = std::max(v[0], v[2]);
    box[3] = std::max(v[1], v[3]);
    return true;
  }
  return false;
}

TPDFRenderer::TPageGeometry TPDFRenderer::MeasurePage(TPDFDictionary* page, double dpi) {
  static constexpr const char* kBoxNames[] = {"MediaBox", "CropBox", "BleedBox", "TrimBox", "ArtBox"};
  double sel[4] = {0, 0, 612, 792}, media[4] = {0, 0, 612, 792};
  int kind = PageBoxKind >= kMediaBox && PageBoxKind <= kArtBox ? PageBoxKind : kCropBox;
  PageBoxRect(page, kBoxNames[kind - 1], sel);
  PageBoxRect(page, "MediaBox", media);
  TPageGeometry g;
  g.X0 = std::max(sel[0], media[0]);
  g.Y0 = std::max(sel[1], media[1]);
  g.Width = std::min(sel[2], media[2]) - g.X0;
  g.Height = std::min(sel[3], media[3]) - g.Y0;
  // Disjoint boxes leave a negative extent: nothing of the page is visible.
  if (g.Width <= 0) g.Width = 1.0;
  if (g.Height <= 0) g.Height = 1.0;

  int32_t r = 0;
  if (auto* rotate = PdfCast<TPDFNumeric>(InheritedEntry(page, "Rotate")))
    r = std::isfinite(rotate->Value) ? rotate->AsInteger() : 0;
  r = ((r / 90) % 4) * 90;
  if (r < 0) r += 360;
  g.Rotation = r;
  if (r == 90 || r == 270) std::swap(g.Width, g.Height);

  if (dpi == 0) dpi = 1.0;
  auto pixels = [](double extent, double d) {
    double exact = extent * d / 72;
    double n = std::nearbyint(exact);
    if (n < exact) n += 1;
    return n;
  };
  double w = pixels(g.Width, dpi), h = pixels(g.Height, dpi);
  // Lower the resolution of a page too large for a bitmap so that the whole
  // page still fits.
  if (w > kMaxSide || h > kMaxSide || w * h > static_cast<double>(kMaxPixels)) {
    double scale = std::min({kMaxSide / w, kMaxSide / h, std::sqrt(kMaxPixels / (w * h))});
    dpi *= scale;
    for (int attempt = 0; attempt < 64; ++attempt) {
      w = pixels(g.Width, dpi);
      h = pixels(g.Height, dpi);
      if (w <= kMaxSide && h <= kMaxSide && w * h <= static_cast<double>(kMaxPixels)) break;
      dpi *= 0.999;
    }
  }
  g.PixelWidth = static_cast<int>(std::clamp(w, 1.0, double(kMaxSide)));
  g.PixelHeight = static_cast<int>(std::clamp(h, 1.0, double(kMaxSide)));
  g.DPI = dpi;
  return g;
}

void TPDFRenderer::PageSize(TPDFDictionary* page, double dpi, int& width, int& height) {
  TPageGeometry g = MeasurePage(page, dpi);
  width = g.PixelWidth;
  height = g.PixelHeight;
}

// ---- one page ----

void TPDFRenderer::BeginPage(const TPDFMatrix& ctm, double dpi) {
  UseInitialState = false;
  LastError.clear();
  EffectiveDPI = dpi;
  CTM = BaseCTM = ctm;
  nesting_ = 0;
  drawing_.clear();
  contentBudget_.Reset();
  // Decoded forms stay for the next pages (a logo or a running head is
  // drawn on every page) while they are few; a large cache starts afresh.
  if (streamCacheBytes_ > kKeptStreamCacheBytes) {
    streamCache_.clear();
    streamCacheBytes_ = 0;
  }
  operatorBudget_ = kMaxOperatorsPerPage;
}

void TPDFRenderer::RunPage(TPDFPicasso& canvas) {
  if (!Page) return;
  const bool blends = ResourcesUseBlendModes(PdfCast<TPDFDictionary>(InheritedEntry(Page, "Resources")));
  if (blends) canvas.BeginGroup();
  RunContent(canvas, Page, nullptr, nullptr);
  if (blends) {
    // The group goes onto the paper as it is, whatever state the content
    // left the canvas in.
    canvas.SetBlendMode(TBlendMode::Normal);
    canvas.SetSoftMask(nullptr);
    canvas.EndGroup(1);
  }
  if (LastError.empty()) DrawAnnotations(canvas);
}

void TPDFRenderer::RenderPage() {
  TPageGeometry g = MeasurePage(Page, DPI);
  double s = g.DPI / 72;
  double w = g.Width, h = g.Height;
  TPDFMatrix rotation = kIdentityMatrix;
  switch (g.Rotation) {
    case 90: rotation = {0, -1, 1, 0, 0, h}; break;
    case 180: rotation = {-1, 0, 0, -1, w, h}; break;
    case 270: rotation = {0, 1, -1, 0, w, 0}; break;
    default: break;
  }
  // The flip puts the top of the page on row 0. Anchoring it at the rounded-up
  // pixel height instead would move a page of 842.04 points a pixel down.
  BeginPage(MultiplyMatrix(TPDFMatrix{1, 0, 0, 1, -g.X0, -g.Y0},
                           MultiplyMatrix(rotation, TPDFMatrix{s, 0, 0, -s, 0, h * s})),
            g.DPI);

  // Cairo draws into a 32-bit buffer; the result is handed out as 24 bits.
  Bitmap work = std::move(PageBitmap);
  PageBitmap = Bitmap();
  if (!work.SetSize(g.PixelWidth, g.PixelHeight, TPixelFormat::pf32bit)) {
    PageBitmap = Bitmap();
    return;
  }
  std::fill(work.Data(), work.Data() + work.Stride() * work.Height(), uint8_t{0xFF});
  {
    TPDFPicasso canvas;
    canvas.AttachBitmap(work, CanvasSettings);
    target_ = &work;
    RunPage(canvas);
    canvas.Flush();
    target_ = nullptr;
  }
  softMasks_.clear();
  work.ConvertTo24Bit();
  PageBitmap = std::move(work);
}

// ---- annotations ----

void TPDFRenderer::DrawAnnotations(TPDFPicasso& canvas) {
  auto* annots = PdfCast<TPDFArray>(ResolveObject(Page->GetValue("Annots")));
  if (!annots) return;
  auto* pageResources = PdfCast<TPDFDictionary>(InheritedEntry(Page, "Resources"));
  if (appearances_) appearances_->StartPage(AcroForm);
  for (size_t i = 0; i < annots->Count(); ++i) {
    auto* annot = PdfCast<TPDFDictionary>(ResolveObject(annots->Item(i)));
    if (!annot) continue;
    int32_t flags = 0;
    if (auto* f = PdfCast<TPDFNumeric>(ResolveObject(annot->GetValue("F"))))
      flags = std::isfinite(f->Value) ? f->AsInteger() : 0;
    if ((flags & 2) || (flags & 0x20)) continue;
    // Text is read as a viewer that makes the form's appearances shows it:
    // such a widget's caption or value comes from the field.
    if ((TextDevice || OutputKind == kOutputTextCollection) && IsRemadeWidget(annot, AcroForm)) continue;
    CTM = BaseCTM;
    if (!DrawMadeAppearance(canvas, annot)) DrawAnnotation(canvas, annot, pageResources);
  }
}

void TPDFRenderer::DrawAnnotation(TPDFPicasso& canvas, TPDFDictionary* annot, TPDFDictionary* pageResources) {
  double rect[4];
  if (!ReadNumbers(PdfCast<TPDFArray>(ResolveObject(annot->GetValue("Rect"))), rect, 4)) return;
  double x0 = std::min(rect[0], rect[2]), x1 = std::max(rect[0], rect[2]);
  double y0 = std::min(rect[1], rect[3]), y1 = std::max(rect[1], rect[3]);

  auto* ap = PdfCast<TPDFDictionary>(ResolveObject(annot->GetValue("AP")));
  if (!ap) return;
  TPDFObject* normal = ap->GetValue("N");
  const TPDFIndRef* ref = PdfCast<TPDFIndRef>(normal);
  TPDFObject* value = ResolveObject(normal);
  if (auto* states = PdfCast<TPDFDictionary>(value)) {
    TPDFObject* as = annot->GetValue("AS");
    if (auto* name = PdfCast<TPDFName>(ResolveObject(as))) {
      TPDFObject* entry = states->GetValue(name->Value);
      ref = PdfCast<TPDFIndRef>(entry);
      value = ResolveObject(entry);
    } else if (PdfCast<TPDFIndRef>(as)) {
      ref = PdfCast<TPDFIndRef>(as);
      value = ResolveObject(as);
    } else {
      return;
    }
  }
  auto* appearance = PdfCast<TPDFStream>(value);
  if (!appearance || !ref) return;
  double bbox[4];
  if (!ReadNumbers(PdfCast<TPDFArray>(ResolveObject(appearance->StreamDict->GetValue("BBox"))), bbox, 4)) return;
  double bx0 = std::min(bbox[0], bbox[2]), bx1 = std::max(bbox[0], bbox[2]);
  double by0 = std::min(bbox[1], bbox[3]), by1 = std::max(bbox[1], bbox[3]);

  int32_t savedClip = canvas.SaveClip();
  double px, py;
  canvas.NewPath();
  TransformByMatrix(CTM, x0, y0, px, py);
  canvas.MoveTo(px, py);
  for (auto [x, y] : {std::pair{x0, y1}, std::pair{x1, y1}, std::pair{x1, y0}}) {
    TransformByMatrix(CTM, x, y, px, py);
    canvas.LineTo(px, py);
  }
  canvas.ClosePath();
  canvas.SetClip(2);
  canvas.EndPath();

  double sx = bx1 != bx0 ? (x1 - x0) / (bx1 - bx0) : 1;
  double sy = by1 != by0 ? (y1 - y0) / (by1 - by0) : 1;
  TPDFMatrix saved = CTM;
  TPDFMatrix placed =
      MultiplyMatrix(TPDFMatrix{sx, 0, 0, sy, 0, 0},
                     MultiplyMatrix(TPDFMatrix{1, 0, 0, 1, x0 - bx0 * sx, y0 - by0 * sy}, CTM));
  if (MatrixIsFinite(placed)) {
    CTM = placed;
    InheritedResources = pageResources;
    if (TextDevice) TextDevice->BeginForm();
    RunContent(canvas, appearance, nullptr, ref);
    if (TextDevice) TextDevice->EndForm();
  }
  CTM = saved;
  canvas.RestoreClip(savedClip);
}

}  // namespace ostrel
