#include "pdf/filters/jbig2/jbig2_decoder.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "pdf/filters/ccitt/ccitt_decoder.h"
#include "pdf/filters/jbig2/jbig2_arithmetic_decoder.h"
#include "pdf/filters/jbig2/jbig2_bitmap.h"
#include "tests/filters/jbig2/jbig2_test_encoder.h"

namespace ostrel {
namespace {

using jbig2test::Number;
using jbig2test::RegionInfo;
using jbig2test::Segment;

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

std::string PageInfo(uint32_t width, uint32_t height, int flags = 0, int striping = 0) {
  return jbig2test::PageInfo(0, width, height, flags, striping);
}

std::string EncodeGeneric(const TJBIG2Bitmap& bm, int templ, bool typical) {
  jbig2test::TMQEncoder enc;
  jbig2test::TMQStats stats(size_t{1} << 16);
  jbig2test::TGenericOptions o;
  o.Template = templ;
  o.TypicalPrediction = typical;
  if (templ != 0) o.AT[0] = templ <= 1 ? 3 : 2;
  jbig2test::EncodeGeneric(enc, stats, bm, o);
  return enc.Finish();
}

TJBIG2Bitmap RandomBitmap(int w, int h, unsigned seed) {
  TJBIG2Bitmap bm(w, h);
  std::mt19937 random(seed);
  for (int y = 0; y < h; ++y) {
    if (y % 4 == 3) {  // repeated rows for typical prediction
      for (int x = 0; x < w; ++x) bm.SetPixel(x, y, bm.GetPixel(x, y - 1));
      continue;
    }
    for (int x = 0; x < w; ++x) bm.SetPixel(x, y, (random() % 5 == 0) ^ (x / 7 % 2));
  }
  return bm;
}

TEST(JBIG2ArithmeticDecoder, StandardTestSequence) {
  std::string encoded = Bytes({0x84, 0xC7, 0x3B, 0xFC, 0xE1, 0xA1, 0x43, 0x04, 0x02, 0x20, 0x00, 0x00, 0x41, 0x0D, 0xBB,
                               0x86, 0xF4, 0x31, 0x7F, 0xFF, 0x88, 0xFF, 0x37, 0x47, 0x1A, 0xDB, 0x6A, 0xDF, 0xFF, 0xAC});
  std::string expected = Bytes({0x00, 0x02, 0x00, 0x51, 0x00, 0x00, 0x00, 0xC0, 0x03, 0x52, 0x87, 0x2A, 0xAA, 0xAA, 0xAA, 0xAA,
                                0x82, 0xC0, 0x20, 0x00, 0xFC, 0xD7, 0x9E, 0xF6, 0xBF, 0x7F, 0xED, 0x90, 0x4F, 0x46, 0xA3, 0xBF});
  TArithmeticDecoder decoder(encoded);
  TArithmeticDecoderStats stats(1);
  std::string decoded;
  for (size_t i = 0; i < expected.size(); ++i) {
    int byte = 0;
    for (int j = 0; j < 8; ++j) byte = byte << 1 | decoder.DecodeBit(stats, 0);
    decoded.push_back(static_cast<char>(byte));
  }
  EXPECT_EQ(decoded, expected);
  // Our encoder reproduces the same bytes, so the tests built on it agree with the standard.
  jbig2test::TMQEncoder encoder;
  jbig2test::TMQStats encoderStats(1);
  for (char c : expected)
    for (int j = 7; j >= 0; --j) encoder.Encode(encoderStats, 0, (static_cast<uint8_t>(c) >> j) & 1);
  EXPECT_EQ(encoder.Finish(), encoded);
}

TEST(JBIG2Decoder, GenericRegionsEveryTemplate) {
  for (int templ = 0; templ < 4; ++templ) {
    for (bool typical : {false, true}) {
      SCOPED_TRACE(testing::Message() << "template " << templ << " TPGDON " << typical);
      TJBIG2Bitmap bm = RandomBitmap(37, 23, 11u + templ);
      std::string at = templ == 0 ? Bytes({3, 0xFF, 0xFD, 0xFF, 2, 0xFE, 0xFE, 0xFE}) : templ == 1 ? Bytes({3, 0xFF}) : Bytes({2, 0xFF});
      std::string region = RegionInfo(37, 23, 5, 4) + Number(templ << 1 | typical << 3, 1) + at +
                           EncodeGeneric(bm, templ, typical);
      std::string data = PageInfo(50, 30) + Segment(1, 38, {}, region);
      TOSLJBIG2Decoder decoder;
      ASSERT_TRUE(decoder.Decode(data)) << decoder.LastError();
      ASSERT_EQ(decoder.Width(), 50);
      ASSERT_EQ(decoder.Height(), 30);
      std::vector<uint8_t> row;
      for (int y = 0; y < 30; ++y) {
        decoder.Row(y, row);
        for (int x = 0; x < 50; ++x) ASSERT_EQ(row[x], bm.GetPixel(x - 5, y - 4)) << x << "," << y;
      }
    }
  }
}

TEST(JBIG2Decoder, MmrGenericRegionAndCombination) {
  // T.6 data made by libtiff, placed twice with XOR: the overlap cancels.
  const int w = 40, h = 12;
  TJBIG2Bitmap bm = RandomBitmap(w, h, 5);
  std::string path = (std::filesystem::temp_directory_path() / ("jbig2_mmr_" + std::to_string(::getpid()) + ".tif")).string();
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  ASSERT_TRUE(tif);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, h);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
  for (int y = 0; y < h; ++y) TIFFWriteScanline(tif, bm.Row(y), y, 0);
  TIFFClose(tif);
  tif = TIFFOpen(path.c_str(), "r");
  std::string raw(TIFFRawStripSize(tif, 0), '\0');
  raw.resize(TIFFReadRawStrip(tif, 0, raw.data(), raw.size()));
  TIFFClose(tif);
  std::filesystem::remove(path);

