// Placing a decoded image on the canvas. A picture drawn at its own size or
// larger goes to the canvas as it is (the canvas repeats its pixels); one
// drawn smaller is first brought down to the area it covers by averaging,
// and one with /Interpolate drawn larger is interpolated to that area. A mask
// or stencil is combined with the colours into a 32-bit picture with
// straight alpha. Large pictures go in bands, so no full-size copy is made.
#include <algorithm>
#include <cmath>
#include <vector>

#include "pdf/render/canvas/generic_canvas.h"
#include "pdf/render/images/image_decoder.h"
#include "pdf/render/images/image_resampler.h"

namespace ostrel {
namespace {

// Cairo refuses image surfaces wider or taller than this.
constexpr int kMaxSurfaceSide = 32767;
// Pictures up to this size go to the canvas in one piece; larger ones in
// bands of about kBandPixels.
constexpr int64_t kMaxWholePixels = int64_t{1} << 22;
constexpr int64_t kBandPixels = int64_t{1} << 20;
// Interpolating an enlarged picture beyond this many target pixels costs
// more than it shows; such pictures keep their pixels.
constexpr int64_t kMaxInterpolatedPixels = int64_t{1} << 24;

struct TAxis {
  int Target;
  TResampleFilter Filter;
};

// How one axis of side pixels is brought to a device extent.
TAxis PlanAxis(int side, double extent, bool interpolate) {
  if (!std::isfinite(extent)) return {std::min(side, kMaxSurfaceSide), TResampleFilter::Nearest};
  const double wanted = std::max(1.0, std::ceil(extent - 1e-6));
  if (side > wanted) return {static_cast<int>(std::min<double>(wanted, kMaxSurfaceSide)), TResampleFilter::Box};
  if (interpolate && side < wanted && wanted <= kMaxSurfaceSide)
    return {static_cast<int>(wanted), TResampleFilter::Linear};
  return {std::min(side, kMaxSurfaceSide), TResampleFilter::Nearest};
}

// Widens the span from a to b (in either direction) to the whole device
// pixels it touches; a touch of less than kTouch is taken for rounding noise.
void SnapSpan(double& a, double& b) {
  constexpr double kTouch = 1e-4;
  if (a <= b) {
    a = std::floor(a + kTouch), b = std::ceil(b - kTouch);
  } else {
    a = std::ceil(a - kTouch), b = std::floor(b + kTouch);
  }
}

// An image drawn upright (or turned by a quarter) covers every device pixel
// it touches, as the peers draw it: an edge that falls short of a pixel's
// centre keeps its row, and the reduced picture falls one to one on device
// pixels instead of being stretched by a fraction over them. (x1, y1) is the
// image's top left corner, (x2, y2) its top right, (x3, y3) its bottom left.
void SnapToPixels(double& x1, double& y1, double& x2, double& y2, double& x3, double& y3) {
  constexpr double kAligned = 1e-3;
  if (std::fabs(y2 - y1) < kAligned && std::fabs(x3 - x1) < kAligned) {
    SnapSpan(x1, x2), SnapSpan(y1, y3);
    x3 = x1, y2 = y1;
  } else if (std::fabs(x2 - x1) < kAligned && std::fabs(y3 - y1) < kAligned) {
    SnapSpan(y1, y2), SnapSpan(x1, x3);
    x2 = x1, y3 = y1;
  }
}

}  // namespace

void TPDFImageDecoder::DrawImage(TPDFGenericCanvas& canvas, const TPDFMatrix& ctm, int32_t stencilColor,
                                 bool smooth) const {
  if (!Decoded || !MatrixIsFinite(ctm)) return;
  double x1, y1, x2, y2, x3, y3;
  TransformByMatrix(ctm, 0, 1, x1, y1);
  TransformByMatrix(ctm, 1, 1, x2, y2);
  TransformByMatrix(ctm, 0, 0, x3, y3);
  SnapToPixels(x1, y1, x2, y2, x3, y3);

  TResampleSource src;
  if (MaskKind == TPDFMaskKind::Stencil) {
    const uint32_t c = static_cast<uint32_t>(stencilColor);
    src.StencilRGB = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
    src.Width = AlphaWidth, src.Height = AlphaHeight;
  } else {
    if (Picture.Empty()) return;
    src.Picture = &Picture;
    src.Width = Picture.Width(), src.Height = Picture.Height();
  }
  const bool alphaFits = AlphaWidth == src.Width && AlphaHeight == src.Height &&
                         Alpha.size() >= static_cast<size_t>(src.Width) * static_cast<size_t>(src.Height);
  if (alphaFits && !Alpha.empty()) src.Alpha = Alpha.data();
  if (src.Width < 1 || src.Height < 1 || (!src.Picture && !src.Alpha)) return;

  const bool interpolate = smooth || Interpolate;
  TAxis ax = PlanAxis(src.Width, std::hypot(x2 - x1, y2 - y1), interpolate);
  TAxis ay = PlanAxis(src.Height, std::hypot(x3 - x1, y3 - y1), interpolate);
  if (int64_t{ax.Target} * ay.Target > kMaxInterpolatedPixels) {
    if (ax.Filter == TResampleFilter::Linear) ax = {src.Width, TResampleFilter::Nearest};
    if (ay.Filter == TResampleFilter::Linear) ay = {src.Height, TResampleFilter::Nearest};
  }
  const int tw = ax.Target, th = ay.Target;
  const int64_t pixels = int64_t{tw} * th;
  if (src.Picture && !src.Alpha && tw == src.Width && th == src.Height && pixels <= kMaxWholePixels) {
    canvas.DrawGraphic(Picture, x1, y1, x2, y2, x3, y3);
    return;
  }
  TImageResampler resampler;
  if (!resampler.Start(src, tw, th, ax.Filter, ay.Filter)) return;
  // Each band is placed on its strip of the parallelogram. An opaque band
  // also repeats the first rows of the next one: painted twice with the same
  // pixels, the seam can show neither a gap nor a faded edge.
  const int bandRows = pixels <= kMaxWholePixels ? th : std::max(1, static_cast<int>(kBandPixels / tw));
  const int overlap = src.Alpha ? 0 : 2;
  for (int j0 = 0; j0 < th; j0 += bandRows) {
    const int j1 = std::min(th, j0 + bandRows + overlap);
    Bitmap band;
    if (!resampler.Rows(j0, j1, band)) return;
    const double v0 = static_cast<double>(j0) / th, v1 = static_cast<double>(j1) / th;
    canvas.DrawGraphic(band, x1 + v0 * (x3 - x1), y1 + v0 * (y3 - y1), x2 + v0 * (x3 - x1),
                       y2 + v0 * (y3 - y1), x1 + v1 * (x3 - x1), y1 + v1 * (y3 - y1));
  }
}

}  // namespace ostrel
