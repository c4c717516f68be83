#include "pdf/filters/lzw_decompressor.h"

#include <algorithm>

namespace ostrel {

void TPDFLZWDecompressor::ResetCodeSize() {
  codeSize_ = InitialCodeSize;
  bitMask_ = (1u << codeSize_) - 1;
  changeCode_ = (1 << codeSize_) - (EarlyChange ? 2 : 1);
}

void TPDFLZWDecompressor::GrowIfDue() {
  if (nextCode_ == changeCode_ && codeSize_ < kMaxCodeSize) {
    ++codeSize_;
    bitMask_ = (1u << codeSize_) - 1;
    changeCode_ = (1 << codeSize_) - (EarlyChange ? 2 : 1);
  }
  if (nextCode_ < kTableSize - 1) ++nextCode_;
}

// A code whose bits are not all inside the input reads as end-of-data, so a
// stream without its end code never yields codes made up from padding.
int TPDFLZWDecompressor::ReadCode() {
  uint64_t endBit = static_cast<uint64_t>(inputPos_) * 8 + bitPos_ + codeSize_;
  if (endBit > static_cast<uint64_t>(input_.size()) * 8) return endCode_;
  auto byteAt = [this](size_t i) -> uint32_t {
    return i < input_.size() ? static_cast<uint8_t>(input_[i]) : 0;
  };
  uint32_t b0 = byteAt(inputPos_), b1 = byteAt(inputPos_ + 1), b2 = byteAt(inputPos_ + 2);
  uint32_t code;
  if (FillOrder == 1) {
    uint32_t v = (b0 << 16) | (b1 << 8) | b2;
    code = (v >> (24 - bitPos_ - codeSize_)) & bitMask_;
  } else {
    uint32_t v = b0 | (b1 << 8) | (b2 << 16);
    code = (v >> bitPos_) & bitMask_;
  }
  bitPos_ += codeSize_;
  inputPos_ += bitPos_ >> 3;
  bitPos_ &= 7;
  return static_cast<int>(code);
}

std::string TPDFLZWDecompressor::Decode(std::string_view data, const TPDFPredictorParams& params) {
  input_ = data;
  inputPos_ = 0;
  bitPos_ = 0;
  if (InitialCodeSize < 3 || InitialCodeSize > kMaxCodeSize) InitialCodeSize = 9;
  ResetCodeSize();
  clearCode_ = 1 << (InitialCodeSize - 1);
  endCode_ = clearCode_ + 1;
  nextCode_ = clearCode_ + 2;
  for (int i = 0; i < kTableSize; ++i) table_[i].clear();
  for (int i = 0; i < clearCode_; ++i) table_[i].assign(1, static_cast<char>(i));

  std::string out;
  auto emit = [&](const std::string& s) {
    out.append(s, 0, std::min(s.size(), MaxOutput - out.size()));
  };

  int code = ReadCode();
  if (code == clearCode_) code = ReadCode();
  if (code == endCode_) return out;
  emit(table_[code]);
  int previous = code;

  while (out.size() < MaxOutput) {
    code = ReadCode();
    if (code == endCode_) break;
    if (code == clearCode_) {
      ResetCodeSize();
      // The first code after a clear "adds" an entry at end-of-data's slot,
      // which no encoder refers to; real entries start at clear + 2 again.
      nextCode_ = clearCode_ + 1;
      previous = code;
      continue;
    }
    if (code < nextCode_) {
      const std::string& entry = table_[code];
      emit(entry);
      if (!entry.empty()) {
        std::string added = table_[previous];
        added.push_back(entry[0]);
        table_[nextCode_] = std::move(added);
      }
    } else {
      std::string added = table_[previous];
      if (!added.empty()) added.push_back(added[0]);
      emit(added);
      table_[nextCode_] = std::move(added);
    }
    GrowIfDue();
    previous = code;
  }
  if (params.Predictor >= 2) return ApplyPredictor(out, params);
  return out;
}

std::string LzwDecode(std::string_view data, bool earlyChange, bool lsbFirst, size_t maxOutput) {
  TPDFLZWDecompressor decoder;
  decoder.EarlyChange = earlyChange;
  decoder.FillOrder = lsbFirst ? 0 : 1;
  decoder.MaxOutput = maxOutput;
  return decoder.Decode(data);
}

}  // namespace ostrel