  std::string data = PageInfo(w + 10, h) + Segment(1, 38, {}, RegionInfo(w, h, 0, 0, 2) + Number(1, 1) + raw) +
                     Segment(2, 38, {}, RegionInfo(w, h, 10, 0, 2) + Number(1, 1) + raw);
  TOSLJBIG2Decoder decoder;
  ASSERT_TRUE(decoder.Decode(data)) << decoder.LastError();
  std::vector<uint8_t> row;
  for (int y = 0; y < h; ++y) {
    decoder.Row(y, row);
    for (int x = 0; x < w + 10; ++x) ASSERT_EQ(row[x], bm.GetPixel(x, y) ^ bm.GetPixel(x - 10, y)) << x << "," << y;
  }
}

TEST(JBIG2Decoder, PageRulesAndSkippedSegments) {
  TOSLJBIG2Decoder decoder;
  // Unknown height: the maximum stripe height; a tables segment is passed over.
  std::string data = PageInfo(16, 0xFFFFFFFF, 1 << 2, 0x8000 | 128) + Segment(1, 53, {}, Bytes({1, 2, 3}));
  ASSERT_TRUE(decoder.Decode(data)) << decoder.LastError();
  EXPECT_EQ(decoder.Height(), 128);
  EXPECT_EQ(decoder.Packed(), std::vector<uint8_t>(2 * 128, 0xFF));  // default pixel black
  std::vector<uint8_t> row;
  EXPECT_FALSE(decoder.Row(128, row));
  EXPECT_EQ(row, std::vector<uint8_t>(16, 0));

  // An end of stripe further down grows a page of unknown height.
  data += Segment(2, 50, {}, Number(199, 4));
  ASSERT_TRUE(decoder.Decode(data));
  EXPECT_EQ(decoder.Height(), 200);

  EXPECT_FALSE(decoder.Decode(Segment(0, 53, {}, "")));  // no page
  EXPECT_FALSE(decoder.Decode(PageInfo(0, 10)));
}

TEST(JBIG2Decoder, HostileSizesAndReferences) {
  TOSLJBIG2Decoder decoder;
  // A page of 2^32 - 2 by 2^32 - 2 pixels is refused before it is allocated.
  EXPECT_FALSE(decoder.Decode(PageInfo(0xFFFFFFFE, 0xFFFFFFFE)));
  // A region far larger than the page is refused too; one partly outside is cut.
  std::string huge = PageInfo(8, 8) + Segment(1, 38, {}, RegionInfo(0x10000000, 0x10000000, 0, 0) + Number(1, 1));
  EXPECT_FALSE(decoder.Decode(huge));
  // A segment referring to itself is ignored; a symbol dictionary claiming
  // 2^32 - 1 new symbols from a few bytes fails quickly.
  std::string selfRef = PageInfo(8, 8) + Segment(1, 0, {1}, Bytes({0, 0, 3, 0xFF, 0xFD, 0xFF, 2, 0xFE, 0xFE, 0xFE}) +
                                                             Number(1, 4) + Number(1, 4));
  EXPECT_TRUE(decoder.Decode(selfRef));
  std::string manySymbols = PageInfo(8, 8) + Segment(1, 0, {}, Bytes({0, 0, 3, 0xFF, 0xFD, 0xFF, 2, 0xFE, 0xFE, 0xFE}) +
                                                                 Number(1, 4) + Number(0xFFFFFFFF, 4) + "\x12\x34");
  EXPECT_FALSE(decoder.Decode(manySymbols));
  // A generic region whose arithmetic data runs out long before its pixels
  // are done stops instead of decoding 2^28 pixels of filler.
  std::string starved = PageInfo(8, 8) + Segment(1, 38, {}, RegionInfo(16384, 16384, 0, 0) + Number(0, 1) +
                                                                Bytes({3, 0xFF, 0xFD, 0xFF, 2, 0xFE, 0xFE, 0xFE, 0x55}));
  EXPECT_FALSE(decoder.Decode(starved));
  // Found by fuzzing: refining the page far out on the right read pixel
  // positions that overflowed.
  std::string farRight = PageInfo(16, 16) + Segment(1, 42, {}, RegionInfo(8, 8, 0x7FFFFFFC, 0) + Number(1, 1) +
                                                                   Bytes({0x12, 0x34, 0xFF, 0xAC}));
  EXPECT_TRUE(decoder.Decode(farRight)) << decoder.LastError();
  // Found by fuzzing: a region of no width with typical prediction copied
  // rows of no bytes from a null buffer.
  std::string noWidth = PageInfo(16, 16) + Segment(1, 38, {}, RegionInfo(0, 8, 0, 0) + Number(1 << 3, 1) +
                                                                  Bytes({3, 0xFF, 0xFD, 0xFF, 2, 0xFE, 0xFE, 0xFE}) +
                                                                  EncodeGeneric(TJBIG2Bitmap(0, 8), 0, true));
  EXPECT_TRUE(decoder.Decode(noWidth)) << decoder.LastError();
}

TEST(JBIG2Decoder, HalftoneGridBoundToItsRegion) {
  // Found by fuzzing: a 40 x 30 halftone region with a grid of 12 x 9818594
  // cells, nearly all skipped, kept the decoder busy for seconds.
  std::vector<TJBIG2Bitmap> patterns(16, TJBIG2Bitmap(4, 4));
  std::string grid = Number(0x4C, 1) + Number(12, 4) + Number(9818594, 4) + Number(0xC927D1F3, 4) +
                     Number(0x170F1C99, 4) + Number(0xE7FF, 2) + Number(0xAC00, 2) + Bytes({0x95, 0xD1, 0xFF, 0xAC});
  std::string data = PageInfo(48, 36) + Segment(2, 16, {}, jbig2test::PatternDictionaryData(patterns, 2)) +
                     Segment(3, 22, {2}, RegionInfo(40, 30, 5, 3) + grid);
  // Another: a grid of no columns and 201 million rows.
  std::string empty = Number(0, 1) + Number(0, 4) + Number(0x0C000200, 4) + Number(0xFFFFFA00, 4) + Number(2, 4) +
                      Number(0x8004, 2) + Number(0, 2) + Bytes({0x00, 0xE7, 0xFF, 0xAC});
  std::string data2 = PageInfo(48, 36) + Segment(2, 16, {}, jbig2test::PatternDictionaryData(patterns, 0)) +
                      Segment(3, 22, {2}, RegionInfo(40, 30, 5, 3) + empty);
  // And a region of 2883624 x 30 pixels with a grid of 2752512 x 32 cells:
  // within the pixel caps, but drawing its patterns would take seconds.
  std::string wide = Number(0, 1) + Number(2752512, 4) + Number(32, 4) + Number(0, 4) + Number(0, 4) +
                     Number(0x0400, 2) + Number(0, 2) + Bytes({0x00, 0xE7, 0xFF, 0xAC});
  std::string data3 = PageInfo(48, 36) + Segment(2, 16, {}, jbig2test::PatternDictionaryData(patterns, 0)) +
                      Segment(3, 22, {2}, RegionInfo(2883624, 30, 5, 3) + wide);
  auto start = std::chrono::steady_clock::now();
  TOSLJBIG2Decoder decoder;
  EXPECT_FALSE(decoder.Decode(data3));
  EXPECT_EQ(decoder.LastError(), "halftone grid too large");
  EXPECT_FALSE(decoder.Decode(data));
  EXPECT_EQ(decoder.LastError(), "halftone grid too large");
  EXPECT_FALSE(decoder.Decode(data2));
  EXPECT_EQ(decoder.LastError(), "halftone grid too large");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

// A fuzzer's input: the first byte splits the rest into globals and data.
void DecodeFuzzInput(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  std::string_view all(bytes.data() + 1, bytes.size() - 1);
  const size_t split = all.size() * static_cast<uint8_t>(bytes[0]) / 256;
  TOSLJBIG2Decoder decoder;
  decoder.Decode(all.substr(split), all.substr(0, split));
}

TEST(JBIG2Decoder, FuzzFindingsDecodeSafely) {
  // A refined text region instance whose reference offset is near -2^31:
  // positions in the reference overflowed (caught by the sanitizer build).
  DecodeFuzzInput(
      "6E0000000000000100000080040003FF0000000C0000000C47DDACA398982F8808066F2F5E5D45378A26FD5C4B6212E6"
      "D9AAAE6DB81C5ABC11B8A014AF644B9C2EA20FC31C3FA8082E5A67A054F7464382B7868CCA91F7231853FAA12EDC0052"
      "A1B6B27333D599B71EB0A9D43FCF8B346EF879605BA053DA2810A41C6CCE93B4C1AAB4E3A739D49EFF7FFFAC00000001"
      "300001000000130000004000000030000000000000000000000000000009062000010000008F00000040000000300000"
      "00000000000000803E0000001491ED78CD215933CBF6CFBC97458750516085FA424316BF6C0D9304F8B416BD4BA5F4C2"
      "5101A537CD43BCC26B02FD9685806367995DE44795813FA8CF0B352A75F7FF2F1FB9E2411BC8821FE6D110D1827D033F"
      "999CD293217755A3A190D036F321116058299AE9691A3438BB70F28750A9FCD3FBAF87FFAC");
}

}  // namespace
}  // namespace ostrel
