#pragma once
// Our own PNG encoder: truecolour (or truecolour with alpha when a mask is
// set), 8 bits per sample, no interlace, every row with filter 0, all image
// data in one IDAT chunk.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/bitmap.h"

namespace ostrel {

class TPNGWriter {
 public:
  // Takes a 24-bit copy of the bitmap.
  void CreateFromBitmap(const Bitmap& bitmap);
  // Writes the bitmap itself, without a copy when it is 24-bit: it must stay
  // alive and unchanged until Write. A page of a huge drawing is hundreds of
  // megabytes, and a copy would double them.
  void ReferToBitmap(const Bitmap& bitmap);
  // Dots per inch written to pHYs (rounded; 0 writes 1 pixel per metre).
  void SetResolution(double dpi);
  // Marks one colour transparent through tRNS. The colour is 0x00BBGGRR:
  // red in the low byte, as everywhere in rendering.
  void SetTransparentColor(uint32_t color);
  // A missing mask changes nothing. Otherwise the mask's blue channel (after
  // conversion to 24 bits) becomes the alpha plane, bit-inverted when asked;
  // a mask of another size is sampled to the picture's size.
  void SetAlphaMask(const Bitmap* mask, bool invert);
  // Stored compressed in iCCP; an empty profile writes no chunk.
  void SetICCProfile(std::string_view profile);

  // Filtered rows up to this many bytes are deflated in one piece (fast);
  // larger ones one row at a time, so that a huge page is never held twice.
  void SetWholeImageLimit(size_t bytes) { wholeImageLimit_ = bytes; }

  // The complete file.
  std::string Write() const;

 private:
  static constexpr int kDeflateLevel = 6;

  // The zlib stream of the filtered rows, empty when compression failed.
  std::string CompressedRows() const;
  std::string CompressedWhole(size_t rowBytes, size_t total) const;
  std::string CompressedByRow(size_t rowBytes) const;
  // Row y as written: the filter byte, then RGB (or RGBA) samples.
  void FilterRow(int y, char* out) const;
  size_t RowBytes() const;
  const Bitmap& Picture() const { return source_ ? *source_ : picture_; }

  Bitmap picture_;
  const Bitmap* source_ = nullptr;  // the caller's 24-bit bitmap, when referred to
  int resolution_ = 0;
  bool useTransparent_ = false;
  uint32_t transparent_ = 0;
  std::vector<uint8_t> alpha_;  // one byte per pixel when a mask is set
  std::string compressedProfile_;
  size_t wholeImageLimit_ = size_t{32} << 20;
};

}  // namespace ostrel
