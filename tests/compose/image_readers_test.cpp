// The image file readers on files made at test time.
#include <gtest/gtest.h>

#include "tests/compose/image_files.h"
#include "pdf/compose/gif_decoder.h"
#include "pdf/compose/png_reader.h"
#include "pdf/compose/tiff_reader.h"
#include "pdf/filters/flate_filter.h"
#include "platform/bmp_reader.h"

namespace ostrel {
namespace {

using namespace ostrel::testing;

std::string Inflated(const std::string& flate) { return FlateDecode(flate); }

// ---- PNG ----

struct PngCase {
  int ColorType, Channels, Depth;
};

TEST(PngReader, DecodesEveryColourTypeAndDepthInterlacedAsPlain) {
  const PngCase cases[] = {{0, 1, 1}, {0, 1, 2}, {0, 1, 4}, {0, 1, 8}, {0, 1, 16}, {2, 3, 8}, {2, 3, 16},
                           {3, 1, 1}, {3, 1, 2}, {3, 1, 4}, {3, 1, 8}, {4, 2, 8}, {4, 2, 16}, {6, 4, 8},
                           {6, 4, 16}};
  for (const PngCase& c : cases) {
    SCOPED_TRACE("colour type " + std::to_string(c.ColorType) + " depth " + std::to_string(c.Depth));
    SampleImage image = Pattern(13, 11, c.Channels, c.Depth);  // odd sizes leave passes partly empty
    PngOptions options{c.ColorType};
    if (c.ColorType == 3) options.Palette = std::string(3 << c.Depth, '\x40');
    // The colour plane expected: the image without its alpha channel.
    SampleImage color = image;
    bool alpha = c.ColorType == 4 || c.ColorType == 6;
    if (alpha) {
      color.Channels = c.Channels - 1;
      color.Samples.clear();
      for (size_t i = 0; i < image.Samples.size(); ++i)
        if (i % c.Channels != size_t(c.Channels - 1)) color.Samples.push_back(image.Samples[i]);
    }
    for (bool interlaced : {false, true}) {
      options.Interlaced = interlaced;
      TPNGReader reader;
      ASSERT_TRUE(reader.Read(MakePng(image, options)));
      EXPECT_EQ(reader.PassThrough, !interlaced && !alpha);
      EXPECT_EQ(reader.ColorDepth, c.Depth);
      std::string samples = Inflated(reader.ColorSamples);
      if (reader.PassThrough) continue;  // still filtered: the PDF predictor undoes that
      EXPECT_EQ(samples, PackedRows(color)) << "interlaced " << interlaced;
      EXPECT_EQ(reader.AlphaSamples.empty(), !alpha);
    }
  }
}

TEST(PngReader, ReducesSixteenBitsToTheHighByteWhenAsked) {
  SampleImage image = Pattern(5, 4, 4, 16);
  TPNGReader reader;
  reader.ReduceColor16 = reader.ReduceAlpha16 = true;
  ASSERT_TRUE(reader.Read(MakePng(image, {6})));
  EXPECT_EQ(reader.ColorDepth, 8);
  EXPECT_EQ(reader.AlphaDepth, 8);
  std::string colour = Inflated(reader.ColorSamples), alpha = Inflated(reader.AlphaSamples);
  ASSERT_EQ(colour.size(), 5u * 4 * 3);
  EXPECT_EQ(uint8_t(colour[4]), image.At(1, 0, 1) >> 8);
  EXPECT_EQ(uint8_t(alpha[6]), image.At(1, 1, 3) >> 8);
}

TEST(PngReader, BadCrcIsIgnoredAndTruncatedDataReadsAsWhite) {
  SampleImage image = Pattern(40, 40, 4, 8);
  TPNGReader crc;
  ASSERT_TRUE(crc.Read(MakePng(image, {6, false, "", true})));

  PngOptions cut{6};
  cut.TruncateIdatTo = MakePng(image, {6}).size() / 3;  // well inside the data
  TPNGReader truncated;
  ASSERT_TRUE(truncated.Read(MakePng(image, cut)));
  std::string samples = Inflated(truncated.ColorSamples);
  ASSERT_EQ(samples.size(), 40u * 40 * 3);
  EXPECT_EQ(samples.substr(samples.size() - 120), std::string(120, '\xFF'));
  EXPECT_EQ(uint8_t(samples[0]), image.At(0, 0, 0));
}

TEST(PngReader, RejectsWhatCannotBeAnImage) {
  SampleImage image = Pattern(4, 4, 3, 8);
  std::string good = MakePng(image, {2});
  TPNGReader reader;
  EXPECT_FALSE(reader.Read("\x89PNG\r\n\x1a\x0b" + good.substr(8)));  // wrong signature
  std::string noHeader = good.substr(0, 8) + good.substr(8 + 25);    // IHDR removed
  EXPECT_FALSE(TPNGReader().Read(noHeader));
  // A header claiming a huge image over a few bytes of data.
  std::string huge = good;
  huge[16] = '\x7F';
  TPNGReader bounded;
  bounded.ReduceColor16 = true;
  EXPECT_FALSE(TPNGReader().Read(MakePng(Pattern(4, 4, 1, 8), {5})));  // colour type 5 does not exist
  PngOptions alpha{6};
  std::string big = MakePng(Pattern(4, 4, 4, 8), alpha);
  big[16] = '\x01';  // width 16 million: far more than the data holds
  EXPECT_FALSE(TPNGReader().Read(big));
}

// ---- GIF ----

TEST(GifDecoder, DrawsEveryFrameOverThePreviousWithItsOwnTable) {
  std::string global("\0\0\0\xFF\0\0\0\xFF\0\0\0\xFF", 12);
  GifFrame first{0, 0, 6, 5};
  first.Indices.assign(30, 1);  // red everywhere
  GifFrame second{2, 1, 3, 3};
  second.LocalTable = std::string("\x10\x20\x30", 3) + "\x40\x50\x60";
  second.Indices = {0, 1, 0, 1, 0, 1, 0, 1, 0};
  second.MinCodeSize = 2;
  TPDFGIFDecoder gif;
  ASSERT_TRUE(gif.Read(MakeGif(6, 5, global, {first, second})));
  ASSERT_EQ(gif.Images.size(), 2u);
  Bitmap screen;
  ASSERT_TRUE(gif.RenderTo(screen));
  EXPECT_EQ(screen.Width(), 6);
  EXPECT_EQ(screen.Height(), 5);
  EXPECT_EQ(screen.PixelRGB(0, 0), 0xFF0000u);
  EXPECT_EQ(screen.PixelRGB(2, 1), 0x102030u);
  EXPECT_EQ(screen.PixelRGB(3, 1), 0x405060u);
  EXPECT_EQ(screen.PixelRGB(4, 3), 0x102030u);
  EXPECT_EQ(screen.PixelRGB(5, 4), 0xFF0000u);
}

TEST(GifDecoder, InterlacedRowsLandWhereTheyBelong) {
  std::string table;
  for (int i = 0; i < 256; ++i) table += std::string(3, static_cast<char>(i));
  GifFrame frame{0, 0, 3, 19, true};
  for (int y = 0; y < 19; ++y)
    for (int x = 0; x < 3; ++x) frame.Indices.push_back(static_cast<uint8_t>(y * 10 + x));
  TPDFGIFDecoder gif;
  ASSERT_TRUE(gif.Read(MakeGif(3, 19, table, {frame})));
  Bitmap screen;
  ASSERT_TRUE(gif.RenderTo(screen));
  for (int y = 0; y < 19; ++y) EXPECT_EQ(screen.PixelRGB(2, y) & 0xFF, uint32_t(y * 10 + 2)) << "row " << y;
}

TEST(GifDecoder, ClipsFramesAndRefusesBrokenOnes) {
  std::string table("\0\0\0\xFF\xFF\xFF", 6);
  GifFrame outside{3, 3, 4, 4};
  outside.Indices.assign(16, 0);
  outside.MinCodeSize = 2;
  TPDFGIFDecoder gif;
  ASSERT_TRUE(gif.Read(MakeGif(5, 5, table, {outside})));
  Bitmap screen;
  ASSERT_TRUE(gif.RenderTo(screen));
  EXPECT_EQ(screen.PixelRGB(4, 4), 0u);
  EXPECT_EQ(screen.PixelRGB(2, 2), 0xFFFFFFu);  // not covered: white

  EXPECT_TRUE(GifLzwDecode(GifLzwEncode({1, 2}, 2), 9, 10).empty());  // code size outside 2..8
  EXPECT_TRUE(GifLzwDecode(GifLzwEncode({1, 2}, 2), 1, 10).empty());
  EXPECT_EQ(GifLzwDecode(GifLzwEncode({1, 2, 3, 1}, 2), 2, 10), std::string("\1\2\3\1", 4));

  TPDFGIFDecoder empty;
  ASSERT_TRUE(empty.Read(MakeGif(5, 5, table, {})));
  EXPECT_FALSE(empty.RenderTo(screen));  // no frames: nothing to import
  EXPECT_FALSE(TPDFGIFDecoder().Read("GIF88a" + std::string(20, '\0')));
  // A screen of 65535 x 65535 announced by a file of a few dozen bytes.
  std::string huge = MakeGif(5, 5, table, {outside});
  huge[6] = huge[7] = huge[8] = huge[9] = '\xFF';
  TPDFGIFDecoder big;
  ASSERT_TRUE(big.Read(huge));
  EXPECT_FALSE(big.RenderTo(screen));
}

// ---- BMP ----

std::vector<uint32_t> Indices(int w, int h, int colours) {
  std::vector<uint32_t> v;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) v.push_back(static_cast<uint32_t>((x / 3 + y) % colours));
  return v;
}

TEST(BmpReader, ReadsPaletteFormsPlainAndRunLengthEncoded) {
  const std::vector<uint32_t> palette16 = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0x654321, 0xABCDEF,
                                           0xFEDCBA, 0x111111, 0x222222, 0x333333, 0x444444, 0x555555, 0x666666,
                                           0x777777, 0x888888};
  struct Case {
    int Bits, Rle, Colours;
    bool TopDown;
  } cases[] = {{1, 0, 2, false}, {4, 0, 16, false}, {8, 0, 16, false}, {8, 0, 16, true}, {8, 8, 16, false},
               {4, 4, 16, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE("bits " + std::to_string(c.Bits) + " rle " + std::to_string(c.Rle));
    const int w = 13, h = 7;  // odd width: rows are padded
    std::vector<uint32_t> pixels = Indices(w, h, c.Colours);
    BmpOptions o{c.Bits, c.TopDown, c.Rle, std::vector<uint32_t>(palette16.begin(), palette16.begin() + c.Colours)};
    Bitmap bitmap;
    std::string error;
    ASSERT_TRUE(ReadBmp(MakeBmp(w, h, o, pixels), bitmap, &error)) << error;
    ASSERT_EQ(bitmap.Width(), w);
    ASSERT_EQ(bitmap.Height(), h);
    EXPECT_EQ(bitmap.BitsPerPixel(), c.Bits);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) ASSERT_EQ(bitmap.PixelRGB(x, y), palette16[pixels[y * w + x]]) << x << "," << y;
  }
}

