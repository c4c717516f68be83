#pragma once
// JBIG2Decode: the segments of a PDF's JBIG2 stream, after those of its
// /JBIG2Globals stream, decoded into the bitmap of page 1.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

class TOSLJBIG2Decoder {
 public:
  // True when a page of non-zero size was produced without error. After an
  // error the page drawn so far is still available. A whole JBIG2 file (with
  // its header) is accepted too.
  bool Decode(std::string_view data, std::string_view globals = {});

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Row i with one byte per pixel, 0 white and 1 black; a row outside the
  // page gives zeros and false.
  bool Row(int i, std::vector<uint8_t>& row) const;
  // The page packed: rows of (width + 7) / 8 bytes, most significant bit
  // first, 1 for black.
  size_t RowBytes() const { return (static_cast<size_t>(width_) + 7) / 8; }
  const std::vector<uint8_t>& Packed() const { return packed_; }
  // Why the last Decode failed, or why it stopped early.
  const std::string& LastError() const { return lastError_; }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint8_t> packed_;
  std::string lastError_;
};

}  // namespace ostrel
