#include "pdf/filters/ccitt/ccitt_decoder.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace ostrel {
namespace {

// A bilevel test picture: runs of random length, a few rows with runs
// longer than 2560 pixels, and a row repeated so that vertical modes appear.
std::vector<uint8_t> MakePicture(int width, int height, unsigned seed) {
  size_t rowBytes = (width + 7) / 8;
  std::vector<uint8_t> pixels(rowBytes * height, 0);
  std::mt19937 random(seed);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = &pixels[y * rowBytes];
    if (y % 5 == 1) {
      // Nearly the row above: a few edges shifted by up to three pixels.
      std::copy(row - rowBytes, row, row);
      for (int i = 0; i < 4; ++i) {
        int x = random() % width;
        row[x / 8] ^= static_cast<uint8_t>(0x80 >> (x % 8));
      }
      continue;
    }
    int x = 0;
    bool black = random() % 2;
    while (x < width) {
      int run = (y % 7 == 3) ? 2560 + 64 + random() % 200 : 1 + random() % (y % 2 ? 8 : 300);
      for (int i = x; i < std::min(x + run, width); ++i)
        if (black) row[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
      x += run;
      black = !black;
    }
  }
  return pixels;
}

struct TFaxStrip {
  std::string Data;
};

// Compresses the picture with libtiff into one strip and returns its raw bytes.
std::string Compress(const std::vector<uint8_t>& pixels, int width, int height, int compression,
                     uint32_t group3Options, bool lsbFirst = false) {
  std::string path = (std::filesystem::temp_directory_path() /
                      ("ccitt_test_" + std::to_string(::getpid()) + ".tif")).string();
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  if (!tif) return {};
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, height);
  TIFFSetField(tif, TIFFTAG_FILLORDER, lsbFirst ? FILLORDER_LSB2MSB : FILLORDER_MSB2LSB);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
  if (compression == COMPRESSION_CCITTFAX3) TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, group3Options);
  size_t rowBytes = (width + 7) / 8;
  std::vector<uint8_t> row(rowBytes);
  for (int y = 0; y < height; ++y) {
    std::copy(&pixels[y * rowBytes], &pixels[y * rowBytes] + rowBytes, row.begin());
    TIFFWriteScanline(tif, row.data(), y, 0);
  }
  TIFFClose(tif);
  tif = TIFFOpen(path.c_str(), "r");
  std::string raw(TIFFRawStripSize(tif, 0), '\0');
  raw.resize(TIFFReadRawStrip(tif, 0, raw.data(), raw.size()));
  TIFFClose(tif);
  std::filesystem::remove(path);
  return raw;
}

// Bits written as text ("0001 1") into bytes, most significant bit first.
std::string Bits(const std::string& text) {
  std::string out;
  int n = 0;
  for (char c : text) {
    if (c != '0' && c != '1') continue;
    if (n % 8 == 0) out.push_back(0);
    if (c == '1') out.back() = static_cast<char>(out.back() | (0x80 >> (n % 8)));
    ++n;
  }
  return out;
}

class CCITTAgainstLibtiff : public ::testing::TestWithParam<int> {};

TEST_P(CCITTAgainstLibtiff, EveryCodingDecodesToThePixels) {
  const int width = GetParam(), height = 40;
  std::vector<uint8_t> pixels = MakePicture(width, height, 7u + width);
  struct {
    const char* Name;
    int Compression;
    uint32_t Options;
    int K;
  } codings[] = {
      {"g4", COMPRESSION_CCITTFAX4, 0, -1},
      {"g3", COMPRESSION_CCITTFAX3, 0, 0},
      {"g3:2d", COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING, 1},
      {"g3:2d:fill", COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING | GROUP3OPT_FILLBITS, 1},
      {"g3:fill", COMPRESSION_CCITTFAX3, GROUP3OPT_FILLBITS, 0},
  };
  for (const auto& coding : codings) {
    SCOPED_TRACE(coding.Name);
    std::string raw = Compress(pixels, width, height, coding.Compression, coding.Options);
    ASSERT_FALSE(raw.empty());
    std::string error;
    EXPECT_EQ(CCITTFaxDecode(raw, coding.K, width, height, false, &error), pixels);
    EXPECT_EQ(error, "");
  }
}

INSTANTIATE_TEST_SUITE_P(Widths, CCITTAgainstLibtiff, ::testing::Values(1, 13, 1728, 3001));

