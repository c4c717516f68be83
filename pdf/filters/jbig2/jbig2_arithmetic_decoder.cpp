#include "pdf/filters/jbig2/jbig2_arithmetic_decoder.h"

#include "pdf/filters/jbig2/jbig2_bitmap.h"

namespace ostrel {
namespace {

struct TQeEntry {
  uint16_t Qe;
  uint8_t Nmps, Nlps, Switch;
};

constexpr TQeEntry kQe[47] = {
    {0x5601, 1, 1, 1},   {0x3401, 2, 6, 0},   {0x1801, 3, 9, 0},   {0x0AC1, 4, 12, 0},
    {0x0521, 5, 29, 0},  {0x0221, 38, 33, 0}, {0x5601, 7, 6, 1},   {0x5401, 8, 14, 0},
    {0x4801, 9, 14, 0},  {0x3801, 10, 14, 0}, {0x3001, 11, 17, 0}, {0x2401, 12, 18, 0},
    {0x1C01, 13, 20, 0}, {0x1601, 29, 21, 0}, {0x5601, 15, 14, 1}, {0x5401, 16, 14, 0},
    {0x5101, 17, 15, 0}, {0x4801, 18, 16, 0}, {0x3801, 19, 17, 0}, {0x3401, 20, 18, 0},
    {0x3001, 21, 19, 0}, {0x2801, 22, 19, 0}, {0x2401, 23, 20, 0}, {0x2201, 24, 21, 0},
    {0x1C01, 25, 22, 0}, {0x1801, 26, 23, 0}, {0x1601, 27, 24, 0}, {0x1401, 28, 25, 0},
    {0x1201, 29, 26, 0}, {0x1101, 30, 27, 0}, {0x0AC1, 31, 28, 0}, {0x09C1, 32, 29, 0},
    {0x08A1, 33, 30, 0}, {0x0521, 34, 31, 0}, {0x0441, 35, 32, 0}, {0x02A1, 36, 33, 0},
    {0x0221, 37, 34, 0}, {0x0141, 38, 35, 0}, {0x0111, 39, 36, 0}, {0x0085, 40, 37, 0},
    {0x0049, 41, 38, 0}, {0x0025, 42, 39, 0}, {0x0015, 43, 40, 0}, {0x0009, 44, 41, 0},
    {0x0005, 45, 42, 0}, {0x0001, 45, 43, 0}, {0x5601, 46, 46, 0},
};

}  // namespace

TArithmeticDecoder::TArithmeticDecoder(std::string_view data) : data_(data) {
  c_ = static_cast<uint32_t>(ByteAt(0)) << 16;
  ByteIn();
  c_ <<= 7;
  ct_ -= 7;
  a_ = 0x8000;
}

void TArithmeticDecoder::ByteIn() {
  if (ByteAt(pos_) == 0xFF) {
    if (ByteAt(pos_ + 1) > 0x8F) {
      // A marker or the end of the data: feed 1 bits without moving on.
      c_ += 0xFF00;
      ct_ = 8;
      if (++pastEnd_ > kMaxBytesPastEnd) throw EJBIG2Error("arithmetic data exhausted");
    } else {
      ++pos_;
      c_ += static_cast<uint32_t>(ByteAt(pos_)) << 9;
      ct_ = 7;
    }
  } else {
    ++pos_;
    c_ += static_cast<uint32_t>(ByteAt(pos_)) << 8;
    ct_ = 8;
  }
}

int TArithmeticDecoder::DecodeBit(TArithmeticDecoderStats& stats, size_t context) {
  uint8_t& index = stats.index_[context];
  uint8_t& mps = stats.mps_[context];
  const TQeEntry& e = kQe[index];
  int d;
  // The less probable symbol owns the bottom Qe of the interval.
  a_ -= e.Qe;
  if ((c_ >> 16) < e.Qe) {
    if (a_ < e.Qe) {
      d = mps;
      index = e.Nmps;
    } else {
      d = 1 - mps;
      if (e.Switch) mps = static_cast<uint8_t>(1 - mps);
      index = e.Nlps;
    }
    a_ = e.Qe;
  } else {
    c_ -= static_cast<uint32_t>(e.Qe) << 16;
    if (a_ & 0x8000) return mps;
    if (a_ < e.Qe) {
      d = 1 - mps;
      if (e.Switch) mps = static_cast<uint8_t>(1 - mps);
      index = e.Nlps;
    } else {
      d = mps;
      index = e.Nmps;
    }
  }
  do {
    if (ct_ == 0) ByteIn();
    a_ <<= 1;
    c_ <<= 1;
    --ct_;
  } while (!(a_ & 0x8000));
  return d;
}

bool TArithmeticDecoder::DecodeInt(TArithmeticDecoderStats& stats, int32_t& value) {
  uint32_t prev = 1;
  auto bit = [&]() {
    int d = DecodeBit(stats, prev);
    prev = prev < 256 ? (prev << 1) | d : (((prev << 1) | d) & 511) | 256;
    return d;
  };
  int sign = bit();
  // Prefix bits choose how many value bits follow and the offset they add to.
  static const struct {
    int Bits;
    uint32_t Offset;
  } kRanges[] = {{2, 0}, {4, 4}, {6, 20}, {8, 84}, {12, 340}, {32, 4436}};
  size_t range = 0;
  while (range < 5 && bit()) ++range;
  uint32_t v = 0;
  for (int i = 0; i < kRanges[range].Bits; ++i) v = (v << 1) | static_cast<uint32_t>(bit());
  uint64_t total = static_cast<uint64_t>(v) + kRanges[range].Offset;
  if (sign && total == 0) return false;
  if (total > 0x7FFFFFFF) total = 0x7FFFFFFF;  // no valid stream goes this far
  value = sign ? -static_cast<int32_t>(total) : static_cast<int32_t>(total);
  return true;
}

uint32_t TArithmeticDecoder::DecodeIAID(TArithmeticDecoderStats& stats, int codeLength) {
  uint32_t prev = 1;
  for (int i = 0; i < codeLength; ++i) prev = (prev << 1) | static_cast<uint32_t>(DecodeBit(stats, prev));
  return prev - (1u << codeLength);
}

}  // namespace ostrel
