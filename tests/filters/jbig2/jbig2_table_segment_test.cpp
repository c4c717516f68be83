// Tables segments: the tables they carry and the limits that keep hostile
// ones cheap.
#include "pdf/filters/jbig2/jbig2_table_segment.h"

#include <gtest/gtest.h>

#include <chrono>

#include "tests/filters/jbig2/jbig2_test_encoder.h"
#include "pdf/filters/jbig2/jbig2_decoder.h"

namespace ostrel {
namespace {

using namespace jbig2test;

std::shared_ptr<const THuffmanTable> Parse(const std::string& data) {
  TStreamReader reader(data);
  return DecodeTableSegment(reader);
}

TEST(JBIG2TableSegment, DecodesValuesOnEveryKindOfLine) {
  // -8..-1 and 0..7 as normal lines, below -8 and from 24 up as range lines,
  // 8..23 as one more normal line, and OOB.
  TCustomTable custom{true, 3, 3, -8, 24, {{3, 3}, {1, 3}, {3, 4}}, 5, 5, 3};
  auto table = Parse(custom.SegmentData());
  const int64_t values[] = {-8, -1, 0, 7, 8, 23, -9, -1000000, 24, 2000000000};
  TBitWriter bits;
  for (int64_t v : values) custom.Table().Encode(bits, v);
  custom.Table().EncodeOOB(bits);
  std::string data = bits.Bytes();
  TStreamReader reader(data);
  THuffmanDecoder decoder(reader);
  for (int64_t v : values) EXPECT_EQ(decoder.DecodeValue(*table), v);
  int32_t value = 0;
  EXPECT_FALSE(decoder.Decode(*table, value));
}

TEST(JBIG2TableSegment, RefusesDamagedTables) {
  auto header = [](int flags, int32_t low, int32_t high) {
    return Number(flags, 1) + Number(static_cast<uint32_t>(low), 4) + Number(static_cast<uint32_t>(high), 4);
  };
  // Two billion one-value lines promised by a few bytes: the data runs out
  // long before the loop could take its time.
  auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(Parse(header(0, -1000000000, 1000000000) + std::string(64, '\x11')), EJBIG2Error);
  // The same from enough data is stopped by the line cap.
  EXPECT_THROW(Parse(header(0, 0, 1000000) + std::string(40000, '\x55')), EJBIG2Error);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  // A range wider than 32 bits (range lengths have up to 8 bits).
  TBitWriter wide;
  wide.Put(1, 8);
  wide.Put(33, 8);
  EXPECT_THROW(Parse(header(7 << 1 | 7 << 4, 0, 10) + wide.Bytes()), EJBIG2Error);
  // Three codes of one bit cannot be a prefix code.
  TCustomTable overfull{false, 3, 3, 0, 2, {{1, 0}, {1, 0}}, 1, 0, 0};
  EXPECT_THROW(Parse(overfull.SegmentData()), EJBIG2Error);
  // The lowest value must lie below the highest.
  EXPECT_THROW(Parse(header(0, 5, 5) + std::string(4, '\0')), EJBIG2Error);
  EXPECT_THROW(Parse(header(0, INT32_MIN, 5) + std::string(64, '\0')), EJBIG2Error);
}

TEST(JBIG2TableSegment, RegionsFailWithoutTheTablesTheySelect) {
  // A Huffman text region whose FS table is user-supplied.
  TJBIG2Bitmap glyph(3, 3, true);
  std::vector<TNewSymbol> symbols = {{glyph, {}}};
  std::string dictionary = Segment(0, 0, {}, SymbolDictionaryData(TDictionaryOptions(), {}, symbols, {true}));
  TCustomTable fs{false, 2, 3, 0, 64, {{1, 6}}, 2, 2, 0};
  static const TTestTable fsTable = fs.Table();
  TTextOptions o;
  o.Huffman = true;
  o.FS = &fsTable;
  o.DS = &StandardTable(8);
  o.DT = &StandardTable(11);
  o.HuffmanFlags = 3;
  o.SymbolCodeLengths = {1};
  std::vector<const TJBIG2Bitmap*> pointers = {&symbols[0].Bitmap};
  std::string region = RegionInfo(16, 8, 0, 0) + TextRegionData(o, pointers, {{0, 4, 2}});
  TOSLJBIG2Decoder decoder;

  std::string withTable = PageInfo(1, 16, 8) + Segment(2, 53, {}, fs.SegmentData()) + Segment(3, 6, {0, 2}, region);
  ASSERT_TRUE(decoder.Decode(withTable, dictionary)) << decoder.LastError();
  std::vector<uint8_t> row;
  decoder.Row(3, row);
  EXPECT_EQ(row, std::vector<uint8_t>({0, 0, 0, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

  // The table not referred to; a damaged table (skipped where it stands)
  // referred to instead.
  EXPECT_FALSE(decoder.Decode(PageInfo(1, 16, 8) + Segment(3, 6, {0}, region), dictionary));
  EXPECT_EQ(decoder.LastError(), "missing user-supplied Huffman table");
  std::string damaged = PageInfo(1, 16, 8) + Segment(2, 53, {}, "\x01\x02") + Segment(3, 6, {0, 2}, region);
  EXPECT_FALSE(decoder.Decode(damaged, dictionary));
  EXPECT_EQ(decoder.LastError(), "missing user-supplied Huffman table");
}

}  // namespace
}  // namespace ostrel
