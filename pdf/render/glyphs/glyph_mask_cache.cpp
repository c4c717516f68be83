#include "pdf/render/glyphs/glyph_mask_cache.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include <cairo.h>

#include "pdf/render/glyphs/glyph_rasterizer.h"

namespace ostrel {
namespace {

// Records an outline as Cairo path operations (quadratic segments raised
// to cubics) and the box of every point, which holds the whole glyph.
class TMaskOutline final : public TGlyphPathSink {
 public:
  void MoveTo(double x, double y) override { Add(kMove, {x, y}); }
  void LineTo(double x, double y) override { Add(kLine, {x, y}); }
  void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) override {
    Add(kCurve, {x1, y1, x2, y2, x3, y3});
  }
  void QuadCurveTo(double cx, double cy, double x, double y) override {
    Add(kCurve, {curX_ + 2.0 / 3.0 * (cx - curX_), curY_ + 2.0 / 3.0 * (cy - curY_), x + 2.0 / 3.0 * (cx - x),
                 y + 2.0 / 3.0 * (cy - y), x, y});
  }
  void ClosePath() override {
    ops_.push_back(kClose);
    curX_ = startX_;
    curY_ = startY_;
  }

  bool Empty() const { return points_.empty(); }
  bool Finite() const { return finite_; }
  double MinX = 1e300, MinY = 1e300, MaxX = -1e300, MaxY = -1e300;

  void Draw(cairo_t* cr, double dx, double dy) const {
    size_t p = 0;
    for (char op : ops_) {
      const double* q = points_.data() + p;
      switch (op) {
        case kMove: cairo_move_to(cr, q[0] + dx, q[1] + dy); p += 2; break;
        case kLine: cairo_line_to(cr, q[0] + dx, q[1] + dy); p += 2; break;
        case kCurve: cairo_curve_to(cr, q[0] + dx, q[1] + dy, q[2] + dx, q[3] + dy, q[4] + dx, q[5] + dy); p += 6; break;
        default: cairo_close_path(cr); break;
      }
    }
  }

 private:
  enum : char { kMove, kLine, kCurve, kClose };
  void Add(char op, std::initializer_list<double> values) {
    ops_.push_back(op);
    for (auto it = values.begin(); it != values.end(); it += 2) {
      double x = it[0], y = it[1];
      finite_ = finite_ && std::isfinite(x) && std::isfinite(y);
      points_.push_back(x);
      points_.push_back(y);
      MinX = std::min(MinX, x), MaxX = std::max(MaxX, x);
      MinY = std::min(MinY, y), MaxY = std::max(MaxY, y);
      curX_ = x, curY_ = y;
    }
    if (op == kMove) startX_ = curX_, startY_ = curY_;
  }
  std::vector<char> ops_;
  std::vector<double> points_;
  double curX_ = 0, curY_ = 0, startX_ = 0, startY_ = 0;
  bool finite_ = true;
};

}  // namespace

TGlyphMaskCache::~TGlyphMaskCache() { Clear(); }

void TGlyphMaskCache::Clear() {
  for (auto& [key, mask] : masks_)
    if (mask.Surface) cairo_surface_destroy(mask.Surface);
  masks_.clear();
  bytes_ = 0;
}

const TGlyphMaskCache::TMask* TGlyphMaskCache::Find(TPDFGlyphRasterizer& raster, std::string_view glyph,
                                                   const TGlyphMatrix& m, int phaseX, int phaseY, bool antiAlias) {
  // Font, matrix and phase as raw bytes, then the glyph key.
  const TPDFGlyphRasterizer* font = &raster;
  char head[sizeof font + 4 * sizeof(double) + 3];
  std::memcpy(head, &font, sizeof font);
  std::memcpy(head + sizeof font, m.data(), 4 * sizeof(double));
  head[sizeof head - 3] = static_cast<char>(phaseX);
  head[sizeof head - 2] = static_cast<char>(phaseY);
  head[sizeof head - 1] = antiAlias ? 1 : 0;
  key_.assign(head, sizeof head);
  key_.append(glyph);
  auto found = masks_.find(key_);
  if (found != masks_.end()) return &found->second;

  // The outline with its origin at the phase inside pixel (0, 0).
  TMaskOutline outline;
  raster.DrawGlyph(outline, {m[0], m[1], m[2], m[3], double(phaseX) / kPhases, double(phaseY) / kPhases}, 0, 0,
                   glyph);
  if (!outline.Finite()) return nullptr;
  TMask mask;
  if (!outline.Empty()) {
    // One pixel of margin on each side for the antialiased edge.
    const double left = std::floor(outline.MinX) - 1, top = std::floor(outline.MinY) - 1;
    const double width = std::ceil(outline.MaxX) + 1 - left, height = std::ceil(outline.MaxY) + 1 - top;
    if (!(width <= kMaxSide && height <= kMaxSide)) return nullptr;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, int(width), int(height));
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(surface);
      return nullptr;
    }
    cairo_t* cr = cairo_create(surface);
    cairo_set_antialias(cr, antiAlias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    outline.Draw(cr, -left, -top);
    cairo_fill(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    mask = {surface, int(left), int(top)};
    const size_t size = size_t(cairo_image_surface_get_stride(surface)) * size_t(height);
    // Over budget: the old masks go, the new one starts the next budget.
    if (bytes_ + size > kMaxBytes) Clear();
    bytes_ += size;
  }
  return &masks_.emplace(key_, mask).first->second;
}

}  // namespace ostrel
