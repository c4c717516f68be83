#pragma once
// Huffman coding of JBIG2: tables made of lines (prefix length, range length,
// range low), with the standard tables B.1 to B.15 built in.
#include <cstdint>
#include <vector>

#include "pdf/filters/jbig2/jbig2_stream_reader.h"

namespace ostrel {

struct THuffmanLine {
  int32_t RangeLow;
  int PrefixLength;
  int RangeLength;
  enum TKind : uint8_t { Normal, Lower, Upper, OutOfBand } Kind = Normal;
};

class THuffmanTable {
 public:
  // Assigns the prefix codes from the lengths, shortest first and in line
  // order within a length. Throws EJBIG2Error for lengths that cannot form a
  // prefix code.
  explicit THuffmanTable(std::vector<THuffmanLine> lines);

  // The standard table B.n (1 <= n <= 15).
  static const THuffmanTable& Standard(int n);

 private:
  friend class THuffmanDecoder;
  static constexpr int kMaxPrefixLength = 32;
  std::vector<THuffmanLine> lines_;
  // Canonical codes of one length are consecutive: the lines of length n
  // hold codes firstCode_[n] onwards, in byLength_ from firstLine_[n] on.
  std::vector<uint32_t> byLength_;
  uint64_t firstCode_[kMaxPrefixLength + 1] = {};
  uint32_t count_[kMaxPrefixLength + 1] = {};
  uint32_t firstLine_[kMaxPrefixLength + 1] = {};
};

class THuffmanDecoder {
 public:
  explicit THuffmanDecoder(TStreamReader& reader) : reader_(reader) {}
  // false for the out-of-band value.
  bool Decode(const THuffmanTable& table, int32_t& value);
  // Decode for tables without OOB; an OOB there is damage.
  int32_t DecodeValue(const THuffmanTable& table);

 private:
  TStreamReader& reader_;
};

}  // namespace ostrel
