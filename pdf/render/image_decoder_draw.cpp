// Placing a decoded image on the canvas. Opaque pictures go to the canvas as
// they are; a mask or stencil is combined with the colours into a 32-bit
// picture with straight alpha. A picture much larger than the area it covers
// on the page is first brought down to about that area, which keeps the
// canvas's pixel buffer small: nearest-neighbour sampling picks the same
// pixels the canvas would, and smooth drawing averages them.
#include <algorithm>
#include <cmath>

#include "pdf/render/generic_canvas.h"
#include "pdf/render/image_decoder.h"

namespace ostrel {
namespace {

// Cairo refuses image surfaces wider or taller than this.
constexpr int kMaxSurfaceSide = 32767;

// Size along one axis of the picture handed to the canvas: the picture's
// own when it is no more than twice the device extent, else the extent.
int TargetSide(int side, double extent) {
  if (!std::isfinite(extent)) return std::min(side, kMaxSurfaceSide);
  const double wanted = std::max(1.0, std::ceil(extent));
  if (side <= kMaxSurfaceSide && side <= 2 * wanted) return side;
  return static_cast<int>(std::min<double>({wanted, static_cast<double>(side), kMaxSurfaceSide}));
}

struct TSource {
  const Bitmap* Picture = nullptr;  // null for a stencil
  const uint8_t* Alpha = nullptr;   // null when opaque
  int Width = 0, Height = 0;
  uint32_t StencilRGB = 0;  // 0x00RRGGBB

  // 0xAARRGGBB of a source pixel.
  uint32_t At(int x, int y) const {
    const uint32_t a = Alpha ? Alpha[static_cast<size_t>(y) * Width + x] : 255;
    const uint32_t rgb = Picture ? Picture->PixelRGB(x, y) : StencilRGB;
    return (a << 24) | rgb;
  }
};

void Store(uint8_t* p, uint32_t argb, bool alpha) {
  p[0] = static_cast<uint8_t>(argb), p[1] = static_cast<uint8_t>(argb >> 8), p[2] = static_cast<uint8_t>(argb >> 16);
  if (alpha) p[3] = static_cast<uint8_t>(argb >> 24);
}

// The source brought to tw x th: nearest neighbour, or the mean of the
// covered pixels (weighted by their opacity) when smooth.
bool Compose(const TSource& src, int tw, int th, bool smooth, Bitmap& out) {
  const bool alpha = src.Alpha != nullptr;
  if (!out.SetSize(tw, th, alpha ? TPixelFormat::pf32bit : TPixelFormat::pf24bit)) return false;
  const int bpp = alpha ? 4 : 3;
  for (int j = 0; j < th; ++j) {
    uint8_t* row = out.Row(j);
    const int y0 = static_cast<int>(static_cast<int64_t>(j) * src.Height / th);
    const int y1 = std::max(y0 + 1, static_cast<int>(static_cast<int64_t>(j + 1) * src.Height / th));
    for (int i = 0; i < tw; ++i) {
      const int x0 = static_cast<int>(static_cast<int64_t>(i) * src.Width / tw);
      const int x1 = std::max(x0 + 1, static_cast<int>(static_cast<int64_t>(i + 1) * src.Width / tw));
      if (!smooth || (x1 - x0 == 1 && y1 - y0 == 1)) {
        const int sx = static_cast<int>((static_cast<int64_t>(2 * i + 1) * src.Width) / (2 * static_cast<int64_t>(tw)));
        const int sy = static_cast<int>((static_cast<int64_t>(2 * j + 1) * src.Height) / (2 * static_cast<int64_t>(th)));
        Store(row + static_cast<size_t>(i) * bpp, src.At(sx, sy), alpha);
        continue;
      }
      uint64_t r = 0, g = 0, b = 0, a = 0, count = 0;
      for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
          const uint32_t p = src.At(x, y);
          const uint32_t pa = p >> 24;
          r += ((p >> 16) & 0xFF) * pa, g += ((p >> 8) & 0xFF) * pa, b += (p & 0xFF) * pa;
          a += pa, ++count;
        }
      }
      uint32_t value = static_cast<uint32_t>((a + count / 2) / count) << 24;
      if (a) value |= static_cast<uint32_t>((r + a / 2) / a) << 16 | static_cast<uint32_t>((g + a / 2) / a) << 8 |
                      static_cast<uint32_t>((b + a / 2) / a);
      Store(row + static_cast<size_t>(i) * bpp, value, alpha);
    }
  }
  return true;
}

}  // namespace

void TPDFImageDecoder::DrawImage(TPDFGenericCanvas& canvas, const TPDFMatrix& ctm, int32_t stencilColor,
                                 bool smooth) const {
  if (!Decoded || !MatrixIsFinite(ctm)) return;
  double x1, y1, x2, y2, x3, y3;
  TransformByMatrix(ctm, 0, 1, x1, y1);
  TransformByMatrix(ctm, 1, 1, x2, y2);
  TransformByMatrix(ctm, 0, 0, x3, y3);

  TSource src;
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

  const int tw = TargetSide(src.Width, std::hypot(x2 - x1, y2 - y1));
  const int th = TargetSide(src.Height, std::hypot(x3 - x1, y3 - y1));
  if (src.Picture && !src.Alpha && tw == src.Width && th == src.Height) {
    canvas.DrawGraphic(Picture, x1, y1, x2, y2, x3, y3);
    return;
  }
  Bitmap composed;
  if (Compose(src, tw, th, smooth, composed)) canvas.DrawGraphic(composed, x1, y1, x2, y2, x3, y3);
}

}  // namespace ostrel
