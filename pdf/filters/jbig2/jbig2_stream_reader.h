#pragma once
// Reads JBIG2 segment data: bytes, big-endian numbers and single bits. Reads
// past the end throw EJBIG2Error, except bits, which read as zero there so
// that Huffman codes at the very end still finish.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pdf/filters/jbig2/jbig2_bitmap.h"

namespace ostrel {

class TStreamReader {
 public:
  explicit TStreamReader(std::string_view data) : data_(data) {}

  size_t Position() const { return pos_; }
  size_t Remaining() const { return pos_ < data_.size() ? data_.size() - pos_ : 0; }
  uint64_t RemainingBits() const { return Remaining() * 8 - (Remaining() ? bit_ : 0); }
  std::string_view Rest() const { return data_.substr(std::min(pos_, data_.size())); }
  void Skip(size_t n) {
    AlignToByte();
    if (n > Remaining()) throw EJBIG2Error("segment data too short");
    pos_ += n;
  }
  uint32_t ReadByte() { return ReadNumber(1); }
  uint32_t ReadNumber(int bytes) {
    AlignToByte();
    if (static_cast<size_t>(bytes) > Remaining()) throw EJBIG2Error("segment data too short");
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | static_cast<uint8_t>(data_[pos_++]);
    return v;
  }
  int32_t ReadSigned32() { return static_cast<int32_t>(ReadNumber(4)); }
  int ReadSigned8() { return static_cast<int8_t>(ReadNumber(1)); }

  int ReadBit() {
    int bit = pos_ < data_.size() ? (static_cast<uint8_t>(data_[pos_]) >> (7 - bit_)) & 1 : 0;
    if (pos_ >= data_.size() && ++bitsPastEnd_ > 64) throw EJBIG2Error("Huffman data exhausted");
    if (++bit_ == 8) {
      bit_ = 0;
      ++pos_;
    }
    return bit;
  }
  uint32_t ReadBits(int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = (v << 1) | static_cast<uint32_t>(ReadBit());
    return v;
  }
  void AlignToByte() {
    if (bit_) {
      bit_ = 0;
      ++pos_;
    }
  }

 private:
  std::string_view data_;
  size_t pos_ = 0;
  int bit_ = 0;
  int bitsPastEnd_ = 0;
};

}  // namespace ostrel