TEST(CCITTDecoder, LeastSignificantBitFirstOrder) {
  std::vector<uint8_t> pixels = MakePicture(200, 12, 3);
  std::string raw = Compress(pixels, 200, 12, COMPRESSION_CCITTFAX4, 0, true);
  TOSLCCITTDecoder decoder(200, false, false, 2, 12);
  ASSERT_TRUE(decoder.DecodeT6(raw));
  EXPECT_EQ(decoder.Output(), pixels);
  EXPECT_THROW(TOSLCCITTDecoder(200, false, false, 3, 12), ECCITTError);
}

TEST(CCITTDecoder, SizesAreBoundedBeforeAllocating) {
  EXPECT_THROW(TOSLCCITTDecoder(0, false, false, 1, 10), ECCITTError);
  EXPECT_THROW(TOSLCCITTDecoder(10, false, false, 1, -1), ECCITTError);
  EXPECT_THROW(TOSLCCITTDecoder(1 << 16, false, false, 1, 1 << 13), ECCITTError);
  std::string error;
  EXPECT_TRUE(CCITTFaxDecode("", -1, 100000, 100000, false, &error).empty());
  EXPECT_FALSE(error.empty());
}

TEST(CCITTDecoder, GroupFourEndsAndFailures) {
  // All-white rows: V0 against the imaginary white line, one code per row.
  TOSLCCITTDecoder white(1728, false, false, 1, 3);
  ASSERT_TRUE(white.DecodeT6(Bits("1 1 1")));
  EXPECT_EQ(white.Output(), std::vector<uint8_t>(216 * 3, 0));

  // Data that stops after the first row: the rest read as zero bits and end
  // every row at once, white, and the result is still true.
  std::string oneRow = Bits("001 00111 11 1");  // horizontal: 10 white, 2 black; then V0
  TOSLCCITTDecoder cut(16, false, false, 1, 4);
  ASSERT_TRUE(cut.DecodeT6(oneRow));
  EXPECT_EQ(cut.Output(), (std::vector<uint8_t>{0x00, 0x30, 0, 0, 0, 0, 0, 0}));

  // The extension code not followed by 111 fails and leaves nothing behind.
  TOSLCCITTDecoder bad(16, false, false, 1, 2);
  EXPECT_FALSE(bad.DecodeT6(Bits("001 00111 11  0000001 010")));
  EXPECT_EQ(bad.Output(), std::vector<uint8_t>(4, 0));
}

TEST(CCITTDecoder, UncompressedModeLiteralPixels) {
  // Extension 111, then: "01" = white, black; "1" = black; exit "0000001 0"
  // with white next; horizontal finishes the row with 4 white, 0 black runs.
  std::string data = Bits("0000001 111  01 1  00000010  001 1011 0000110111");
  TOSLCCITTDecoder decoder(7, false, false, 1, 1);
  ASSERT_TRUE(decoder.DecodeT6(data));
  EXPECT_EQ(decoder.Output(), std::vector<uint8_t>{0x60});
}

TEST(CCITTDecoder, ChangingElementsStayInsideTheRow) {
  // T.4 two-dimensional: a 1D row of 8 white, then a 2D row coded VR3 (b1 is
  // the row end, so a1 would land three pixels past it), then VR3 again.
  std::string data = Bits("000000000001 1 10011  000000000001 0 0000011 0000011");
  TOSLCCITTDecoder decoder(8, false, false, 1, 2);
  decoder.Decode2D(data);
  EXPECT_EQ(decoder.Output(), (std::vector<uint8_t>{0x00, 0x00}));
  // Horizontal runs longer than the row are cut at its end in T.4 as in T.6.
  std::string longRuns = Bits("000000000001 1 10011  000000000001 0 001 11011 00110101 11");
  TOSLCCITTDecoder decoder2(8, false, false, 1, 2);
  decoder2.Decode2D(longRuns);
  EXPECT_EQ(decoder2.Output(), (std::vector<uint8_t>{0x00, 0x00}));
}

