#include "platform/bitmap.h"

#include <algorithm>

namespace ostrel {

Bitmap::Bitmap(int width, int height, TPixelFormat format) { SetSize(width, height, format); }

int Bitmap::BitsPerPixel(TPixelFormat format) {
  switch (format) {
    case TPixelFormat::pf1bit: return 1;
    case TPixelFormat::pf4bit: return 4;
    case TPixelFormat::pf8bit: return 8;
    case TPixelFormat::pf24bit: return 24;
    case TPixelFormat::pf32bit: return 32;
  }
  return 24;
}

size_t Bitmap::StrideFor(int width, TPixelFormat format) {
  if (width < 0) return 0;
  uint64_t bits = static_cast<uint64_t>(width) * BitsPerPixel(format);
  return static_cast<size_t>((bits + 31) / 32 * 4);
}

bool Bitmap::SetSize(int width, int height, TPixelFormat format) {
  width_ = height_ = 0;
  stride_ = 0;
  pixels_.clear();
  format_ = format;
  if (width < 0 || height < 0) return false;
  size_t stride = StrideFor(width, format);
  if (height != 0 && stride > kMaxBytes / static_cast<size_t>(height)) return false;
  pixels_.assign(stride * static_cast<size_t>(height), 0);
  width_ = width;
  height_ = height;
  stride_ = stride;
  int bpp = BitsPerPixel(format);
  if (bpp <= 8) palette_.resize(size_t{1} << bpp, 0);
  else palette_.clear();
  return true;
}

void Bitmap::SetGreyPalette() {
  int bpp = BitsPerPixel(format_);
  if (bpp > 8) return;
  size_t n = size_t{1} << bpp;
  palette_.resize(n);
  for (size_t i = 0; i < n; ++i) {
    uint32_t v = static_cast<uint32_t>(i * 255 / (n - 1));
    palette_[i] = (v << 16) | (v << 8) | v;
  }
}

uint32_t Bitmap::PixelRGB(int x, int y) const {
  const uint8_t* row = Row(y);
  auto lookup = [this](size_t index) { return index < palette_.size() ? palette_[index] : 0u; };
  switch (format_) {
    case TPixelFormat::pf1bit: return lookup((row[x >> 3] >> (7 - (x & 7))) & 1);
    case TPixelFormat::pf4bit: return lookup((row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15);
    case TPixelFormat::pf8bit: return lookup(row[x]);
    case TPixelFormat::pf24bit: {
      const uint8_t* p = row + 3 * static_cast<size_t>(x);
      return (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
    }
    case TPixelFormat::pf32bit: {
      const uint8_t* p = row + 4 * static_cast<size_t>(x);
      return (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
    }
  }
  return 0;
}

const Bitmap& Bitmap::In24Bits(Bitmap& scratch) const {
  if (format_ == TPixelFormat::pf24bit) return *this;
  scratch = ConvertedTo24Bit();
  return scratch;
}

Bitmap Bitmap::ConvertedTo24Bit() const {
  if (format_ == TPixelFormat::pf24bit) return *this;
  Bitmap out;
  if (!out.SetSize(width_, height_, TPixelFormat::pf24bit)) return out;
  for (int y = 0; y < height_; ++y) {
    uint8_t* dst = out.Row(y);
    for (int x = 0; x < width_; ++x, dst += 3) {
      uint32_t c = PixelRGB(x, y);
      dst[0] = static_cast<uint8_t>(c);
      dst[1] = static_cast<uint8_t>(c >> 8);
      dst[2] = static_cast<uint8_t>(c >> 16);
    }
  }
  return out;
}

void Bitmap::ConvertTo24Bit() {
  if (format_ == TPixelFormat::pf24bit) return;
  if (format_ != TPixelFormat::pf32bit) {
    *this = ConvertedTo24Bit();
    return;
  }
  // Each 24-bit row starts at or before its 32-bit row and each pixel at or
  // before its source, so walking forwards never overwrites unread pixels.
  const size_t stride = StrideFor(width_, TPixelFormat::pf24bit);
  for (int y = 0; y < height_; ++y) {
    const uint8_t* src = pixels_.data() + static_cast<size_t>(y) * stride_;
    uint8_t* dst = pixels_.data() + static_cast<size_t>(y) * stride;
    for (int x = 0; x < width_; ++x, src += 4, dst += 3) {
      dst[0] = src[0];
      dst[1] = src[1];
      dst[2] = src[2];
    }
    std::fill(dst, pixels_.data() + static_cast<size_t>(y) * stride + stride, uint8_t{0});
  }
  pixels_.resize(stride * static_cast<size_t>(height_));
  stride_ = stride;
  format_ = TPixelFormat::pf24bit;
}

}  // namespace ostrel
