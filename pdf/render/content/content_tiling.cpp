// Tiling patterns: one cell of the pattern is drawn into an image of its
// own, at the resolution the cell has on the page, and Cairo repeats the
// image across whatever the pattern fills. The image never has more pixels
// than the area that can be painted, so a huge cell on a small fill, or a
// fine pattern on a huge page, costs no more than the pixels painted; a
// cell smaller than a pixel becomes one pixel of its average colour.
#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "pdf/core/pdf_objects.h"
#include "pdf/render/canvas/picasso.h"
#include "pdf/render/content/content_interpreter.h"
#include "pdf/render/content/pdf_renderer.h"
#include "pdf/render/content/render_lookup.h"
#include "pdf/render/shading/shading_source.h"

namespace ostrel {

namespace {

constexpr double kMaxTilePixels = 4096.0 * 4096.0;
// Copies of a cell whose box is wider than its step, per direction.
constexpr int kMaxOverlap = 8;

}  // namespace

TCairoPattern TContentRun::TilingSource(TPDFStream* pattern, const TPDFIndRef* ref, int32_t color) {
  TPDFDictionary* dict = pattern->StreamDict;
  double box[4], m[6] = {1, 0, 0, 1, 0, 0};
  if (!ref || !ReadNumbers(PdfCast<TPDFArray>(ResolveObject(dict->GetValue("BBox"))), box, 4)) return {};
  ReadNumbers(PdfCast<TPDFArray>(ResolveObject(dict->GetValue("Matrix"))), m, 6);
  const double xStep = std::fabs(dict->GetNumber("XStep", 0)), yStep = std::fabs(dict->GetNumber("YStep", 0));
  if (!(xStep > 0 && yStep > 0 && std::isfinite(xStep) && std::isfinite(yStep))) return {};
  if (box[0] > box[2]) std::swap(box[0], box[2]);
  if (box[1] > box[3]) std::swap(box[1], box[3]);
  if (r_.nesting_ >= TPDFRenderer::kMaxNesting || r_.drawing_.count(pattern)) return {};

  // Pattern space to device, and the cell's size there.
  const TPDFMatrix toDevice = MultiplyMatrix({m[0], m[1], m[2], m[3], m[4], m[5]}, baseCTM_);
  TPDFMatrix fromDevice;
  if (!InvertMatrix(toDevice, fromDevice)) return {};
  double w = std::hypot(toDevice[0], toDevice[1]) * xStep, h = std::hypot(toDevice[2], toDevice[3]) * yStep;
  TDeviceArea area = PaintArea();
  double limit = std::min(kMaxTilePixels, std::max(64.0 * 64.0, (area.X1 - area.X0) * (area.Y1 - area.Y0)));
  if (w * h > limit) {
    double scale = std::sqrt(limit / (w * h));
    w *= scale, h *= scale;
  }
  const int tw = std::max(1, static_cast<int>(std::ceil(w))), th = std::max(1, static_cast<int>(std::ceil(h)));

  // The cell's space to image pixels: the image holds one step of the
  // lattice, from the corner of the box.
  const TPDFMatrix toImage{tw / xStep, 0, 0, th / yStep, -box[0] * tw / xStep, -box[1] * th / yStep};
  TPDFPicasso tile;
  if (!tile.CreateSurface(tw, th, r_.CanvasSettings)) return {};
  const bool uncoloured = dict->GetInteger("PaintType", 1) == 2;
  const int kx = std::min(kMaxOverlap, static_cast<int>(std::ceil((box[2] - box[0]) / xStep)));
  const int ky = std::min(kMaxOverlap, static_cast<int>(std::ceil((box[3] - box[1]) / yStep)));

  const TPDFMatrix savedCTM = r_.CTM;
  const std::string savedError = r_.LastError;
  r_.drawing_.insert(pattern);
  ++r_.nesting_;
  // A box wider than the step overlaps the next cells: its copies one,
  // two, ... steps back reach into this one.
  for (int i = 1 - std::max(kx, 1); i <= 0; ++i) {
    for (int j = 1 - std::max(ky, 1); j <= 0; ++j) {
      r_.CTM = MultiplyMatrix({1, 0, 0, 1, i * xStep, j * yStep}, toImage);
      int32_t clip = tile.SaveClip();
      tile.NewPath();
      double px, py;
      TransformByMatrix(r_.CTM, box[0], box[1], px, py);
      tile.MoveTo(px, py);
      for (auto [x, y] : {std::pair{box[2], box[1]}, std::pair{box[2], box[3]}, std::pair{box[0], box[3]}}) {
        TransformByMatrix(r_.CTM, x, y, px, py);
        tile.LineTo(px, py);
      }
      tile.ClosePath();
      tile.SetClip(1);
      tile.EndPath();
      r_.UseInitialState = true;
      r_.InitialState = TPDFGraphicsState{};
      if (uncoloured) {
        // An uncoloured cell paints in the colour given with the pattern.
        r_.InitialState.FillColor = r_.InitialState.StrokeColor = color;
        r_.InitialIgnoreColor = true;
      }
      r_.InheritedResources = resources_;
      r_.RunContent(tile, pattern, nullptr, ref);
      tile.RestoreClip(clip);
    }
  }
  --r_.nesting_;
  r_.drawing_.erase(pattern);
  r_.CTM = savedCTM;
  r_.LastError = savedError;
  r_.InitialIgnoreColor = false;

  tile.Flush();
  TCairoPattern source(cairo_pattern_create_for_surface(tile.Surface()));
  cairo_pattern_set_extend(source.Get(), CAIRO_EXTEND_REPEAT);
  cairo_pattern_set_filter(source.Get(), CAIRO_FILTER_GOOD);
  SetPatternMatrix(source.Get(), MultiplyMatrix(fromDevice, toImage));
  return source;
}

}  // namespace ostrel
