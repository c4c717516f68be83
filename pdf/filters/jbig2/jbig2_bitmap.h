#pragma once
// A bilevel bitmap for the JBIG2 decoder: packed rows, most significant bit
// first, each row padded to a byte; 1 is black.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

namespace ostrel {

// Ends decoding of a JBIG2 stream: damaged or hostile data.
class EJBIG2Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr uint64_t kMaxJBIG2BitmapPixels = uint64_t{1} << 28;

enum class TJBIG2CombinationOperator { Or = 0, And = 1, Xor = 2, Xnor = 3, Replace = 4 };

class TJBIG2Bitmap {
 public:
  // Throws EJBIG2Error above kMaxJBIG2BitmapPixels.
  TJBIG2Bitmap(int64_t width, int64_t height, bool fill = false);

  int Width() const { return width_; }
  int Height() const { return height_; }
  size_t Stride() const { return stride_; }
  uint8_t* Row(int y) { return data_.data() + static_cast<size_t>(y) * stride_; }
  const uint8_t* Row(int y) const { return data_.data() + static_cast<size_t>(y) * stride_; }
  const std::vector<uint8_t>& Data() const { return data_; }

  // Pixels outside the bitmap read as 0.
  int GetPixel(int x, int y) const {
    if (static_cast<unsigned>(x) >= static_cast<unsigned>(width_) ||
        static_cast<unsigned>(y) >= static_cast<unsigned>(height_))
      return 0;
    return (data_[static_cast<size_t>(y) * stride_ + (x >> 3)] >> (7 - (x & 7))) & 1;
  }
  void SetPixel(int x, int y, int value) {
    uint8_t& byte = data_[static_cast<size_t>(y) * stride_ + (x >> 3)];
    uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
    byte = value ? byte | mask : byte & ~mask;
  }
  void Fill(bool black);
  // Makes the bitmap taller, new rows filled with the given value.
  void Grow(int64_t height, bool fill);

  // Draws src with its top-left corner at (x, y); what falls outside is cut.
  void Combine(const TJBIG2Bitmap& src, int64_t x, int64_t y, TJBIG2CombinationOperator op);
  TJBIG2Bitmap Extract(int x, int y, int width, int height) const;

 private:
  int width_;
  int height_;
  size_t stride_;
  std::vector<uint8_t> data_;
};

using TJBIG2BitmapPtr = std::shared_ptr<TJBIG2Bitmap>;

// Makes the bitmaps of one stream and holds their total size to a budget, so
// that many bitmaps each under the per-bitmap cap cannot exhaust memory.
class TJBIG2BitmapFactory {
 public:
  static constexpr uint64_t kBudgetPixels = uint64_t{1} << 31;
  TJBIG2BitmapPtr Make(int64_t width, int64_t height, bool fill = false);

 private:
  uint64_t usedPixels_ = 0;
};

}  // namespace ostrel
