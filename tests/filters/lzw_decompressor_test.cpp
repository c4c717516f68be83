#include "pdf/filters/lzw_decompressor.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace ostrel {
namespace {

// A straightforward LZW encoder to produce test streams in both bit orders
// and both code-growth conventions.
std::string LzwEncode(const std::string& data, bool earlyChange, bool lsbFirst,
                      bool clearInMiddle = false) {
  std::string out;
  uint32_t acc = 0;
  int accBits = 0;
  int size = 9;
  auto put = [&](int code) {
    if (lsbFirst) {
      acc |= static_cast<uint32_t>(code) << accBits;
      accBits += size;
      while (accBits >= 8) {
        out.push_back(static_cast<char>(acc & 0xFF));
        acc >>= 8;
        accBits -= 8;
      }
    } else {
      acc = (acc << size) | static_cast<uint32_t>(code);
      accBits += size;
      while (accBits >= 8) {
        out.push_back(static_cast<char>((acc >> (accBits - 8)) & 0xFF));
        accBits -= 8;
      }
    }
  };
  std::map<std::string, int> table;
  int next = 258;
  auto reset = [&] {
    table.clear();
    for (int i = 0; i < 256; ++i) table[std::string(1, static_cast<char>(i))] = i;
    next = 258;
  };
  reset();
  put(256);
  std::string w;
  for (size_t i = 0; i < data.size(); ++i) {
    std::string wc = w + data[i];
    if (table.count(wc)) {
      w = wc;
      continue;
    }
    put(table[w]);
    table[wc] = next++;
    if (next - 1 + (earlyChange ? 1 : 0) == (1 << size) && size < 12) ++size;
    w = std::string(1, data[i]);
    if (next >= 4093 || (clearInMiddle && i == data.size() / 2)) {
      put(table[w]);
      put(256);
      size = 9;
      reset();
      w.clear();
    }
  }
  if (!w.empty()) put(table[w]);
  put(257);
  if (accBits > 0) put(0);  // flush the last partial byte
  return out;
}

std::string Sample(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s;
  for (size_t i = 0; i < n; ++i) s.push_back(static_cast<char>('a' + rng() % 6));
  return s;
}

TEST(LzwDecompressor, KnownVector) {
  // The classic example "-----A---B" with early change.
  std::string encoded("\x80\x0B\x60\x50\x22\x0C\x0C\x85\x01", 9);
  EXPECT_EQ(LzwDecode(encoded, true), "-----A---B");
}

TEST(LzwDecompressor, RoundTripsEveryBitOrderAndGrowthRule) {
  // 60000 symbols fill the table several times, passing every code size.
  std::string text = Sample(60000, 7);
  for (bool early : {true, false})
    for (bool lsb : {false, true})
      EXPECT_EQ(LzwDecode(LzwEncode(text, early, lsb), early, lsb), text)
          << "early " << early << " lsb " << lsb;
}

TEST(LzwDecompressor, EarlyChangeMatters) {
  // Enough codes to pass the first size change: decoding with the wrong rule
  // goes astray once the encoder switches to 10 bits.
  std::string text = Sample(3000, 3);
  EXPECT_NE(LzwDecode(LzwEncode(text, false, false), true), text);
  EXPECT_NE(LzwDecode(LzwEncode(text, true, false), false), text);
}

TEST(LzwDecompressor, ClearCodeInTheMiddle) {
  std::string text = Sample(5000, 9);
  EXPECT_EQ(LzwDecode(LzwEncode(text, true, false, true), true), text);
}

TEST(LzwDecompressor, MissingEndCodeDoesNotInventBytes) {
  std::string encoded = LzwEncode("ABABABABAB", true, false);
  // Drop the end-of-data code: the decoder must stop at the end of the input
  // rather than read a code out of padding zeros.
  encoded.resize(encoded.size() - 2);
  std::string decoded = LzwDecode(encoded, true);
  EXPECT_EQ(decoded, std::string("ABABABABAB").substr(0, decoded.size()));
  EXPECT_EQ(LzwDecode("", true), "");
}

TEST(LzwDecompressor, PngPredictorRowsLoseTheirTagBytes) {
  std::string rows("\x02\x01\x02\x03\x02\x01\x01\x01", 8);
  TPDFLZWDecompressor lzw;
  std::string out = lzw.Decode(LzwEncode(rows, true, false), TPDFPredictorParams{15, 1, 8, 3});
  EXPECT_EQ(out, std::string("\x01\x02\x03\x02\x03\x04", 6));
}

TEST(LzwDecompressor, RunawayTableIsBoundedByTheOutputCap) {
  // Repeating the last table code over and over makes each entry one byte
  // longer than the previous: output grows quadratically with input.
  std::string encoded = LzwEncode(std::string(200000, 'x'), true, false);
  TPDFLZWDecompressor lzw;
  lzw.MaxOutput = 1 << 20;
  EXPECT_LE(lzw.Decode(encoded).size(), size_t{1} << 20);
  std::string hostile(20000, '\xff');  // all-ones codes: at or past the next free code
  EXPECT_LE(lzw.Decode(hostile).size(), size_t{1} << 20);
}

}  // namespace
}  // namespace ostrel
