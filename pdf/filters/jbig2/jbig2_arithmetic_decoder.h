#pragma once
// The MQ arithmetic decoder of JBIG2 with its integer (IAx) and symbol ID
// (IAID) procedures.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace ostrel {

// Adaptive probability states, one per context.
class TArithmeticDecoderStats {
 public:
  explicit TArithmeticDecoderStats(size_t contexts = 0) : index_(contexts, 0), mps_(contexts, 0) {}
  void Reset() {
    std::fill(index_.begin(), index_.end(), 0);
    std::fill(mps_.begin(), mps_.end(), 0);
  }
  size_t Size() const { return index_.size(); }

 private:
  friend class TArithmeticDecoder;
  std::vector<uint8_t> index_;
  std::vector<uint8_t> mps_;
};

class TArithmeticDecoder {
 public:
  // Past the data the decoder is fed 1 bits; after this many such bytes the
  // data counts as exhausted and decoding throws EJBIG2Error, so that a huge
  // count read from a tiny stream cannot keep it busy.
  static constexpr int kMaxBytesPastEnd = 64;

  explicit TArithmeticDecoder(std::string_view data);
  int DecodeBit(TArithmeticDecoderStats& stats, size_t context);
  // The IAx procedure: false for the out-of-band value.
  bool DecodeInt(TArithmeticDecoderStats& stats, int32_t& value);
  // The IAID procedure for codeLength-bit symbol IDs (stats of 2^(length+1)).
  uint32_t DecodeIAID(TArithmeticDecoderStats& stats, int codeLength);
  // Bytes read so far.
  size_t Position() const { return pos_; }

 private:
  uint8_t ByteAt(size_t i) const { return i < data_.size() ? static_cast<uint8_t>(data_[i]) : 0xFF; }
  void ByteIn();

  std::string_view data_;
  size_t pos_ = 0;
  uint32_t c_ = 0;
  uint32_t a_ = 0;
  int ct_ = 0;
  int pastEnd_ = 0;
};

}  // namespace ostrel
