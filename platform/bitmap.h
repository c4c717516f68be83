#pragma once
// In-memory raster standing in for the Windows device-independent bitmap.
// Rows run top-down. Pixel bytes follow the Windows order: 24-bit pixels are
// B, G, R; 32-bit pixels are B, G, R, A, which on a little-endian machine is
// the native 0xAARRGGBB word of CAIRO_FORMAT_ARGB32 / RGB24. Rows are padded
// to a multiple of 4 bytes, as both Windows and Cairo expect.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ostrel {

enum class TPixelFormat { pf1bit, pf4bit, pf8bit, pf24bit, pf32bit };

class Bitmap {
 public:
  // Largest pixel buffer a bitmap may hold; larger sizes are refused.
  static constexpr size_t kMaxBytes = size_t{1} << 30;

  Bitmap() = default;
  Bitmap(int width, int height, TPixelFormat format);
  virtual ~Bitmap() = default;
  Bitmap(const Bitmap&) = default;
  Bitmap& operator=(const Bitmap&) = default;
  Bitmap(Bitmap&&) = default;
  Bitmap& operator=(Bitmap&&) = default;

  // Reallocates the pixels, zero-filled. Returns false (and leaves the bitmap
  // empty) when a dimension is negative or the buffer would exceed kMaxBytes.
  bool SetSize(int width, int height, TPixelFormat format);

  int Width() const { return width_; }
  int Height() const { return height_; }
  size_t Stride() const { return stride_; }
  TPixelFormat PixelFormat() const { return format_; }
  int BitsPerPixel() const { return BitsPerPixel(format_); }
  bool Empty() const { return width_ == 0 || height_ == 0; }

  uint8_t* Row(int y) { return pixels_.data() + static_cast<size_t>(y) * stride_; }
  const uint8_t* Row(int y) const { return pixels_.data() + static_cast<size_t>(y) * stride_; }
  uint8_t* Data() { return pixels_.data(); }
  const uint8_t* Data() const { return pixels_.data(); }

  // Palette of the 1-, 4- and 8-bit forms: 0x00RRGGBB per entry.
  std::vector<uint32_t>& Palette() { return palette_; }
  const std::vector<uint32_t>& Palette() const { return palette_; }
  void SetGreyPalette();

  // Colour of a pixel as 0x00RRGGBB (alpha dropped), whatever the format.
  uint32_t PixelRGB(int x, int y) const;

  // A 24-bit copy: palette indexes looked up, alpha dropped.
  Bitmap ConvertedTo24Bit() const;
  // This bitmap when it is 24-bit, else its 24-bit copy made in `scratch`:
  // for readers of a whole page, which must not copy hundreds of megabytes
  // for nothing.
  const Bitmap& In24Bits(Bitmap& scratch) const;
  // The same conversion without a second buffer for a 32-bit bitmap (its rows
  // shrink in place; the memory is kept): a rendered page is converted when
  // it is at its largest.
  void ConvertTo24Bit();

  static int BitsPerPixel(TPixelFormat format);
  // Bytes per row for a width, rounded up to a multiple of 4 (0 on overflow).
  static size_t StrideFor(int width, TPixelFormat format);

 private:
  int width_ = 0;
  int height_ = 0;
  size_t stride_ = 0;
  TPixelFormat format_ = TPixelFormat::pf24bit;
  std::vector<uint8_t> pixels_;
  std::vector<uint32_t> palette_;
};

}  // namespace ostrel