TEST(BmpReader, ReadsDirectColourForms) {
  const int w = 5, h = 3;
  std::vector<uint32_t> pixels;
  for (int i = 0; i < w * h; ++i) pixels.push_back(static_cast<uint32_t>(i * 0x0810F8 & 0xF8F8F8));
  for (int bits : {16, 24, 32}) {
    for (bool topDown : {false, true}) {
      Bitmap bitmap;
      ASSERT_TRUE(ReadBmp(MakeBmp(w, h, {bits, topDown}, pixels), bitmap)) << bits;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          uint32_t want = pixels[y * w + x];
          if (bits == 16) {  // 5 bits per channel scaled back to 8
            uint32_t scaled = 0;
            for (int shift : {0, 8, 16}) scaled |= ((want >> shift & 0xFF) >> 3) * 255 / 31 << shift;
            want = scaled;
          }
          ASSERT_EQ(bitmap.PixelRGB(x, y), want) << bits << " at " << x << "," << y;
        }
    }
  }
}

TEST(BmpReader, RefusesTruncatedAndOversizedFiles) {
  std::string bmp = MakeBmp(9, 9, {24}, std::vector<uint32_t>(81, 0x808080));
  Bitmap bitmap;
  EXPECT_FALSE(ReadBmp(bmp.substr(0, bmp.size() - 40), bitmap));
  std::string wide = bmp;
  wide[18] = wide[19] = wide[20] = '\xFF', wide[21] = '\x0F';  // width 268 million
  EXPECT_FALSE(ReadBmp(wide, bitmap));
  std::string rleTopDown = MakeBmp(4, 2, {8, true, 8, {0, 0xFFFFFF}}, std::vector<uint32_t>(8, 1));
  EXPECT_FALSE(ReadBmp(rleTopDown, bitmap));
  std::string zero = bmp;
  zero[22] = zero[23] = zero[24] = zero[25] = 0;
  EXPECT_FALSE(ReadBmp(zero, bitmap));
}