TEST(CCITTDecoder, GroupThreeErrors) {
  TOSLCCITTDecoder twoD(8, false, false, 1, 1);
  try {
    twoD.Decode2D(Bits("000000000001 0 1"));
    FAIL();
  } catch (const ECCITTError& e) {
    EXPECT_STREQ(e.what(), "First scanline must be 1D encoded.");
  }
  TOSLCCITTDecoder noEol(8, false, false, 1, 1);
  EXPECT_THROW(noEol.Decode2D(Bits("10011 10011")), ECCITTError);

  // One-dimensional: a row with an EOL inside a run ends decoding quietly,
  // keeping the rows before it; EOL codes before rows are optional.
  std::string rows = Bits("000000000001 0111 011 0111   0111 011 0111   0111 000000000001");
  TOSLCCITTDecoder oneD(8, false, false, 1, 3);
  oneD.Decode1D(rows);
  EXPECT_EQ(oneD.Output(), (std::vector<uint8_t>{0x3C, 0x3C, 0x00}));
}

TEST(CCITTDecoder, ByteAlignedRowsContinueAtTheNextByte) {
  // Each row (8 white pixels = "10011") is padded to a byte.
  std::string data = Bits("10011 000  0111 011 0111 00  10011 000");
  TOSLCCITTDecoder decoder(8, false, true, 1, 3);
  decoder.Decode1D(data);
  EXPECT_EQ(decoder.Output(), (std::vector<uint8_t>{0x00, 0x3C, 0x00}));
}

// Every row handed to a sink, joined into one bitmap.
struct RowCollector {
  explicit RowCollector(int width) : rowBytes((width + 7) / 8) {}
  TCCITTRowSink Sink() {
    return [this](const uint8_t* row) { pixels.insert(pixels.end(), row, row + rowBytes); };
  }
  size_t rowBytes;
  std::vector<uint8_t> pixels;
};

TEST(CCITTStreamedRows, MatchTheWholeBitmapForEveryCoding) {
  const int width = 301, height = 30;
  std::vector<uint8_t> pixels = MakePicture(width, height, 11);
  const struct {
    int Compression;
    uint32_t Options;
    int K;
  } codings[] = {{COMPRESSION_CCITTFAX4, 0, -1}, {COMPRESSION_CCITTFAX3, 0, 0},
                 {COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING, 1}};
  for (const auto& coding : codings) {
    SCOPED_TRACE(coding.K);
    const std::string raw = Compress(pixels, width, height, coding.Compression, coding.Options);
    RowCollector rows(width);
    std::string error;
    ASSERT_TRUE(CCITTFaxDecodeRows(raw, coding.K, width, height, false, rows.Sink(), &error));
    EXPECT_EQ(rows.pixels, pixels);
    // Cut short, the rows still come to the full height, as in the whole
    // bitmap (the two-dimensional T.4 error included).
    const std::string cut = raw.substr(0, raw.size() / 2);
    RowCollector partial(width);
    std::string cutError;
    const bool ok = CCITTFaxDecodeRows(cut, coding.K, width, height, false, partial.Sink(), &cutError);
    const std::vector<uint8_t> whole = CCITTFaxDecode(cut, coding.K, width, height, false);
    if (ok) EXPECT_EQ(partial.pixels, whole);
    else EXPECT_TRUE(whole.empty());
  }
}

TEST(CCITTStreamedRows, LargeImagesAreStreamedWithinTheirOwnBounds) {
  // Far beyond the whole-bitmap bound: empty Group 4 data gives white rows,
  // one row held at a time.
  size_t count = 0;
  bool allWhite = true;
  const int width = 35000;
  TCCITTRowSink sink = [&](const uint8_t* row) {
    ++count;
    allWhite = allWhite && std::all_of(row, row + (width + 7) / 8, [](uint8_t b) { return b == 0; });
  };
  std::string error;
  ASSERT_TRUE(CCITTFaxDecodeRows("", -1, width, 35000, false, sink, &error));
  EXPECT_EQ(count, 35000u);
  EXPECT_TRUE(allWhite);
  EXPECT_FALSE(CCITTFaxDecodeRows("", -1, kMaxCCITTStreamedWidth + 1, 1, false, sink, &error));
  EXPECT_FALSE(CCITTFaxDecodeRows("", -1, 1 << 20, 1 << 20, false, sink, &error));
  EXPECT_EQ(error, "Image size out of range.");
  // A Group 4 failure is reported, as for the whole bitmap.
  EXPECT_FALSE(CCITTFaxDecodeRows(Bits("0000001 000"), -1, 64, 4, false, sink, &error));
}

}  // namespace
}  // namespace ostrel
