#include "pdf/render/images/image_resampler.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

namespace ostrel {

bool TImageResampler::Start(const TResampleSource& src, int tw, int th, TResampleFilter fx, TResampleFilter fy) {
  if (src.Width < 1 || src.Height < 1 || tw < 1 || th < 1) return false;
  src_ = src, tw_ = tw, th_ = th, fx_ = fx, fy_ = fy;
  TapsOf(src.Width, tw, fx, xTaps_);
  TapsOf(src.Height, th, fy, yTaps_);
  row_.assign(static_cast<size_t>(src.Width), 0);
  rowY_ = -1;
  sums_.assign(static_cast<size_t>(tw) * 4, 0);
  return true;
}

// Box ranges split the source at the multiples of side / target, as a
// scan-converter would; linear taps sample at pixel centres.
void TImageResampler::TapsOf(int side, int target, TResampleFilter filter, std::vector<TTap>& taps) const {
  taps.assign(static_cast<size_t>(target), {});
  for (int i = 0; i < target; ++i) {
    TTap& t = taps[static_cast<size_t>(i)];
    switch (filter) {
      case TResampleFilter::Box: {
        t.First = static_cast<int>(int64_t{i} * side / target);
        const int end = std::max(t.First + 1, static_cast<int>(int64_t{i + 1} * side / target));
        t.Count = end - t.First;
        break;
      }
      case TResampleFilter::Nearest:
        t.First = static_cast<int>((int64_t{2} * i + 1) * side / (int64_t{2} * target));
        break;
      case TResampleFilter::Linear: {
        const double pos = std::clamp((i + 0.5) * side / target - 0.5, 0.0, side - 1.0);
        t.First = static_cast<int>(pos);
        t.Weight = t.First + 1 < side ? static_cast<uint32_t>(std::lround((pos - t.First) * 256)) : 0;
        break;
      }
    }
  }
}

// Row y as 0xAARRGGBB: one switch per row, table lookups per pixel.
void TImageResampler::ExpandRow(int y) {
  if (y == rowY_) return;
  rowY_ = y;
  const size_t w = static_cast<size_t>(src_.Width);
  uint32_t* out = row_.data();
  constexpr uint32_t kOpaque = uint32_t{255} << 24;
  if (!src_.Picture) {
    std::fill(out, out + w, src_.StencilRGB | kOpaque);
  } else {
    const Bitmap& pic = *src_.Picture;
    const uint8_t* row = pic.Row(y);
    uint32_t palette[256] = {};
    std::copy_n(pic.Palette().begin(), std::min<size_t>(pic.Palette().size(), 256), palette);
    for (uint32_t& p : palette) p |= kOpaque;
    switch (pic.PixelFormat()) {
      case TPixelFormat::pf1bit:
        for (size_t x = 0; x < w; ++x) out[x] = palette[(row[x >> 3] >> (7 - (x & 7))) & 1];
        break;
      case TPixelFormat::pf4bit:
        for (size_t x = 0; x < w; ++x) out[x] = palette[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15];
        break;
      case TPixelFormat::pf8bit:
        for (size_t x = 0; x < w; ++x) out[x] = palette[row[x]];
        break;
      case TPixelFormat::pf24bit:
      case TPixelFormat::pf32bit: {
        const size_t bpp = pic.PixelFormat() == TPixelFormat::pf24bit ? 3 : 4;
        for (size_t x = 0; x < w; ++x, row += bpp)
          out[x] = kOpaque | (uint32_t{row[2]} << 16) | (uint32_t{row[1]} << 8) | row[0];
        break;
      }
    }
  }
  if (src_.Alpha) {
    const uint8_t* alpha = src_.Alpha + static_cast<size_t>(y) * w;
    for (size_t x = 0; x < w; ++x) out[x] = (out[x] & 0xFFFFFF) | (uint32_t{alpha[x]} << 24);
  }
}

namespace {

// Adds pixel p with weight w to sums (R, G, B weighted by opacity, then
// opacity).
inline void Add(uint64_t* sums, uint32_t p, uint64_t w) {
  const uint64_t a = (p >> 24) * w;
  sums[0] += ((p >> 16) & 0xFF) * a;
  sums[1] += ((p >> 8) & 0xFF) * a;
  sums[2] += (p & 0xFF) * a;
  sums[3] += a;
}

}  // namespace

void TImageResampler::AddRow(int y, uint32_t weight) {
  if (fx_ == TResampleFilter::Box && !src_.Alpha && src_.Picture &&
      src_.Picture->PixelFormat() == TPixelFormat::pf1bit) {
    AddBilevelRow(y, weight);
    return;
  }
  ExpandRow(y);
  const uint32_t* row = row_.data();
  uint64_t* sums = sums_.data();
  // Opaque pixels need no weighting by opacity: the sums are of the
  // channels, and the fourth counts the pixels.
  const bool opaque = !src_.Alpha;
  for (int i = 0; i < tw_; ++i, sums += 4) {
    const TTap& t = xTaps_[static_cast<size_t>(i)];
    switch (fx_) {
      case TResampleFilter::Box:
        if (opaque) {
          uint64_t r = 0, g = 0, b = 0;
          for (int x = t.First; x < t.First + t.Count; ++x) {
            const uint32_t p = row[x];
            r += (p >> 16) & 0xFF, g += (p >> 8) & 0xFF, b += p & 0xFF;
          }
          const uint64_t w = uint64_t{255} * weight;
          sums[0] += r * w, sums[1] += g * w, sums[2] += b * w;
          sums[3] += uint64_t{255} * static_cast<uint64_t>(t.Count) * weight;
        } else {
          for (int x = t.First; x < t.First + t.Count; ++x) Add(sums, row[x], weight);
        }
        break;
      case TResampleFilter::Nearest:
        Add(sums, row[t.First], weight);
        break;
      case TResampleFilter::Linear:
        Add(sums, row[t.First], uint64_t{weight} * (256 - t.Weight));
        if (t.Weight) Add(sums, row[t.First + 1], uint64_t{weight} * t.Weight);
        break;
    }
  }
}

namespace {

// Set bits of each byte value (the build targets processors without a
// population-count instruction).
constexpr auto kBitCounts = [] {
  std::array<uint8_t, 256> t{};
  for (int v = 0; v < 256; ++v) t[v] = static_cast<uint8_t>(std::popcount(static_cast<unsigned>(v)));
  return t;
}();

}  // namespace

// A 1-bit row under a box filter: the set bits of each range are counted
// rather than every pixel looked up, and a row all of one value (paper, in a
// scan) costs one pass over its bytes.
void TImageResampler::AddBilevelRow(int y, uint32_t weight) {
  const Bitmap& pic = *src_.Picture;
  const uint8_t* bits = pic.Row(y);
  const size_t rowBytes = (static_cast<size_t>(src_.Width) + 7) / 8;
  const bool uniform = std::all_of(bits, bits + rowBytes, [&](uint8_t b) { return b == bits[0]; }) &&
                       (bits[0] == 0 || bits[0] == 0xFF);
  uint32_t colour[2] = {0, 0xFFFFFF};
  for (size_t k = 0; k < 2 && k < pic.Palette().size(); ++k) colour[k] = pic.Palette()[k];
  uint64_t* sums = sums_.data();
  for (int i = 0; i < tw_; ++i, sums += 4) {
    const TTap& t = xTaps_[static_cast<size_t>(i)];
    uint64_t ones = 0;
    if (uniform) {
      ones = bits[0] ? static_cast<uint64_t>(t.Count) : 0;
    } else {
      for (int x = t.First, end = t.First + t.Count; x < end;) {
        const int bit = x & 7, take = std::min(8 - bit, end - x);
        const unsigned mask = ((1u << take) - 1) << (8 - bit - take);
        ones += kBitCounts[bits[x >> 3] & mask];
        x += take;
      }
    }
    const uint64_t zeros = static_cast<uint64_t>(t.Count) - ones;
    const uint64_t w = uint64_t{255} * weight;
    for (int c = 0; c < 3; ++c) {
      const int shift = 16 - 8 * c;
      sums[c] += (((colour[1] >> shift) & 0xFF) * ones + ((colour[0] >> shift) & 0xFF) * zeros) * w;
    }
    sums[3] += static_cast<uint64_t>(t.Count) * w;
  }
}

// One target row from the sums; rowWeight is the vertical share every
// column's sums were multiplied by.
void TImageResampler::StoreRow(uint64_t rowWeight, uint8_t* out) const {
  const bool alpha = src_.Alpha != nullptr;
  const uint64_t* sums = sums_.data();
  for (int i = 0; i < tw_; ++i, sums += 4, out += alpha ? 4 : 3) {
    const TTap& t = xTaps_[static_cast<size_t>(i)];
    const uint64_t columnWeight = fx_ == TResampleFilter::Box ? t.Count : fx_ == TResampleFilter::Linear ? 256 : 1;
    const uint64_t total = columnWeight * rowWeight * 255;
    const uint64_t a = sums[3];
    if (a == 0) {
      out[0] = out[1] = out[2] = 0;
    } else {
      out[0] = static_cast<uint8_t>((sums[2] + a / 2) / a);
      out[1] = static_cast<uint8_t>((sums[1] + a / 2) / a);
      out[2] = static_cast<uint8_t>((sums[0] + a / 2) / a);
    }
    if (alpha) out[3] = static_cast<uint8_t>((a * 255 + total / 2) / total);
  }
}

bool TImageResampler::Rows(int j0, int j1, Bitmap& out) {
  j0 = std::max(j0, 0), j1 = std::min(j1, th_);
  if (j1 <= j0 || !out.SetSize(tw_, j1 - j0, src_.Alpha ? TPixelFormat::pf32bit : TPixelFormat::pf24bit)) return false;
  for (int j = j0; j < j1; ++j) {
    std::fill(sums_.begin(), sums_.end(), 0);
    const TTap& t = yTaps_[static_cast<size_t>(j)];
    uint64_t rowWeight = 1;
    switch (fy_) {
      case TResampleFilter::Box:
        for (int y = t.First; y < t.First + t.Count; ++y) AddRow(y, 1);
        rowWeight = static_cast<uint64_t>(t.Count);
        break;
      case TResampleFilter::Nearest:
        AddRow(t.First, 1);
        break;
      case TResampleFilter::Linear:
        AddRow(t.First, 256 - t.Weight);
        if (t.Weight) AddRow(t.First + 1, t.Weight);
        rowWeight = 256;
        break;
    }
    StoreRow(rowWeight, out.Row(j - j0));
  }
  return true;
}

}  // namespace ostrel
