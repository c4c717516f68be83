// Placing a decoded image on the canvas. Opaque pictures go to the canvas as
// they are; a mask or stencil is combined with the colours into a 32-bit
// picture with straight alpha. A picture much larger than the area it covers
// on the page is first brought down to about that area, which keeps the
// canvas's pixel buffer small: nearest-neighbour sampling picks the same
// pixels the canvas would, and smooth drawing averages them.
#include <algorithm>
#include <cmath>
#include <vector>

#include "pdf/render/canvas/generic_canvas.h"
#include "pdf/render/images/image_decoder.h"

namespace ostrel {
namespace {

// Cairo refuses image surfaces wider or taller than this.
constexpr int kMaxSurfaceSide = 32767;
// Pictures up to this size go to the canvas in one piece; larger ones in
// bands of about kBandPixels.
constexpr int64_t kMaxWholePixels = int64_t{1} << 22;
constexpr int64_t kBandPixels = int64_t{1} << 20;

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

// Source pixels (0xAARRGGBB) of row y at the given columns. One switch per
// row rather than per pixel: the nearest-neighbour path of a large picture
// spends its time here.
void SampleRow(const TSource& src, int y, const std::vector<int>& columns, uint32_t* out) {
  const size_t n = columns.size();
  if (!src.Picture) {
    for (size_t i = 0; i < n; ++i) out[i] = (uint32_t{255} << 24) | src.StencilRGB;
  } else {
    const Bitmap& pic = *src.Picture;
    const uint8_t* row = pic.Row(y);
    uint32_t palette[256] = {};
    std::copy_n(pic.Palette().begin(), std::min<size_t>(pic.Palette().size(), 256), palette);
    const uint32_t opaque = uint32_t{255} << 24;
    switch (pic.PixelFormat()) {
      case TPixelFormat::pf1bit:
        for (size_t i = 0; i < n; ++i) out[i] = opaque | palette[(row[columns[i] >> 3] >> (7 - (columns[i] & 7))) & 1];
        break;
      case TPixelFormat::pf4bit:
        for (size_t i = 0; i < n; ++i) out[i] = opaque | palette[(row[columns[i] >> 1] >> ((columns[i] & 1) ? 0 : 4)) & 15];
        break;
      case TPixelFormat::pf8bit:
        for (size_t i = 0; i < n; ++i) out[i] = opaque | palette[row[columns[i]]];
        break;
      case TPixelFormat::pf24bit:
      case TPixelFormat::pf32bit: {
        const size_t bpp = pic.PixelFormat() == TPixelFormat::pf24bit ? 3 : 4;
        for (size_t i = 0; i < n; ++i) {
          const uint8_t* p = row + bpp * static_cast<size_t>(columns[i]);
          out[i] = opaque | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
        }
        break;
      }
    }
  }
  if (src.Alpha) {
    const uint8_t* alpha = src.Alpha + static_cast<size_t>(y) * src.Width;
    for (size_t i = 0; i < n; ++i) out[i] = (out[i] & 0xFFFFFF) | (uint32_t{alpha[columns[i]]} << 24);
  }
}

void Store(uint8_t* p, uint32_t argb, bool alpha) {
  p[0] = static_cast<uint8_t>(argb), p[1] = static_cast<uint8_t>(argb >> 8), p[2] = static_cast<uint8_t>(argb >> 16);
  if (alpha) p[3] = static_cast<uint8_t>(argb >> 24);
}

// Rows j0..j1 - 1 of the source brought to tw x th: nearest neighbour
// (sampled at the centre of each target pixel), or the mean of the covered
// pixels (weighted by their opacity) when smooth.
bool Compose(const TSource& src, int tw, int th, int j0, int j1, bool smooth, Bitmap& out) {
  const bool alpha = src.Alpha != nullptr;
  if (!out.SetSize(tw, j1 - j0, alpha ? TPixelFormat::pf32bit : TPixelFormat::pf24bit)) return false;
  const int bpp = alpha ? 4 : 3;
  // The source column under the centre of each target column.
  std::vector<int> centres(static_cast<size_t>(tw));
  for (int i = 0; i < tw; ++i)
    centres[i] = static_cast<int>((static_cast<int64_t>(2 * i + 1) * src.Width) / (2 * static_cast<int64_t>(tw)));
  std::vector<uint32_t> sampled(static_cast<size_t>(tw));
  for (int j = j0; j < j1; ++j) {
    uint8_t* row = out.Row(j - j0);
    if (!smooth) {
      const int sy = static_cast<int>((static_cast<int64_t>(2 * j + 1) * src.Height) / (2 * static_cast<int64_t>(th)));
      SampleRow(src, sy, centres, sampled.data());
      for (int i = 0; i < tw; ++i) Store(row + static_cast<size_t>(i) * bpp, sampled[i], alpha);
      continue;
    }
    const int y0 = static_cast<int>(static_cast<int64_t>(j) * src.Height / th);
    const int y1 = std::max(y0 + 1, static_cast<int>(static_cast<int64_t>(j + 1) * src.Height / th));
    for (int i = 0; i < tw; ++i) {
      const int x0 = static_cast<int>(static_cast<int64_t>(i) * src.Width / tw);
      const int x1 = std::max(x0 + 1, static_cast<int>(static_cast<int64_t>(i + 1) * src.Width / tw));
      if (x1 - x0 == 1 && y1 - y0 == 1) {
        const int sy = static_cast<int>((static_cast<int64_t>(2 * j + 1) * src.Height) / (2 * static_cast<int64_t>(th)));
        Store(row + static_cast<size_t>(i) * bpp, src.At(centres[i], sy), alpha);
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
  const int64_t pixels = int64_t{tw} * th;
  if (src.Picture && !src.Alpha && tw == src.Width && th == src.Height && pixels <= kMaxWholePixels) {
    canvas.DrawGraphic(Picture, x1, y1, x2, y2, x3, y3);
    return;
  }
  // Large pictures go in bands of rows, each placed on its strip of the
  // parallelogram, so that no full-size copy (nor the canvas's own 32-bit
  // one) is ever made. An opaque band also repeats the first rows of the
  // next one: painted twice with the same pixels, the seam can show neither
  // a gap nor the faded edge of a smoothly filtered band.
  const int bandRows = pixels <= kMaxWholePixels ? th : std::max(1, static_cast<int>(kBandPixels / tw));
  const int overlap = src.Alpha ? 0 : 2;
  for (int j0 = 0; j0 < th; j0 += bandRows) {
    const int j1 = std::min(th, j0 + bandRows + overlap);
    Bitmap composed;
    if (!Compose(src, tw, th, j0, j1, smooth, composed)) return;
    const double v0 = static_cast<double>(j0) / th, v1 = static_cast<double>(j1) / th;
    canvas.DrawGraphic(composed, x1 + v0 * (x3 - x1), y1 + v0 * (y3 - y1), x2 + v0 * (x3 - x1),
                       y2 + v0 * (y3 - y1), x1 + v1 * (x3 - x1), y1 + v1 * (y3 - y1));
  }
}

}  // namespace ostrel
