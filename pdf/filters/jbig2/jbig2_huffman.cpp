#include "pdf/filters/jbig2/jbig2_huffman.h"

#include <array>
#include <limits>

namespace ostrel {
namespace {

using L = THuffmanLine;
constexpr auto kLow = THuffmanLine::Lower;
constexpr auto kUp = THuffmanLine::Upper;

L Oob(int prefixLength) { return {0, prefixLength, 0, THuffmanLine::OutOfBand}; }

std::vector<std::vector<L>> StandardLines() {
  return {
      {},
      // B.1
      {{0, 1, 4}, {16, 2, 8}, {272, 3, 16}, {65808, 3, 32, kUp}},
      // B.2
      {{0, 1, 0}, {1, 2, 0}, {2, 3, 0}, {3, 4, 3}, {11, 5, 6}, {75, 6, 32, kUp}, Oob(6)},
      // B.3
      {{-256, 8, 8}, {0, 1, 0}, {1, 2, 0}, {2, 3, 0}, {3, 4, 3}, {11, 5, 6}, {-257, 8, 32, kLow},
       {75, 7, 32, kUp}, Oob(6)},
      // B.4
      {{1, 1, 0}, {2, 2, 0}, {3, 3, 0}, {4, 4, 3}, {12, 5, 6}, {76, 5, 32, kUp}},
      // B.5
      {{-255, 7, 8}, {1, 1, 0}, {2, 2, 0}, {3, 3, 0}, {4, 4, 3}, {12, 5, 6}, {-256, 7, 32, kLow},
       {76, 6, 32, kUp}},
      // B.6
      {{-2048, 5, 10}, {-1024, 4, 9}, {-512, 4, 8}, {-256, 4, 7}, {-128, 5, 6}, {-64, 5, 5},
       {-32, 4, 5}, {0, 2, 7}, {128, 3, 7}, {256, 3, 8}, {512, 4, 9}, {1024, 4, 10},
       {-2049, 6, 32, kLow}, {2048, 6, 32, kUp}},
      // B.7
      {{-1024, 4, 9}, {-512, 3, 8}, {-256, 4, 7}, {-128, 5, 6}, {-64, 5, 5}, {-32, 4, 5},
       {0, 4, 5}, {32, 5, 5}, {64, 5, 6}, {128, 4, 7}, {256, 3, 8}, {512, 3, 9}, {1024, 3, 10},
       {-1025, 5, 32, kLow}, {2048, 5, 32, kUp}},
      // B.8
      {{-15, 8, 3}, {-7, 9, 1}, {-5, 8, 1}, {-3, 9, 0}, {-2, 7, 0}, {-1, 4, 0}, {0, 2, 1},
       {2, 5, 0}, {3, 6, 0}, {4, 3, 4}, {20, 6, 1}, {22, 4, 4}, {38, 4, 5}, {70, 5, 6},
       {134, 5, 7}, {262, 6, 7}, {390, 7, 8}, {646, 6, 10}, {-16, 9, 32, kLow},
       {1670, 9, 32, kUp}, Oob(2)},
      // B.9
      {{-31, 8, 4}, {-15, 9, 2}, {-11, 8, 2}, {-7, 9, 1}, {-5, 7, 1}, {-3, 4, 1}, {-1, 3, 1},
       {1, 3, 1}, {3, 5, 1}, {5, 6, 1}, {7, 3, 5}, {39, 6, 2}, {43, 4, 5}, {75, 4, 6},
       {139, 5, 7}, {267, 5, 8}, {523, 6, 8}, {779, 7, 9}, {1291, 6, 11}, {-32, 9, 32, kLow},
       {3339, 9, 32, kUp}, Oob(2)},
      // B.10
      {{-21, 7, 4}, {-5, 8, 0}, {-4, 7, 0}, {-3, 5, 0}, {-2, 2, 2}, {2, 5, 0}, {3, 6, 0},
       {4, 7, 0}, {5, 8, 0}, {6, 2, 6}, {70, 5, 5}, {102, 6, 5}, {134, 6, 6}, {198, 6, 7},
       {326, 6, 8}, {582, 6, 9}, {1094, 6, 10}, {2118, 7, 11}, {-22, 8, 32, kLow},
       {4166, 8, 32, kUp}, Oob(2)},
      // B.11
      {{1, 1, 0}, {2, 2, 1}, {4, 4, 0}, {5, 4, 1}, {7, 5, 1}, {9, 5, 2}, {13, 6, 2}, {17, 7, 2},
       {21, 7, 3}, {29, 7, 4}, {45, 7, 5}, {77, 7, 6}, {141, 7, 32, kUp}},
      // B.12
      {{1, 1, 0}, {2, 2, 0}, {3, 3, 1}, {5, 5, 0}, {6, 5, 1}, {8, 6, 1}, {10, 7, 0}, {11, 7, 1},
       {13, 7, 2}, {17, 7, 3}, {25, 7, 4}, {41, 8, 5}, {73, 8, 32, kUp}},
      // B.13
      {{1, 1, 0}, {2, 3, 0}, {3, 4, 0}, {4, 5, 0}, {5, 4, 1}, {7, 3, 3}, {15, 6, 1}, {17, 6, 2},
       {21, 6, 3}, {29, 6, 4}, {45, 6, 5}, {77, 7, 6}, {141, 7, 32, kUp}},
      // B.14
      {{-2, 3, 0}, {-1, 3, 0}, {0, 1, 0}, {1, 3, 0}, {2, 3, 0}},
      // B.15
      {{-24, 7, 4}, {-8, 6, 2}, {-4, 5, 1}, {-2, 4, 0}, {-1, 3, 0}, {0, 1, 0}, {1, 3, 0},
       {2, 4, 0}, {3, 5, 1}, {5, 6, 2}, {9, 7, 4}, {-25, 7, 32, kLow}, {25, 7, 32, kUp}},
  };
}

}  // namespace

THuffmanTable::THuffmanTable(std::vector<THuffmanLine> lines) : lines_(std::move(lines)) {
  for (size_t i = 0; i < lines_.size(); ++i) {
    const THuffmanLine& line = lines_[i];
    if (line.PrefixLength < 0 || line.PrefixLength > kMaxPrefixLength || line.RangeLength < 0 ||
        line.RangeLength > 32)
      throw EJBIG2Error("bad Huffman table");
    if (line.PrefixLength > 0) ++count_[line.PrefixLength];
  }
  // Canonical assignment: each length's first code follows the last code of
  // the length before, shifted left; lines without a prefix get no code.
  uint32_t next = 0;
  for (int length = 1; length <= kMaxPrefixLength; ++length) {
    firstCode_[length] = (firstCode_[length - 1] + count_[length - 1]) << 1;
    if (count_[length] && firstCode_[length] + count_[length] > (uint64_t{1} << length))
      throw EJBIG2Error("bad Huffman table");
    firstLine_[length] = next;
    next += count_[length];
  }
  byLength_.resize(next);
  uint32_t filled[kMaxPrefixLength + 1] = {};
  for (size_t i = 0; i < lines_.size(); ++i) {
    int length = lines_[i].PrefixLength;
    if (length > 0) byLength_[firstLine_[length] + filled[length]++] = static_cast<uint32_t>(i);
  }
}

const THuffmanTable& THuffmanTable::Standard(int n) {
  static const std::vector<THuffmanTable> tables = [] {
    std::vector<THuffmanTable> t;
    auto all = StandardLines();
    for (auto& lines : all) t.emplace_back(std::move(lines));
    return t;
  }();
  if (n < 1 || n > 15) throw EJBIG2Error("no such standard Huffman table");
  return tables[static_cast<size_t>(n)];
}

bool THuffmanDecoder::Decode(const THuffmanTable& table, int32_t& value) {
  uint64_t code = 0;
  for (int length = 1; length <= THuffmanTable::kMaxPrefixLength; ++length) {
    code = (code << 1) | static_cast<uint64_t>(reader_.ReadBit());
    if (code < table.firstCode_[length] || code - table.firstCode_[length] >= table.count_[length])
      continue;
    const THuffmanLine& line =
        table.lines_[table.byLength_[table.firstLine_[length] + (code - table.firstCode_[length])]];
    if (line.Kind == THuffmanLine::OutOfBand) return false;
    int64_t offset = reader_.ReadBits(line.RangeLength);
    int64_t v = line.Kind == THuffmanLine::Lower ? int64_t{line.RangeLow} - offset
                                                 : int64_t{line.RangeLow} + offset;
    if (v > std::numeric_limits<int32_t>::max() || v < std::numeric_limits<int32_t>::min())
      throw EJBIG2Error("Huffman value out of range");
    value = static_cast<int32_t>(v);
    return true;
  }
  throw EJBIG2Error("invalid Huffman code");
}

int32_t THuffmanDecoder::DecodeValue(const THuffmanTable& table) {
  int32_t v = 0;
  if (!Decode(table, v)) throw EJBIG2Error("unexpected out-of-band value");
  return v;
}

}  // namespace ostrel
