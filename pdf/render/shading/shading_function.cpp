// Function-based shadings: the function is sampled on a grid of device
// pixels covering the part of its domain that will be painted, and the image
// is drawn with Cairo's smoothing. A large area is sampled more coarsely, so
// the work never exceeds kMaxSide squared evaluations.
#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "pdf/render/shading/shading_source.h"

namespace ostrel {

namespace {
constexpr int kMaxSide = 1024;
}

TCairoPattern MakeFunctionPattern(const TShadingSource& source, const TPDFMatrix& toDevice,
                                  const TDeviceArea& area) {
  double domain[4] = {0, 1, 0, 1};
  ReadShadingNumbers(source.Dict, "Domain", domain, 4);
  double m[6] = {1, 0, 0, 1, 0, 0};
  ReadShadingNumbers(source.Dict, "Matrix", m, 6);
  TPDFMatrix toPixels = MultiplyMatrix({m[0], m[1], m[2], m[3], m[4], m[5]}, toDevice), fromPixels;
  if (!InvertMatrix(toPixels, fromPixels)) return {};

  // Device box of the domain, cut to the painted area.
  double x0 = area.X1, y0 = area.Y1, x1 = area.X0, y1 = area.Y0;
  for (double u : {domain[0], domain[1]}) {
    for (double v : {domain[2], domain[3]}) {
      double px, py;
      TransformByMatrix(toPixels, u, v, px, py);
      x0 = std::min(x0, px), x1 = std::max(x1, px), y0 = std::min(y0, py), y1 = std::max(y1, py);
    }
  }
  x0 = std::floor(std::max(x0, area.X0)), y0 = std::floor(std::max(y0, area.Y0));
  x1 = std::ceil(std::min(x1, area.X1)), y1 = std::ceil(std::min(y1, area.Y1));
  if (!(x1 > x0 && y1 > y0)) return {};
  double step = std::max({1.0, (x1 - x0) / kMaxSide, (y1 - y0) / kMaxSide});
  int w = std::max(1, static_cast<int>(std::ceil((x1 - x0) / step)));
  int h = std::max(1, static_cast<int>(std::ceil((y1 - y0) / step)));

  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(image);
    return {};
  }
  cairo_surface_flush(image);
  unsigned char* data = cairo_image_surface_get_data(image);
  int stride = cairo_image_surface_get_stride(image);
  double lo[2] = {std::min(domain[0], domain[1]), std::min(domain[2], domain[3])};
  double hi[2] = {std::max(domain[0], domain[1]), std::max(domain[2], domain[3])};
  for (int j = 0; j < h; ++j) {
    auto* row = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(j) * stride);
    for (int i = 0; i < w; ++i) {
      double uv[2];
      TransformByMatrix(fromPixels, x0 + (i + 0.5) * step, y0 + (j + 0.5) * step, uv[0], uv[1]);
      // Outside its domain the shading paints nothing.
      if (uv[0] < lo[0] || uv[0] > hi[0] || uv[1] < lo[1] || uv[1] > hi[1]) {
        row[i] = 0;
        continue;
      }
      TRGBA c = source.Color(uv);
      auto byte = [](double v) { return static_cast<uint32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
      row[i] = 0xFF000000u | byte(c[0]) << 16 | byte(c[1]) << 8 | byte(c[2]);
    }
  }
  cairo_surface_mark_dirty(image);
  TCairoPattern pattern(cairo_pattern_create_for_surface(image));
  cairo_surface_destroy(image);
  SetPatternMatrix(pattern.Get(), {1 / step, 0, 0, 1 / step, -x0 / step, -y0 / step});
  cairo_pattern_set_filter(pattern.Get(), step > 1 ? CAIRO_FILTER_BILINEAR : CAIRO_FILTER_NEAREST);
  return pattern;
}

}  // namespace ostrel
