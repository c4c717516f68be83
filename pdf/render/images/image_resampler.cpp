#include "pdf/render/images/image_resampler.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <numeric>

namespace ostrel {

bool TImageResampler::Start(const TResampleSource& src, int tw, int th, TResampleFilter fx, TResampleFilter fy) {
  if (src.Width < 1 || src.Height < 1 || tw < 1 || th < 1) return false;
  src_ = src, tw_ = tw, th_ = th;
  PlanAxis(src.Width, tw, fx, x_);
  PlanAxis(src.Height, th, fy, y_);
  row_.assign(static_cast<size_t>(src.Width), 0);
  reduced_.assign(static_cast<size_t>(tw) * 4, 0);
  reducedY_ = -1;
  return true;
}

// Box taps measure the axis in units of 1 / target source pixels (after
// taking out the common factor of side and target): target pixel i covers
// units i * side .. (i + 1) * side, source pixel x units x * target ..
// (x + 1) * target, and each source pixel weighs by the units it shares with
// the target pixel. The weights are whole numbers, so the average is exact
// and the same on every machine. Linear taps sample at pixel centres.
void TImageResampler::PlanAxis(int side, int target, TResampleFilter filter, TAxisPlan& plan) {
  plan.Filter = filter;
  plan.Taps.assign(static_cast<size_t>(target), {});
  const int64_t g = std::gcd(side, target);
  const int64_t s = side / g, t = target / g;
  plan.Unit = filter == TResampleFilter::Box ? static_cast<uint32_t>(t) : 1;
  plan.Total = filter == TResampleFilter::Box ? static_cast<uint64_t>(s) : filter == TResampleFilter::Linear ? 256 : 1;
  for (int i = 0; i < target; ++i) {
    TTap& tap = plan.Taps[static_cast<size_t>(i)];
    switch (filter) {
      case TResampleFilter::Box: {
        const int64_t from = i * s, to = (i + 1) * s;
        const int64_t first = from / t, last = (to - 1) / t;
        tap.First = static_cast<int>(first);
        tap.Count = static_cast<int>(last - first + 1);
        if (first == last) {
          tap.Weight = static_cast<uint32_t>(to - from);
        } else {
          tap.Weight = static_cast<uint32_t>((first + 1) * t - from);
          tap.LastWeight = static_cast<uint32_t>(to - last * t);
        }
        break;
      }
      case TResampleFilter::Nearest:
        tap.First = static_cast<int>((int64_t{2} * i + 1) * side / (int64_t{2} * target));
        break;
      case TResampleFilter::Linear: {
        const double pos = std::clamp((i + 0.5) * side / target - 0.5, 0.0, side - 1.0);
        tap.First = static_cast<int>(pos);
        tap.Weight = tap.First + 1 < side ? static_cast<uint32_t>(std::lround((pos - tap.First) * 256)) : 0;
        break;
      }
    }
  }
}

// Row y as 0xAARRGGBB: one switch per row, table lookups per pixel.
void TImageResampler::ExpandRow(int y) {
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

// Set bits of each byte value (the build targets processors without a
// population-count instruction).
constexpr auto kBitCounts = [] {
  std::array<uint8_t, 256> t{};
  for (int v = 0; v < 256; ++v) t[v] = static_cast<uint8_t>(std::popcount(static_cast<unsigned>(v)));
  return t;
}();

// 1-bits among pixels from .. end - 1 of a row, most significant bit first.
uint64_t OnesIn(const uint8_t* bits, int from, int end) {
  uint64_t ones = 0;
  for (int x = from; x < end;) {
    const int bit = x & 7, take = std::min(8 - bit, end - x);
    const unsigned mask = ((1u << take) - 1) << (8 - bit - take);
    ones += kBitCounts[bits[x >> 3] & mask];
    x += take;
  }
  return ones;
}

inline uint32_t BitAt(const uint8_t* bits, int x) { return (bits[x >> 3] >> (7 - (x & 7))) & 1; }

}  // namespace

// Source row y brought to the target's columns; the last row asked for is
// kept, as a box filter shares the row on a band's edge between two target
// rows.
const uint64_t* TImageResampler::ReducedRow(int y) {
  if (y == reducedY_) return reduced_.data();
  reducedY_ = y;
  std::fill(reduced_.begin(), reduced_.end(), 0);
  if (x_.Filter == TResampleFilter::Box && !src_.Alpha && src_.Picture &&
      src_.Picture->PixelFormat() == TPixelFormat::pf1bit) {
    ReduceBilevelRow(y);
    return reduced_.data();
  }
  if (x_.Filter == TResampleFilter::Box && !src_.Alpha && src_.Picture &&
      src_.Picture->PixelFormat() == TPixelFormat::pf24bit) {
    ReduceColourRow(y);
    return reduced_.data();
  }
  ExpandRow(y);
  const uint32_t* row = row_.data();
  uint64_t* sums = reduced_.data();
  // Opaque pixels need no weighting by opacity: the whole pixels between the
  // edges are summed per channel and weighed once.
  const bool opaque = !src_.Alpha;
  const uint64_t unit = x_.Unit;
  for (int i = 0; i < tw_; ++i, sums += 4) {
    const TTap& t = x_.Taps[static_cast<size_t>(i)];
    switch (x_.Filter) {
      case TResampleFilter::Box: {
        const int last = t.First + t.Count - 1;
        if (opaque) {
          uint64_t r = 0, g = 0, b = 0;
          for (int x = t.First + 1; x < last; ++x) {
            const uint32_t p = row[x];
            r += (p >> 16) & 0xFF, g += (p >> 8) & 0xFF, b += p & 0xFF;
          }
          r *= unit, g *= unit, b *= unit;
          const uint32_t p = row[t.First];
          r += ((p >> 16) & 0xFF) * t.Weight, g += ((p >> 8) & 0xFF) * t.Weight, b += (p & 0xFF) * t.Weight;
          if (last > t.First) {
            const uint32_t q = row[last];
            r += ((q >> 16) & 0xFF) * t.LastWeight, g += ((q >> 8) & 0xFF) * t.LastWeight,
                b += (q & 0xFF) * t.LastWeight;
          }
          sums[0] = r * 255, sums[1] = g * 255, sums[2] = b * 255;
          sums[3] = x_.Total * 255;
        } else {
          Add(sums, row[t.First], t.Weight);
          for (int x = t.First + 1; x < last; ++x) Add(sums, row[x], unit);
          if (last > t.First) Add(sums, row[last], t.LastWeight);
        }
        break;
      }
      case TResampleFilter::Nearest:
        Add(sums, row[t.First], 1);
        break;
      case TResampleFilter::Linear:
        Add(sums, row[t.First], 256 - t.Weight);
        if (t.Weight) Add(sums, row[t.First + 1], t.Weight);
        break;
    }
  }
  return reduced_.data();
}

// An opaque 24-bit row under a box filter, read from its bytes (blue, green,
// red) without expanding it first: the photos of a scanned book take this
// path.
void TImageResampler::ReduceColourRow(int y) {
  const uint8_t* row = src_.Picture->Row(y);
  const uint64_t unit = x_.Unit, whole = x_.Total * 255;
  uint64_t* sums = reduced_.data();
  for (int i = 0; i < tw_; ++i, sums += 4) {
    const TTap& t = x_.Taps[static_cast<size_t>(i)];
    const int last = t.First + t.Count - 1;
    uint64_t b = 0, g = 0, r = 0;
    for (const uint8_t* p = row + 3 * static_cast<size_t>(t.First + 1), *end = row + 3 * static_cast<size_t>(last);
         p < end; p += 3)
      b += p[0], g += p[1], r += p[2];
    b *= unit, g *= unit, r *= unit;
    const uint8_t* p = row + 3 * static_cast<size_t>(t.First);
    b += p[0] * uint64_t{t.Weight}, g += p[1] * uint64_t{t.Weight}, r += p[2] * uint64_t{t.Weight};
    if (last > t.First) {
      const uint8_t* q = row + 3 * static_cast<size_t>(last);
      b += q[0] * uint64_t{t.LastWeight}, g += q[1] * uint64_t{t.LastWeight}, r += q[2] * uint64_t{t.LastWeight};
    }
    sums[0] = r * 255, sums[1] = g * 255, sums[2] = b * 255, sums[3] = whole;
  }
}

// A 1-bit row under a box filter: the set bits between each target pixel's
// edges are counted rather than every pixel looked up, and a row all of one
// value (paper, in a scan) costs one pass over its bytes. A target pixel
// whose pixels fit in one 64-bit window of the row reads them from one load.
void TImageResampler::ReduceBilevelRow(int y) {
  const Bitmap& pic = *src_.Picture;
  const uint8_t* bits = pic.Row(y);
  const size_t rowBytes = (static_cast<size_t>(src_.Width) + 7) / 8;
  // All bytes equal each other when the row equals itself one byte on.
  const bool uniform = (bits[0] == 0 || bits[0] == 0xFF) && std::memcmp(bits, bits + 1, rowBytes - 1) == 0;
  uint32_t colour[2] = {0, 0xFFFFFF};
  for (size_t k = 0; k < 2 && k < pic.Palette().size(); ++k) colour[k] = pic.Palette()[k];
  const uint64_t total = x_.Total;
  // Each channel is the 0-colour over the whole weight plus the difference
  // of the colours over the weight of the 1-bits.
  int64_t base[3], step[3];
  for (int c = 0; c < 3; ++c) {
    const int shift = 16 - 8 * c;
    const int64_t c0 = (colour[0] >> shift) & 0xFF, c1 = (colour[1] >> shift) & 0xFF;
    base[c] = c0 * static_cast<int64_t>(total) * 255, step[c] = (c1 - c0) * 255;
  }
  uint64_t* sums = reduced_.data();
  if (uniform) {
    const int64_t w = bits[0] ? static_cast<int64_t>(total) : 0;
    const uint64_t pixel[4] = {static_cast<uint64_t>(base[0] + step[0] * w),
                               static_cast<uint64_t>(base[1] + step[1] * w),
                               static_cast<uint64_t>(base[2] + step[2] * w), total * 255};
    for (int i = 0; i < tw_; ++i, sums += 4) std::copy_n(pixel, 4, sums);
    return;
  }
  // The row with eight bytes of padding, so that a window never reads past it.
  padded_.assign(rowBytes + 8, 0);
  std::copy_n(bits, rowBytes, padded_.begin());
  const uint8_t* row = padded_.data();
  for (int i = 0; i < tw_; ++i, sums += 4) {
    const TTap& t = x_.Taps[static_cast<size_t>(i)];
    const int last = t.First + t.Count - 1;
    uint64_t ones = 0;  // weight of the 1-bits
    if ((t.First & 7) + t.Count <= 64) {
      uint64_t word;
      std::memcpy(&word, row + (t.First >> 3), 8);
      if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
      word <<= t.First & 7;  // pixel First is now the top bit
      ones = (word >> 63) * uint64_t{t.Weight};
      if (last > t.First) {
        const int inner = t.Count - 2;
        const uint64_t innerMask = inner ? ((~uint64_t{0}) >> (64 - inner)) << (63 - inner) : 0;
        ones += static_cast<uint64_t>(std::popcount(word & innerMask)) * x_.Unit +
                ((word >> (64 - t.Count)) & 1) * uint64_t{t.LastWeight};
      }
    } else {
      ones = BitAt(row, t.First) * uint64_t{t.Weight};
      if (last > t.First) ones += OnesIn(row, t.First + 1, last) * x_.Unit + BitAt(row, last) * uint64_t{t.LastWeight};
    }
    const int64_t w = static_cast<int64_t>(ones);
    for (int c = 0; c < 3; ++c) sums[c] = static_cast<uint64_t>(base[c] + step[c] * w);
    sums[3] = total * 255;
  }
}

// One target row from its sums. Opaque pixels all weigh the same, so their
// division becomes one multiplication by the reciprocal (exact to far below
// half a level, as the sums stay under 2^53).
void TImageResampler::StoreRow(uint64_t* sums, uint8_t* out) const {
  const uint64_t total = x_.Total * y_.Total * 255;
  if (!src_.Alpha) {
    const double scale = 1.0 / static_cast<double>(total);
    for (int i = 0; i < tw_; ++i, sums += 4, out += 3) {
      out[0] = static_cast<uint8_t>(static_cast<double>(sums[2]) * scale + 0.5);
      out[1] = static_cast<uint8_t>(static_cast<double>(sums[1]) * scale + 0.5);
      out[2] = static_cast<uint8_t>(static_cast<double>(sums[0]) * scale + 0.5);
    }
    return;
  }
  for (int i = 0; i < tw_; ++i, sums += 4, out += 4) {
    const uint64_t a = sums[3];
    if (a == 0) {
      out[0] = out[1] = out[2] = 0;
    } else {
      out[0] = static_cast<uint8_t>((sums[2] + a / 2) / a);
      out[1] = static_cast<uint8_t>((sums[1] + a / 2) / a);
      out[2] = static_cast<uint8_t>((sums[0] + a / 2) / a);
    }
    out[3] = static_cast<uint8_t>((a * 255 + total / 2) / total);
  }
}

bool TImageResampler::Rows(int j0, int j1, Bitmap& out) {
  j0 = std::max(j0, 0), j1 = std::min(j1, th_);
  if (j1 <= j0 || !out.SetSize(tw_, j1 - j0, src_.Alpha ? TPixelFormat::pf32bit : TPixelFormat::pf24bit)) return false;
  std::vector<uint64_t> sums(static_cast<size_t>(tw_) * 4);
  const size_t n = sums.size();
  // Opaque rows leave the opacity sums alone: every pixel's is the same.
  const bool opaque = !src_.Alpha;
  auto add = [&](int y, uint64_t w) {
    const uint64_t* row = ReducedRow(y);
    uint64_t* to = sums.data();
    if (opaque) {
      for (size_t k = 0; k < n; k += 4) to[k] += row[k] * w, to[k + 1] += row[k + 1] * w, to[k + 2] += row[k + 2] * w;
    } else {
      for (size_t k = 0; k < n; ++k) to[k] += row[k] * w;
    }
  };
  for (int j = j0; j < j1; ++j) {
    std::fill(sums.begin(), sums.end(), 0);
    const TTap& t = y_.Taps[static_cast<size_t>(j)];
    switch (y_.Filter) {
      case TResampleFilter::Box: {
        const int last = t.First + t.Count - 1;
        add(t.First, t.Weight);
        for (int y = t.First + 1; y < last; ++y) add(y, y_.Unit);
        if (last > t.First) add(last, t.LastWeight);
        break;
      }
      case TResampleFilter::Nearest:
        add(t.First, 1);
        break;
      case TResampleFilter::Linear:
        add(t.First, 256 - t.Weight);
        if (t.Weight) add(t.First + 1, t.Weight);
        break;
    }
    StoreRow(sums.data(), out.Row(j - j0));
  }
  return true;
}

}  // namespace ostrel
