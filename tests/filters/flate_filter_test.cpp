#include "pdf/filters/flate_filter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "platform/zlib_codec.h"

namespace ostrel {
namespace {

std::string Sample(size_t n, unsigned seed = 1) {
  std::mt19937 rng(seed);
  std::string s;
  for (size_t i = 0; i < n; ++i) s.push_back(static_cast<char>("abcdefgh \n"[rng() % 10]));
  return s;
}

TEST(FlateFilter, RoundTripsAndDecodesZlibOutput) {
  for (size_t n : {1u, 255u, 256u, 70000u}) {
    std::string text = Sample(n, static_cast<unsigned>(n));
    EXPECT_EQ(FlateDecode(FlateEncode(text)), text) << n;
    EXPECT_EQ(FlateDecode(ZlibDeflate(text, 9)), text) << n;
  }
  EXPECT_EQ(FlateEncode(""), "");
}

TEST(FlateFilter, DamagedStreamsKeepTheDecodedPrefix) {
  std::string text = Sample(200000);
  std::string packed = FlateEncode(text);
  bool complete = true;
  std::string cut = ZlibInflate(packed.substr(0, packed.size() / 2), 1 << 30, &complete);
  EXPECT_FALSE(complete);
  EXPECT_GT(cut.size(), text.size() / 4);
  EXPECT_EQ(cut, text.substr(0, cut.size()));

  std::string corrupt = packed;
  for (size_t i = packed.size() / 2; i < packed.size(); ++i) corrupt[i] = '\xff';
  // Everything before the damage survives (zlib may add a few bytes decoded
  // from the damaged block before it notices).
  std::string damaged = FlateDecode(corrupt);
  ASSERT_GE(damaged.size(), cut.size());
  EXPECT_TRUE(damaged.compare(0, cut.size(), cut) == 0);

  // A missing Adler-32 trailer still yields all the data.
  EXPECT_EQ(FlateDecode(packed.substr(0, packed.size() - 4)), text);
}

TEST(FlateFilter, NonZlibDataGivesNothing) {
  EXPECT_EQ(FlateDecode(""), "");
  EXPECT_EQ(FlateDecode("plain text, not deflated"), "");
  // A raw deflate stream (no zlib header) is not accepted either.
  EXPECT_EQ(FlateDecode(FlateEncode("hello").substr(2)), "");
}

TEST(FlateFilter, ExpansionIsFastAndBounded) {
  // 64 MiB of zeros packs into about 64 KiB; growing the output by a fixed
  // step would make this quadratic (tens of gigabytes copied). The limit is
  // loose so that a loaded machine or a sanitizer build still passes.
  std::string zeros(64u << 20, '\0');
  std::string packed = FlateEncode(zeros);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(FlateDecode(packed).size(), zeros.size());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));

  bool complete = true;
  EXPECT_EQ(ZlibInflate(packed, 1000, &complete).size(), 1000u);
  EXPECT_FALSE(complete);
  EXPECT_EQ(FlateDecode(packed, 12345).size(), 12345u);
}

TEST(FlateFilter, DecodePredictedUndoesPngRows) {
  // Two rows of 3 bytes, both tagged Sub.
  std::string rows("\x01\x01\x01\x01\x01\x02\x02\x02", 8);
  TPDFPredictorParams p{12, 1, 8, 3};
  EXPECT_EQ(FlateDecodePredicted(FlateEncode(rows), p), std::string("\x01\x02\x03\x02\x04\x06", 6));
}

}  // namespace
}  // namespace ostrel
