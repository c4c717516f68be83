#pragma once
// Bounded big-endian reading over a font program's bytes. Every read past the
// end yields 0 and marks the reader as overrun, so table parsers can walk
// damaged data without checking each step and stop once it runs out.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ostrel {

class TFontByteReader {
 public:
  explicit TFontByteReader(std::string_view data, size_t pos = 0) : data_(data), pos_(pos) {}

  size_t Pos() const { return pos_; }
  size_t Size() const { return data_.size(); }
  size_t Remaining() const { return pos_ < data_.size() ? data_.size() - pos_ : 0; }
  bool Overrun() const { return overrun_; }
  void Seek(size_t pos) {
    pos_ = pos;
    if (pos_ > data_.size()) overrun_ = true;
  }
  void Skip(size_t n) { Seek(n > Remaining() ? data_.size() + 1 : pos_ + n); }

  uint8_t U8() {
    if (pos_ >= data_.size()) {
      overrun_ = true;
      return 0;
    }
    return static_cast<uint8_t>(data_[pos_++]);
  }
  uint16_t U16() { return static_cast<uint16_t>((U8() << 8) | U8()); }
  int16_t S16() { return static_cast<int16_t>(U16()); }
  uint32_t U24() { return (uint32_t(U16()) << 8) | U8(); }
  uint32_t U32() { return (uint32_t(U16()) << 16) | U16(); }
  int32_t S32() { return static_cast<int32_t>(U32()); }
  // An unsigned offset of 1 to 4 bytes, as CFF INDEX structures use.
  uint32_t Offset(int size) {
    uint32_t v = 0;
    for (int i = 0; i < size; ++i) v = (v << 8) | U8();
    return v;
  }
  // F2Dot14: the top two bits as a signed integer plus the low 14 bits / 16384.
  double F2Dot14() { return S16() / 16384.0; }
  std::string_view Bytes(size_t n) {
    if (n > Remaining()) {
      overrun_ = true;
      pos_ = data_.size();
      return {};
    }
    std::string_view out = data_.substr(pos_, n);
    pos_ += n;
    return out;
  }

 private:
  std::string_view data_;
  size_t pos_;
  bool overrun_ = false;
};

}  // namespace ostrel