// ---- TIFF ----

TEST(TiffReader, ReadsPagesInOrderInBothByteOrders) {
  for (bool bigEndian : {false, true}) {
    TiffOptions o;
    o.BigEndian = bigEndian;
    o.Photometric = 1;
    TPDFTIFF tiff;
    tiff.Read(MakeTiff({Pattern(4, 3, 1, 8, 1), Pattern(7, 5, 1, 8, 2), Pattern(2, 2, 1, 8, 3)}, o));
    ASSERT_EQ(tiff.PageCount(), 3);
    auto page = tiff.Page(2);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->Width, 7u);
    EXPECT_EQ(page->Height, 5u);
    EXPECT_EQ(page->LittleEndian, !bigEndian);
    EXPECT_EQ(page->RowsPerStrip, 5u);
    ASSERT_EQ(page->Strips.size(), 1u);
    EXPECT_EQ(std::string(page->Strips[0]), PackedRows(Pattern(7, 5, 1, 8, 2)));
    EXPECT_FALSE(tiff.Page(0));
    EXPECT_FALSE(tiff.Page(4));
  }
}

TEST(TiffReader, StopsAtADirectoryLoopAndAtABadHeader) {
  TiffOptions o;
  o.Photometric = 1;
  std::string file = MakeTiff({Pattern(3, 3, 1, 8)}, o);
  // Point the single directory's next-directory offset back at itself.
  uint32_t ifd = uint8_t(file[4]) | uint8_t(file[5]) << 8 | uint8_t(file[6]) << 16 | uint32_t(uint8_t(file[7])) << 24;
  uint16_t entries = uint8_t(file[ifd]) | uint8_t(file[ifd + 1]) << 8;
  size_t next = ifd + 2 + 12 * size_t(entries);
  for (int i = 0; i < 4; ++i) file[next + i] = static_cast<char>(ifd >> (8 * i));
  TPDFTIFF looped;
  looped.Read(file);
  EXPECT_EQ(looped.PageCount(), 1);

  TPDFTIFF bad;
  bad.Read("II\x2b\0" + file.substr(4));
  EXPECT_EQ(bad.PageCount(), 0);
}

