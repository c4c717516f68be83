// The image file readers on files made at test time.
#include <gtest/gtest.h>

#include <array>

#include "tests/compose/image_files.h"
#include "pdf/compose/gif_decoder.h"
#include "pdf/compose/icc_profile.h"
#include "pdf/compose/jpeg2000_header.h"
#include "pdf/compose/jpeg_markers.h"
#include "pdf/compose/png_reader.h"
#include "pdf/compose/tiff_reader.h"
#include "pdf/filters/flate_filter.h"
#include "platform/bmp_reader.h"

namespace ostrel {
namespace {

using namespace ostrel::testing;

// A sample plane of the reader inflated, and unfiltered when it carries PNG row filters.
std::string Plane(const TPNGReader& reader, bool alphaPlane, int colours, int depth) {
  const std::string& flate = alphaPlane ? reader.AlphaSamples : reader.ColorSamples;
  if (!(alphaPlane ? reader.AlphaRowsFiltered : reader.ColorRowsFiltered)) return FlateDecode(flate);
  return FlateDecodePredicted(flate, {15, colours, depth, int32_t(reader.Width)});
}

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
    SampleImage color = image, opacity = image;
    bool alpha = c.ColorType == 4 || c.ColorType == 6;
    if (alpha) {
      color.Channels = c.Channels - 1;
      opacity.Channels = 1;
      color.Samples.clear();
      opacity.Samples.clear();
      for (size_t i = 0; i < image.Samples.size(); ++i)
        (i % c.Channels != size_t(c.Channels - 1) ? color : opacity).Samples.push_back(image.Samples[i]);
    }
    for (bool interlaced : {false, true}) {
      options.Interlaced = interlaced;
      TPNGReader reader;
      ASSERT_TRUE(reader.Read(MakePng(image, options)));
      EXPECT_EQ(reader.PassThrough, !interlaced && !alpha);
      EXPECT_EQ(reader.ColorDepth, c.Depth);
      if (!alpha) {
        EXPECT_EQ(reader.ColorRowsFiltered, reader.PassThrough);  // as it always was
      }
      EXPECT_EQ(Plane(reader, false, color.Channels, c.Depth), PackedRows(color))
          << "interlaced " << interlaced;
      EXPECT_EQ(reader.AlphaSamples.empty(), !alpha);
      if (alpha) {
        EXPECT_EQ(Plane(reader, true, 1, c.Depth), PackedRows(opacity));
      }
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
  std::string colour = Plane(reader, false, 3, 8), alpha = Plane(reader, true, 1, 8);
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
  std::string samples = Plane(truncated, false, 3, 8);
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

TEST(GifDecoder, TransparentColourShowsWhatLiesBelowAndLeavesHolesInTheAlpha) {
  std::string table("\0\0\0\xFF\0\0\0\xFF\0\0\0\xFF", 12);
  GifFrame below{0, 0, 4, 1};
  below.Indices = {1, 1, 3, 3};  // red, red, then index 3: transparent in this frame
  below.TransparentIndex = 3;
  GifFrame above{0, 0, 4, 1};
  above.Indices = {2, 0, 0, 0};  // green, then index 0: transparent here
  above.TransparentIndex = 0;
  TPDFGIFDecoder gif;
  ASSERT_TRUE(gif.Read(MakeGif(4, 1, table, {below, above})));
  Bitmap screen;
  std::string alpha;
  ASSERT_TRUE(gif.RenderTo(screen, &alpha));
  EXPECT_EQ(screen.PixelRGB(0, 0), 0x00FF00u);
  EXPECT_EQ(screen.PixelRGB(1, 0), 0xFF0000u);  // the frame below shows through
  EXPECT_EQ(screen.PixelRGB(3, 0), 0xFFFFFFu);  // no frame drew here
  EXPECT_EQ(alpha, std::string("\xFF\xFF\0\0", 4));

  // Without a transparent colour nothing is tracked, holes or not.
  GifFrame small{0, 0, 2, 1};
  small.Indices = {1, 1};
  ASSERT_TRUE(gif.Read(MakeGif(4, 1, table, {small})));
  ASSERT_TRUE(gif.RenderTo(screen, &alpha));
  EXPECT_TRUE(alpha.empty());
}

// ---- JPEG, JPEG 2000 and ICC metadata ----

std::string ExifOrientationSegment(int value, bool little, uint16_t type = 3) {
  auto put16 = [&](std::string& s, uint32_t v) {
    s += char(little ? v : v >> 8), s += char(little ? v >> 8 : v);
  };
  auto put32 = [&](std::string& s, uint32_t v) {
    if (little) put16(s, v & 0xFFFF), put16(s, v >> 16);
    else put16(s, v >> 16), put16(s, v & 0xFFFF);
  };
  std::string tiff = little ? "II" : "MM";
  put16(tiff, 42), put32(tiff, 8), put16(tiff, 2);
  put16(tiff, 0x0110), put16(tiff, 2), put32(tiff, 4), put32(tiff, 0);  // a model tag first
  put16(tiff, 0x0112), put16(tiff, type), put32(tiff, 1), put16(tiff, uint32_t(value)), put16(tiff, 0);
  put32(tiff, 0);
  return std::string("Exif\0\0", 6) + tiff;
}

std::string IccChunk(int sequence, int count, const std::string& data) {
  return std::string("ICC_PROFILE\0", 12) + char(sequence) + char(count) + data;
}

TEST(JpegMetadata, OrientationInBothByteOrdersAndProfilesJoinedBySequence) {
  const std::string jpeg = MakeJpeg(Pattern(4, 3, 3, 8));
  for (int value = 1; value <= 8; ++value)
    for (bool little : {true, false})
      EXPECT_EQ(ScanJPEGMetadata(WithJpegSegment(jpeg, 0xE1, ExifOrientationSegment(value, little))).Orientation,
                value);
  EXPECT_EQ(ScanJPEGMetadata(WithJpegSegment(jpeg, 0xE1, ExifOrientationSegment(9, true))).Orientation, 1);
  EXPECT_EQ(ScanJPEGMetadata(WithJpegSegment(jpeg, 0xE1, ExifOrientationSegment(6, true, 4))).Orientation, 1);
  EXPECT_EQ(ScanJPEGMetadata(jpeg).Orientation, 1);

  const std::string profile = MakeIccProfile("RGB ", 300);
  const std::string first = IccChunk(1, 2, profile.substr(0, 100)), second = IccChunk(2, 2, profile.substr(100));
  // Segments are inserted at the front: the last inserted comes first in the file.
  struct Case {
    std::vector<std::string> Chunks;  // in file order
    bool Whole;
  } cases[] = {
      {{first, second}, true},
      {{second, first}, true},                 // out of order: joined by sequence number
      {{first}, false},                        // one missing
      {{first, first, second}, false},         // one repeated
      {{first, IccChunk(2, 3, "x")}, false},  // counts disagree
  };
  for (const Case& c : cases) {
    std::string file = jpeg;
    for (auto it = c.Chunks.rbegin(); it != c.Chunks.rend(); ++it) file = WithJpegSegment(file, 0xE2, *it);
    EXPECT_EQ(ScanJPEGMetadata(file).ICCProfile, c.Whole ? profile : "") << c.Chunks.size();
  }
}

TEST(IccProfile, FitsOnlyAWholeProfileOfTheImagesColourSpace) {
  EXPECT_TRUE(ICCProfileFits(MakeIccProfile("RGB ", 200), 3));
  EXPECT_TRUE(ICCProfileFits(MakeIccProfile("GRAY", 200), 1));
  EXPECT_TRUE(ICCProfileFits(MakeIccProfile("CMYK", 200), 4));
  EXPECT_FALSE(ICCProfileFits(MakeIccProfile("GRAY", 200), 3));  // another colour space
  EXPECT_FALSE(ICCProfileFits(MakeIccProfile("RGB ", 200).substr(0, 150), 3));  // cut short
  EXPECT_FALSE(ICCProfileFits(MakeIccProfile("RGB ", 100), 3));  // no whole header
  std::string unsigned_ = MakeIccProfile("RGB ", 200);
  unsigned_[36] = 'x';
  EXPECT_FALSE(ICCProfileFits(unsigned_, 3));
}

std::string BigEndianBytes(uint64_t v, int n) {
  std::string s;
  for (int i = n - 1; i >= 0; --i) s += char(v >> (8 * i));
  return s;
}

// A codestream's start: SOC, then SIZ with the grid, the image offset on it,
// one tile and the components.
std::string Codestream(uint32_t gridW, uint32_t gridH, uint32_t left, uint32_t top, int components) {
  std::string c("\xFF\x4F\xFF\x51", 4);
  c += BigEndianBytes(38 + 3 * components, 2) + BigEndianBytes(0, 2);
  for (uint32_t v : {gridW, gridH, left, top, gridW, gridH, 0u, 0u}) c += BigEndianBytes(v, 4);
  c += BigEndianBytes(components, 2);
  for (int i = 0; i < components; ++i) c += std::string("\x07\x01\x01", 3);
  return c + "\xFF\xD9";
}

std::string Box(const std::string& type, const std::string& body) {
  return BigEndianBytes(8 + body.size(), 4) + type + body;
}

TEST(Jpeg2000Header, SizeFromTheImageHeaderBoxOrTheSizMarker) {
  TJPEG2000Header h;
  ASSERT_TRUE(ReadJPEG2000Header(Codestream(110, 60, 10, 5, 3), h));
  EXPECT_EQ(std::tuple(h.FileFormat, h.Width, h.Height, h.Components), std::tuple(false, 100, 55, 3));

  const std::string signature("\0\0\0\x0CjP  \r\n\x87\n", 12);
  const std::string ihdr = Box("ihdr", BigEndianBytes(48, 4) + BigEndianBytes(64, 4) + BigEndianBytes(1, 2) +
                                           std::string("\x07\x07\0\0", 4));
  const std::string jp2 = signature + Box("ftyp", "jp2 ") + Box("jp2h", ihdr) + Box("jp2c", Codestream(64, 48, 0, 0, 1));
  EXPECT_TRUE(LooksLikeJPEG2000(jp2));
  ASSERT_TRUE(ReadJPEG2000Header(jp2, h));
  EXPECT_EQ(std::tuple(h.FileFormat, h.Width, h.Height, h.Components), std::tuple(true, 64, 48, 1));

  EXPECT_FALSE(ReadJPEG2000Header(jp2.substr(0, jp2.size() - 30), h));  // the codestream box cut short
  EXPECT_FALSE(ReadJPEG2000Header(signature + Box("jp2h", ihdr.substr(0, 12)), h));
  EXPECT_FALSE(ReadJPEG2000Header(Codestream(10, 10, 10, 0, 3), h));         // offset past the grid
  EXPECT_FALSE(ReadJPEG2000Header(Codestream(70000, 70000, 0, 0, 3), h));   // too many pixels
  EXPECT_FALSE(ReadJPEG2000Header(Codestream(8, 8, 0, 0, 3).substr(0, 30), h));
}

// Opacity: a JP2 channel definition naming an opacity channel (type 1, or
// 2 premultiplied); in a bare codestream two components, or four under the
// RGB component transform (without it they are CMYK).
TEST(Jpeg2000Header, OpacityFromTheChannelDefinitionOrTheComponentTransform) {
  auto codestream = [](int components, int transform) {
    std::string c = Codestream(64, 48, 0, 0, components);
    c.insert(c.size() - 2, std::string("\xFF\x52\x00\x0C\x00\x00\x00\x01", 8) + char(transform) +
                               std::string("\x05\x04\x04\x00\x01", 5));
    return c;
  };
  auto jp2 = [](std::string cdef) {
    const std::string ihdr = Box("ihdr", BigEndianBytes(48, 4) + BigEndianBytes(64, 4) + BigEndianBytes(4, 2) +
                                             std::string("\x07\x07\0\0", 4));
    return std::string("\0\0\0\x0CjP  \r\n\x87\n", 12) + Box("ftyp", "jp2 ") +
           Box("jp2h", ihdr + (cdef.empty() ? "" : Box("cdef", cdef))) + Box("jp2c", Codestream(64, 48, 0, 0, 4));
  };
  auto channels = [](int opacityType) {
    std::string cdef = BigEndianBytes(4, 2);
    for (int i = 0; i < 4; ++i)
      cdef += BigEndianBytes(i, 2) + BigEndianBytes(i == 3 ? opacityType : 0, 2) + BigEndianBytes(i == 3 ? 0 : i + 1, 2);
    return cdef;
  };
  const std::pair<std::string, bool> cases[] = {
      {codestream(4, 1), true},  {codestream(4, 0), false}, {codestream(3, 1), false}, {codestream(2, 0), true},
      {Codestream(64, 48, 0, 0, 4), false},  // no COD segment
      {jp2(channels(1)), true},  {jp2(channels(2)), true},  {jp2(channels(0)), false}, {jp2(""), false},
      {jp2(channels(1).substr(0, 20)), false},  // the opacity entry cut off
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    TJPEG2000Header h;
    ASSERT_TRUE(ReadJPEG2000Header(cases[i].first, h)) << "case " << i;
    EXPECT_EQ(h.Alpha, cases[i].second) << "case " << i;
    EXPECT_EQ(h.Premultiplied, i == 6) << "case " << i;  // the type 2 channel
  }
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

std::string LittleEndianBytes(uint64_t v, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += char(v >> (8 * i));
  return s;
}

// A one-row bit-field BMP with a version 5 header declaring the red, green,
// blue and alpha masks; pixels are little-endian words of `bits` bits.
std::string BitFieldBmp(int bits, const std::array<uint32_t, 4>& masks, const std::vector<uint32_t>& pixels) {
  std::string data;
  for (uint32_t p : pixels) data += LittleEndianBytes(p, bits / 8);
  while (data.size() % 4) data += '\0';
  std::string header = LittleEndianBytes(124, 4) + LittleEndianBytes(pixels.size(), 4) + LittleEndianBytes(1, 4) +
                       LittleEndianBytes(1, 2) + LittleEndianBytes(bits, 2) + LittleEndianBytes(3, 4) +
                       LittleEndianBytes(data.size(), 4) + std::string(16, '\0');
  for (uint32_t mask : masks) header += LittleEndianBytes(mask, 4);
  header.resize(124, '\0');
  return "BM" + LittleEndianBytes(14 + header.size() + data.size(), 4) + std::string(4, '\0') +
         LittleEndianBytes(14 + header.size(), 4) + header + data;
}

TEST(BmpReader, KeepsTheAlphaOfBitFieldPixelsWithAnAlphaMask) {
  struct Case {
    int Bits;
    std::array<uint32_t, 4> Masks;
    std::vector<uint32_t> Pixels;
    std::vector<uint32_t> Rgb;
    std::vector<int> Alpha;  // none: the pixels come without alpha
  };
  const Case cases[] = {
      {32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, {0x80112233, 0x00445566}, {0x112233, 0x445566}, {0x80, 0}},
      {32, {0xFF0000, 0xFF00, 0xFF, 0}, {0x80112233, 0x00445566}, {0x112233, 0x445566}, {}},
      // A4R4G4B4 and A1R5G5B5: each field scaled to the full byte.
      {16, {0x0F00, 0x00F0, 0x000F, 0xF000}, {0x8123, 0xF0F0}, {0x112233, 0x00FF00}, {136, 255}},
      {16, {0x7C00, 0x03E0, 0x001F, 0x8000}, {0xFC00, 0x001F}, {0xFF0000, 0x0000FF}, {255, 0}},
      {16, {0x7C00, 0x03E0, 0x001F, 0}, {0xFC00, 0x001F}, {0xFF0000, 0x0000FF}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.Bits) + " bits, alpha mask " + std::to_string(c.Masks[3]));
    Bitmap bitmap;
    ASSERT_TRUE(ReadBmp(BitFieldBmp(c.Bits, c.Masks, c.Pixels), bitmap));
    ASSERT_EQ(bitmap.PixelFormat(), c.Alpha.empty() ? TPixelFormat::pf24bit : TPixelFormat::pf32bit);
    for (size_t x = 0; x < c.Pixels.size(); ++x) {
      EXPECT_EQ(bitmap.PixelRGB(int(x), 0), c.Rgb[x]);
      if (!c.Alpha.empty()) {
        EXPECT_EQ(bitmap.Row(0)[4 * x + 3], c.Alpha[x]);
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
