#include "pdf/render/images/image_resampler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace ostrel {
namespace {

// The area average of values (w x h, row by row) over target pixel (i, j)
// of tw x th, in floating point.
double AreaAverage(const std::vector<int>& values, int w, int h, int tw, int th, int i, int j) {
  const double x0 = double(i) * w / tw, x1 = double(i + 1) * w / tw;
  const double y0 = double(j) * h / th, y1 = double(j + 1) * h / th;
  double sum = 0, area = 0;
  for (int y = int(y0); y < h && y < y1; ++y)
    for (int x = int(x0); x < w && x < x1; ++x) {
      const double a = (std::min(x + 1.0, x1) - std::max(double(x), x0)) * (std::min(y + 1.0, y1) - std::max(double(y), y0));
      if (a > 0) sum += a * values[static_cast<size_t>(y) * w + x], area += a;
    }
  return sum / area;
}

TEST(ImageResampler, BoxFilterIsTheAreaAverageForEveryKindOfPicture) {
  // Random pictures of each kind brought down by random factors, from just
  // below 1 to a few hundred (where a 1-bit target pixel spans more than one
  // 64-bit word): every target pixel is within rounding of the exact
  // average, and a stencil's colour is kept where it paints.
  enum { kBilevel, kGrey, kColour, kStencil };
  std::mt19937 rng(7);
  for (int iter = 0; iter < 400; ++iter) {
    const int kind = iter % 4;
    const int w = 1 + static_cast<int>(rng() % (kind == kBilevel ? 300 : 120)), h = 1 + static_cast<int>(rng() % 30);
    const int tw = 1 + static_cast<int>(rng() % w), th = 1 + static_cast<int>(rng() % h);
    std::vector<int> values(static_cast<size_t>(w) * h);
    std::vector<uint8_t> alpha;
    Bitmap pic;
    TResampleSource src;
    src.Width = w, src.Height = h;
    if (kind == kStencil) {
      for (int& v : values) alpha.push_back(static_cast<uint8_t>(v = static_cast<int>(rng() % 256)));
      src.Alpha = alpha.data(), src.StencilRGB = 0x102030;
    } else {
      const TPixelFormat format[] = {TPixelFormat::pf1bit, TPixelFormat::pf8bit, TPixelFormat::pf24bit};
      ASSERT_TRUE(pic.SetSize(w, h, format[kind]));
      pic.Palette() = {0x000000, 0xFFFFFF};
      if (kind == kGrey) pic.SetGreyPalette();
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          // 1-bit rows: some blank (the fast path), some sparse, some dense.
          const int v = kind != kBilevel ? static_cast<int>(rng() % 256) : y % 3 == 0 ? 255 : rng() % (2 + y % 3 * 4) ? 255 : 0;
          values[static_cast<size_t>(y) * w + x] = v;
          uint8_t* row = pic.Row(y);
          if (kind == kBilevel) row[x >> 3] = static_cast<uint8_t>(v ? row[x >> 3] | (0x80 >> (x & 7)) : row[x >> 3] & ~(0x80 >> (x & 7)));
          else if (kind == kGrey) row[x] = static_cast<uint8_t>(v);
          else std::fill_n(row + 3 * x, 3, static_cast<uint8_t>(v));
        }
      src.Picture = &pic;
    }
    TImageResampler resampler;
    ASSERT_TRUE(resampler.Start(src, tw, th, TResampleFilter::Box, TResampleFilter::Box));
    Bitmap out;
    ASSERT_TRUE(resampler.Rows(0, th, out));
    int off = 0;
    for (int j = 0; j < th; ++j)
      for (int i = 0; i < tw; ++i) {
        const uint8_t* p = out.Row(j) + (kind == kStencil ? 4 : 3) * i;
        const int got = kind == kStencil ? p[3] : p[0];
        off += std::fabs(got - AreaAverage(values, w, h, tw, th, i, j)) > 0.51;
        if (kind == kStencil && got > 0) off += p[0] != 0x30 || p[1] != 0x20 || p[2] != 0x10;
      }
    EXPECT_EQ(off, 0) << "kind " << kind << ": " << w << "x" << h << " to " << tw << "x" << th;
  }
}

}  // namespace
}  // namespace ostrel
