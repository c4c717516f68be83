#pragma once
// LZWDecode: variable-width codes of 9 to 12 bits with clear (256) and
// end-of-data (257) codes, most significant bit first for PDF; TIFF-style
// data may pack codes least significant bit first.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "pdf/filters/decode_limits.h"
#include "pdf/filters/predictor.h"

namespace ostrel {

class TPDFLZWDecompressor {
 public:
  int FillOrder = 1;         // 1: most significant bit first; 0: least first
  bool EarlyChange = true;   // grow the code size one code early
  int InitialCodeSize = 9;
  size_t MaxOutput = kMaxDecodedStreamBytes;

  // Decodes the whole input, then undoes the predictor when it is 2 or more
  // (rows keep their PNG tag bytes until the predictor removes them).
  std::string Decode(std::string_view data, const TPDFPredictorParams& params = {});

 private:
  static constexpr int kMaxCodeSize = 12;
  static constexpr int kTableSize = 1 << kMaxCodeSize;

  int ReadCode();
  void ResetCodeSize();
  void GrowIfDue();

  std::string_view input_;
  size_t inputPos_ = 0;
  int bitPos_ = 0;
  int codeSize_ = 9;
  unsigned bitMask_ = 0;
  int clearCode_ = 256;
  int endCode_ = 257;
  int nextCode_ = 258;
  int changeCode_ = 0;
  std::array<std::string, kTableSize> table_;
};

// Plain LZW without a predictor (the caller applies one if asked).
std::string LzwDecode(std::string_view data, bool earlyChange, bool lsbFirst = false,
                      size_t maxOutput = kMaxDecodedStreamBytes);

}  // namespace ostrel