TEST(TiffReader, DecodedSixteenBitSamplesAreBigEndian) {
  SampleImage image = Pattern(5, 4, 1, 16);
  TiffOptions o;
  o.Photometric = 1;
  o.Compression = 5;  // LZW
  o.Predictor = 2;
  TPDFTIFF tiff;
  tiff.Read(MakeTiff({image}, o));
  EXPECT_EQ(tiff.DecodedSamples(1), PackedRows(image));

  // A few bytes of LZW claiming 16384 x 16384 samples cannot hold them: the
  // claim is refused before gigabytes are allocated for it.
  std::string file = MakeTiff({image}, o);
  uint32_t ifd = uint8_t(file[4]) | uint8_t(file[5]) << 8 | uint8_t(file[6]) << 16 | uint32_t(uint8_t(file[7])) << 24;
  uint16_t entries = uint8_t(file[ifd]) | uint8_t(file[ifd + 1]) << 8;
  for (size_t e = 0; e < entries; ++e) {
    size_t at = ifd + 2 + 12 * e;
    uint16_t tag = uint8_t(file[at]) | uint8_t(file[at + 1]) << 8;
    if (tag != 256 && tag != 257 && tag != 278) continue;  // width, height, rows per strip
    // 16384 little-endian, the same four bytes for a SHORT and a LONG value.
    file.replace(at + 8, 4, std::string("\x00\x40\0\0", 4));
  }
  TPDFTIFF claimed;
  claimed.Read(file);
  ASSERT_EQ(claimed.PageCount(), 1);
  EXPECT_EQ(claimed.Page(1)->Width, 16384u);
  EXPECT_EQ(claimed.DecodedSamples(1), "");
}

}  // namespace
}  // namespace ostrel
