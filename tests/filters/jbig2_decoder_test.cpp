#include "pdf/filters/jbig2_decoder.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "pdf/filters/ccitt_decoder.h"
#include "pdf/filters/jbig2_arithmetic_decoder.h"
#include "pdf/filters/jbig2_bitmap.h"

namespace ostrel {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

std::string Number(uint32_t v, int bytes) {
  std::string s;
  for (int i = bytes - 1; i >= 0; --i) s.push_back(static_cast<char>(v >> (8 * i)));
  return s;
}

// A segment header (short form, one-byte page association) and its data.
std::string Segment(uint32_t number, int type, std::vector<uint32_t> refs, const std::string& data,
                    uint32_t length = 0xFFFFFFFE) {
  std::string s = Number(number, 4) + Number(type, 1) + Number(refs.size() << 5, 1);
  for (uint32_t r : refs) s += Number(r, 1);
  s += Number(1, 1) + Number(length == 0xFFFFFFFE ? data.size() : length, 4);
  return s + data;
}

std::string PageInfo(uint32_t width, uint32_t height, int flags = 0, int striping = 0) {
  return Segment(0, 48, {}, Number(width, 4) + Number(height, 4) + Number(0, 4) + Number(0, 4) + Number(flags, 1) +
                                Number(striping, 2));
}

std::string RegionInfo(uint32_t w, uint32_t h, uint32_t x, uint32_t y, int op = 0) {
  return Number(w, 4) + Number(h, 4) + Number(x, 4) + Number(y, 4) + Number(op, 1);
}

// The MQ encoder, written from the standard's encoder flow charts, to make
// arithmetic test data.
class TMQEncoder {
 public:
  void Encode(size_t cx, int d) {
    static const uint16_t kQe[47] = {
        0x5601, 0x3401, 0x1801, 0x0AC1, 0x0521, 0x0221, 0x5601, 0x5401, 0x4801, 0x3801, 0x3001, 0x2401,
        0x1C01, 0x1601, 0x5601, 0x5401, 0x5101, 0x4801, 0x3801, 0x3401, 0x3001, 0x2801, 0x2401, 0x2201,
        0x1C01, 0x1801, 0x1601, 0x1401, 0x1201, 0x1101, 0x0AC1, 0x09C1, 0x08A1, 0x0521, 0x0441, 0x02A1,
        0x0221, 0x0141, 0x0111, 0x0085, 0x0049, 0x0025, 0x0015, 0x0009, 0x0005, 0x0001, 0x5601};
    static const uint8_t kNmps[47] = {1,  2,  3,  4,  5,  38, 7,  8,  9,  10, 11, 12, 13, 29, 15, 16,
                                      17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32,
                                      33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 45, 46};
    static const uint8_t kNlps[47] = {1,  6,  9,  12, 29, 33, 6,  14, 14, 14, 17, 18, 20, 21, 14, 14,
                                      15, 16, 17, 18, 19, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29,
                                      30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 46};
    if (cx >= index_.size()) index_.resize(cx + 1), mps_.resize(cx + 1);
    int i = index_[cx];
    uint32_t qe = kQe[i];
    a_ -= qe;
    if (d == mps_[cx]) {
      if (a_ & 0x8000) {
        c_ += qe;
        return;
      }
      if (a_ < qe) a_ = qe;
      else c_ += qe;
      index_[cx] = kNmps[i];
    } else {
      if (a_ < qe) c_ += qe;
      else a_ = qe;
      if (i == 0 || i == 6 || i == 14) mps_[cx] = 1 - mps_[cx];
      index_[cx] = kNlps[i];
    }
    do {
      a_ <<= 1;
      c_ <<= 1;
      if (--ct_ == 0) ByteOut();
    } while (!(a_ & 0x8000));
  }
  std::string Finish() {
    uint32_t temp = c_ + a_;
    c_ |= 0xFFFF;
    if (c_ >= temp) c_ -= 0x8000;
    c_ <<= ct_;
    ByteOut();
    c_ <<= ct_;
    ByteOut();
    if (out_.back() != '\xFF') out_.push_back('\xFF');
    out_.push_back('\xAC');
    return out_.substr(1);
  }

