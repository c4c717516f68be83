#include "pdf/filters/jbig2/jbig2_bitmap.h"

#include <algorithm>
#include <cstring>

namespace ostrel {

TJBIG2Bitmap::TJBIG2Bitmap(int64_t width, int64_t height, bool fill) {
  if (width < 0 || height < 0 || (width > 0 && height > 0 &&
                                  static_cast<uint64_t>(width) * static_cast<uint64_t>(height) >
                                      kMaxJBIG2BitmapPixels) ||
      width > (int64_t{1} << 28) || height > (int64_t{1} << 28))
    throw EJBIG2Error("bitmap too large");
  width_ = static_cast<int>(width);
  height_ = static_cast<int>(height);
  stride_ = (static_cast<size_t>(width_) + 7) / 8;
  data_.assign(stride_ * static_cast<size_t>(height_), fill ? 0xFF : 0);
}

void TJBIG2Bitmap::Fill(bool black) { std::fill(data_.begin(), data_.end(), black ? 0xFF : 0); }

void TJBIG2Bitmap::Grow(int64_t height, bool fill) {
  if (height <= height_) return;
  if (height > (int64_t{1} << 28) ||
      static_cast<uint64_t>(width_) * static_cast<uint64_t>(height) > kMaxJBIG2BitmapPixels)
    throw EJBIG2Error("bitmap too large");
  data_.resize(stride_ * static_cast<size_t>(height), fill ? 0xFF : 0);
  height_ = static_cast<int>(height);
}

void TJBIG2Bitmap::Combine(const TJBIG2Bitmap& src, int64_t x, int64_t y,
                           TJBIG2CombinationOperator op) {
  int64_t x0 = std::max<int64_t>(x, 0), x1 = std::min<int64_t>(x + src.width_, width_);
  int64_t y0 = std::max<int64_t>(y, 0), y1 = std::min<int64_t>(y + src.height_, height_);
  for (int64_t dy = y0; dy < y1; ++dy) {
    int sy = static_cast<int>(dy - y);
    for (int64_t dx = x0; dx < x1; ++dx) {
      int s = src.GetPixel(static_cast<int>(dx - x), sy);
      int d = GetPixel(static_cast<int>(dx), static_cast<int>(dy));
      int v;
      switch (op) {
        case TJBIG2CombinationOperator::Or: v = d | s; break;
        case TJBIG2CombinationOperator::And: v = d & s; break;
        case TJBIG2CombinationOperator::Xor: v = d ^ s; break;
        case TJBIG2CombinationOperator::Xnor: v = 1 - (d ^ s); break;
        default: v = s; break;
      }
      SetPixel(static_cast<int>(dx), static_cast<int>(dy), v);
    }
  }
}

TJBIG2Bitmap TJBIG2Bitmap::Extract(int x, int y, int width, int height) const {
  TJBIG2Bitmap out(width, height);
  // Positions in 64 bits: a window far out on the right must not wrap round.
  for (int j = 0; j < height; ++j) {
    const int64_t sy = int64_t{y} + j;
    if (sy < 0 || sy >= height_) continue;
    for (int i = 0; i < width; ++i) {
      const int64_t sx = int64_t{x} + i;
      if (sx >= 0 && sx < width_ && GetPixel(static_cast<int>(sx), static_cast<int>(sy))) out.SetPixel(i, j, 1);
    }
  }
  return out;
}

TJBIG2BitmapPtr TJBIG2BitmapFactory::Make(int64_t width, int64_t height, bool fill) {
  auto bitmap = std::make_shared<TJBIG2Bitmap>(width, height, fill);
  usedPixels_ += static_cast<uint64_t>(bitmap->Width()) * static_cast<uint64_t>(bitmap->Height());
  if (usedPixels_ > kBudgetPixels) throw EJBIG2Error("bitmaps too large");
  return bitmap;
}

}  // namespace ostrel
