// Pattern colour spaces and shadings: scn with a pattern name, fills,
// strokes and text painted with a shading or tiling pattern, and the sh
// operator.
#include <algorithm>
#include <cmath>

#include "pdf/core/pdf_objects.h"
#include "pdf/render/canvas/picasso.h"
#include "pdf/render/colour/colour_render_colors.h"
#include "pdf/render/content/content_interpreter.h"
#include "pdf/render/content/pdf_renderer.h"
#include "pdf/render/content/render_lookup.h"

namespace ostrel {

namespace {

// Pattern sources kept per content run; a run that keeps switching between
// more patterns than this makes them again.
constexpr size_t kMaxMadeSources = 64;

TPDFSimpleColorManager& ManagerOf(TPDFRenderer& r) {
  if (auto* layer = dynamic_cast<TPDFColorLayerColors*>(&r.Colors())) return layer->Manager();
  static thread_local TPDFSimpleColorManager fallback;
  return fallback;
}

}  // namespace

void TContentRun::SetPatternColor(bool fill, const std::string& key) {
  std::string_view name = PopToken();
  TPDFObject*& pattern = fill ? gs_.FillPattern : gs_.StrokePattern;
  pattern = name.starts_with("/") ? ResourceEntryRaw(resources_, "Pattern", NameKey(name)) : nullptr;
  // The components before the name are the colour of an uncoloured pattern,
  // in the base space of the pattern space.
  std::string base = key.substr(std::string_view("Pattern").size());
  if (base.empty()) return;
  std::string saved = key;
  TPDFObject* chosen = pattern;
  SetColor(fill, base);
  (fill ? gs_.FillSpace : gs_.StrokeSpace) = saved;
  pattern = chosen;
}

TDeviceArea TContentRun::PaintArea() const {
  double box[4];
  if (!canvas_.ClipExtents(box)) return {};
  return {box[0], box[1], box[2], box[3]};
}

bool TContentRun::PrepareSource(bool fill) {
  const std::string& key = fill ? gs_.FillSpace : gs_.StrokeSpace;
  TCairoPattern source;
  if (IsPatternKey(key)) {
    source = PatternSource(fill ? gs_.FillPattern : gs_.StrokePattern, fill ? gs_.FillColor : gs_.StrokeColor);
    if (!source) return false;
  }
  fill ? canvas_.SetFillSource(source.Get()) : canvas_.SetStrokeSource(source.Get());
  return true;
}

TCairoPattern TContentRun::PatternSource(TPDFObject* raw, int32_t color) {
  if (!raw) return {};
  for (const TMadeSource& made : madeSources_)
    if (made.Pattern == raw && made.Color == color) return made.Source;
  TPDFObject* object = ResolveObject(raw);
  auto* stream = PdfCast<TPDFStream>(object);
  auto* dict = stream ? stream->StreamDict : PdfCast<TPDFDictionary>(object);
  if (!dict) return {};
  TCairoPattern source;
  const int type = dict->GetInteger("PatternType", 0);
  if (type == 1 && stream) {
    source = TilingSource(stream, PdfCast<TPDFIndRef>(raw), color);
  } else if (type == 2) {
    // A pattern's space is the default space of the page or form that
    // uses it, not the space current when it paints.
    double m[6] = {1, 0, 0, 1, 0, 0};
    ReadNumbers(PdfCast<TPDFArray>(ResolveObject(dict->GetValue("Matrix"))), m, 6);
    TPDFMatrix toDevice = MultiplyMatrix({m[0], m[1], m[2], m[3], m[4], m[5]}, baseCTM_);
    TShadingPaint paint;
    if (MakeShadingPaint(dict->GetValue("Shading"), ManagerOf(r_), toDevice, PaintArea(), true, paint))
      source = paint.Pattern;
    if (source && paint.HasBBox) {
      // The box, in the shading's space, limits what the pattern paints,
      // its background included.
      const double* b = paint.BBox;
      std::vector<std::pair<double, double>> corners;
      for (auto [x, y] : {std::pair{b[0], b[1]}, {b[2], b[1]}, {b[2], b[3]}, {b[0], b[3]}}) {
        double px, py;
        TransformByMatrix(toDevice, x, y, px, py);
        corners.emplace_back(px, py);
      }
      source = TCairoPattern(canvas_.ClippedSource(source.Get(), corners));
    }
  }
  if (madeSources_.size() >= kMaxMadeSources) madeSources_.erase(madeSources_.begin());
  madeSources_.push_back({raw, color, source});
  return source;
}

void TContentRun::PaintShading(std::string_view name) {
  if (!visible_) return;
  TPDFObject* shading = ResourceEntry(resources_, "Shading", NameKey(name));
  if (!shading) return;
  TShadingPaint paint;
  if (!MakeShadingPaint(shading, ManagerOf(r_), r_.CTM, PaintArea(), false, paint)) return;
  ApplyTransparency();
  int32_t savedClip = canvas_.SaveClip();
  if (paint.HasBBox) {
    // The box is in the shading's space, which is user space here.
    const double* b = paint.BBox;
    canvas_.NewPath();
    double px, py;
    PathPoint(b[0], b[1], px, py);
    canvas_.MoveTo(px, py);
    for (auto [x, y] : {std::pair{b[2], b[1]}, std::pair{b[2], b[3]}, std::pair{b[0], b[3]}}) {
      PathPoint(x, y, px, py);
      canvas_.LineTo(px, py);
    }
    canvas_.ClosePath();
    canvas_.SetClip(1);
    canvas_.EndPath();
  }
  canvas_.PaintSource(paint.Pattern.Get(), gs_.FillAlpha);
  canvas_.RestoreClip(savedClip);
}

}  // namespace ostrel