 private:
  void ByteOut() {
    uint8_t& b = reinterpret_cast<uint8_t&>(out_.back());
    if (b == 0xFF) {
      Put(c_ >> 20, 0xFFFFF, 7);
    } else if (c_ < 0x8000000) {
      Put(c_ >> 19, 0x7FFFF, 8);
    } else {
      ++b;
      if (b == 0xFF) {
        c_ &= 0x7FFFFFF;
        Put(c_ >> 20, 0xFFFFF, 7);
      } else {
        Put(c_ >> 19, 0x7FFFF, 8);
      }
    }
  }
  void Put(uint32_t byte, uint32_t mask, int ct) {
    out_.push_back(static_cast<char>(byte));
    c_ &= mask;
    ct_ = ct;
  }
  std::vector<uint8_t> index_, mps_;
  uint32_t a_ = 0x8000, c_ = 0;
  int ct_ = 12;
  std::string out_ = std::string(1, '\0');
};

// Encodes a bitmap as a generic region with the same context rule the
// decoder uses (fixed pixels and adaptive pixels at their default places).
std::string EncodeGeneric(const TJBIG2Bitmap& bm, int templ, bool typical) {
  struct P { int dx, dy, shift; };
  static const std::vector<P> kPixels[4] = {
      {{-1, 0, 0}, {-2, 0, 1}, {-3, 0, 2}, {-4, 0, 3}, {3, -1, 4}, {2, -1, 5}, {1, -1, 6}, {0, -1, 7},
       {-1, -1, 8}, {-2, -1, 9}, {-3, -1, 10}, {2, -2, 11}, {1, -2, 12}, {0, -2, 13}, {-1, -2, 14}, {-2, -2, 15}},
      {{-1, 0, 0}, {-2, 0, 1}, {-3, 0, 2}, {3, -1, 3}, {2, -1, 4}, {1, -1, 5}, {0, -1, 6}, {-1, -1, 7},
       {-2, -1, 8}, {2, -2, 9}, {1, -2, 10}, {0, -2, 11}, {-1, -2, 12}},
      {{-1, 0, 0}, {-2, 0, 1}, {2, -1, 2}, {1, -1, 3}, {0, -1, 4}, {-1, -1, 5}, {-2, -1, 6}, {1, -2, 7},
       {0, -2, 8}, {-1, -2, 9}},
      {{-1, 0, 0}, {-2, 0, 1}, {-3, 0, 2}, {-4, 0, 3}, {2, -1, 4}, {1, -1, 5}, {0, -1, 6}, {-1, -1, 7},
       {-2, -1, 8}, {-3, -1, 9}}};
  static const size_t kTypical[4] = {0x9B25, 0x0795, 0x00E5, 0x0195};
  TMQEncoder enc;
  bool ltp = false;
  for (int y = 0; y < bm.Height(); ++y) {
    if (typical) {
      bool same = true;
      for (int x = 0; x < bm.Width(); ++x) same &= bm.GetPixel(x, y) == bm.GetPixel(x, y - 1);
      enc.Encode(kTypical[templ], same != ltp);
      ltp = same;
      if (same) continue;
    }
    for (int x = 0; x < bm.Width(); ++x) {
      size_t cx = 0;
      for (const P& p : kPixels[templ]) cx |= static_cast<size_t>(bm.GetPixel(x + p.dx, y + p.dy)) << p.shift;
      enc.Encode(cx, bm.GetPixel(x, y));
    }
  }
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
  TMQEncoder encoder;
  for (char c : expected)
    for (int j = 7; j >= 0; --j) encoder.Encode(0, (static_cast<uint8_t>(c) >> j) & 1);
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
}

}  // namespace
}  // namespace ostrel
