// The five page formats: golden bytes for the encoders we own, read-back
// through libjpeg and libtiff for the two we delegate.
#include <gtest/gtest.h>

#include <cmath>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
#include <tiffio.h>
#include <zlib.h>

#include "pdf/render/output/bmp_writer.h"
#include "pdf/render/output/jpeg_writer.h"
#include "pdf/render/output/png_writer.h"
#include "pdf/render/output/tiff_writer.h"
#include "platform/zlib_codec.h"
#include "tests/render/output/page_writer_test_support.h"

namespace ostrel {
namespace {

using test::BE32;
using test::Hex;
using test::MakeBitmap;

// Red, green / blue, white.
Bitmap FourColours() {
  return MakeBitmap(2, 2, [](int x, int y) -> uint32_t {
    static const uint32_t colours[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    return colours[y * 2 + x];
  });
}

TEST(BmpWriter, GoldenBytesBottomUpPaddedRows) {
  // File header, information header (40 bytes, 2 x 2, 24 bits, 16 bytes of
  // pixels), then the bottom row first: blue, white, padding; red, green, padding.
  EXPECT_EQ(Hex(EncodeBMP(FourColours())),
            "424d4600000000000000360000002800000002000000020000000100180000000000"
            "1000000000000000000000000000000000000000"
            "ff0000ffffff0000" "0000ff00ff000000");
}

TEST(BmpWriter, PaletteBitmapIsWrittenAs24Bit) {
  Bitmap grey(3, 1, TPixelFormat::pf8bit);
  grey.SetGreyPalette();
  grey.Row(0)[0] = 0x10;
  grey.Row(0)[1] = 0x80;
  grey.Row(0)[2] = 0xF0;
  std::string file = EncodeBMP(grey);
  ASSERT_EQ(file.size(), 54u + 12u);
  EXPECT_EQ(Hex(file.substr(54)), "101010808080f0f0f0000000");
}

TEST(PngWriter, GoldenBytesAt72Dpi) {
  TPNGWriter png;
  png.CreateFromBitmap(FourColours());
  png.SetResolution(72);
  std::string file = png.Write();
  // Signature, IHDR, pHYs (2835 per metre), IDAT (one zlib stream of the
  // rows "00 ff0000 00ff00" and "00 0000ff ffffff", stored: too short to
  // gain from compression), IEND.
  EXPECT_EQ(Hex(file),
            "89504e470d0a1a0a0000000d4948445200000002000000020802000000fdd49a"
            "73000000097048597300000b1300000b1301009a9c180000001949444154789c"
            "010e00f1ff" "00ff000000ff00" "000000ffffffff"
            "1fee05fbd621a1ba0000000049454e44ae426082");
}

TEST(PngWriter, ChunksCarryResolutionTransparencyAndCrc) {
  TPNGWriter png;
  png.CreateFromBitmap(MakeBitmap(3, 2, [](int, int) { return 0xFFFFFFu; }));
  png.SetResolution(72);
  png.SetTransparentColor(0xFFFFFF);
  std::string file = png.Write();
  // Walk the chunks, checking every CRC and collecting the types.
  std::string types;
  std::string rows;
  for (size_t at = 8; at + 12 <= file.size();) {
    uint32_t length = BE32(file, at);
    std::string type = file.substr(at + 4, 4);
    std::string data = file.substr(at + 8, length);
    uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(file.data() + at + 4), 4 + length);
    EXPECT_EQ(BE32(file, at + 8 + length), crc) << type;
    types += type + " ";
    if (type == "pHYs") {
      EXPECT_EQ(BE32(data, 0), 2835u);
      EXPECT_EQ(BE32(data, 4), 2835u);
      EXPECT_EQ(data[8], 1);
    }
    if (type == "tRNS") {
      EXPECT_EQ(Hex(data), "00ff00ff00ff");
    }
    if (type == "IDAT") rows = ZlibInflate(data, 1 << 20);
    at += 12 + length;
  }
  EXPECT_EQ(types, "IHDR pHYs tRNS IDAT IEND ");
  EXPECT_EQ(Hex(rows), "00ffffffffffffffffff" "00ffffffffffffffffff");
}

TEST(PngWriter, AlphaMaskIsSampledAndInverted) {
  TPNGWriter png;
  png.CreateFromBitmap(MakeBitmap(3, 1, [](int, int) { return 0x102030u; }));
  // A two-pixel mask stretched over three: columns 0, 0 (1 * 1 div 2), 1.
  png.SetAlphaMask(nullptr, false);  // no mask: nothing changes
  Bitmap mask = MakeBitmap(2, 1, [](int x, int) { return x == 0 ? 0x000000u : 0x0000F0u; });
  png.SetAlphaMask(&mask, true);
  std::string file = png.Write();
  EXPECT_EQ(file[8 + 8 + 9], 6);  // colour type: truecolour with alpha
  size_t idat = file.find("IDAT");
  ASSERT_NE(idat, std::string::npos);
  std::string rows = ZlibInflate(file.substr(idat + 4, BE32(file, idat - 4)), 1 << 20);
  EXPECT_EQ(Hex(rows), "00" "102030ff" "102030ff" "1020300f");
}

TEST(PngWriter, ResolutionRule) {
  for (auto [dpi, perMetre] : {std::pair{0.0, 1u}, {72.0, 2835u}, {150.0, 5906u}, {71.6, 2835u}}) {
    TPNGWriter png;
    png.CreateFromBitmap(MakeBitmap(1, 1, [](int, int) { return 0u; }));
    png.SetResolution(dpi);
    std::string file = png.Write();
    size_t at = file.find("pHYs");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(BE32(file, at + 4), perMetre) << dpi;
  }
}

// Small pages are deflated in one piece, huge ones row by row: both give a
// stream that inflates to the filtered rows, whether the writer copies the
// page or not.
TEST(PngWriter, WholeAndRowByRowDeflateCarryTheRows) {
  Bitmap page = MakeBitmap(700, 90, [](int x, int y) { return static_cast<uint32_t>((x * 7919 + y * 104729) ^ (x * y)) & 0xFFFFFF; });
  std::string rows;
  for (int y = 0; y < page.Height(); ++y) {
    rows += '\0';
    for (int x = 0; x < page.Width(); ++x) {
      const uint8_t* bgr = page.Row(y) + 3 * x;
      rows += {static_cast<char>(bgr[2]), static_cast<char>(bgr[1]), static_cast<char>(bgr[0])};
    }
  }
  for (size_t limit : {size_t{1} << 30, size_t{1000}}) {
    TPNGWriter copied, referred;
    copied.CreateFromBitmap(page);
    referred.ReferToBitmap(page);
    copied.SetWholeImageLimit(limit);
    referred.SetWholeImageLimit(limit);
    std::string file = referred.Write();
    EXPECT_EQ(file, copied.Write()) << limit;
    size_t idat = file.find("IDAT");
    ASSERT_NE(idat, std::string::npos);
    std::string data = file.substr(idat + 4, BE32(file, idat - 4));
    EXPECT_EQ(ZlibInflate(data, 1 << 20), rows) << limit;
    if (limit == 1000) EXPECT_EQ(data, ZlibDeflate(rows));
  }
}

// ---- JPEG, read back through libjpeg ----

struct JpegRead {
  int Width = 0, Height = 0, Components = 0;
  bool Jfif = false, Progressive = true;
  std::vector<uint8_t> Pixels;
};

struct ReadErrors {
  jpeg_error_mgr Base;
  std::jmp_buf Escape;
};

bool ReadJpeg(const std::string& file, JpegRead& out) {
  jpeg_decompress_struct cinfo;
  ReadErrors errors;
  cinfo.err = jpeg_std_error(&errors.Base);
  errors.Base.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<ReadErrors*>(c->err)->Escape, 1); };
  if (setjmp(errors.Escape)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(file.data()), file.size());
  jpeg_read_header(&cinfo, TRUE);
  out.Jfif = cinfo.saw_JFIF_marker;
  out.Progressive = cinfo.progressive_mode;
  jpeg_start_decompress(&cinfo);
  out.Width = cinfo.output_width;
  out.Height = cinfo.output_height;
  out.Components = cinfo.output_components;
  out.Pixels.resize(size_t(out.Width) * out.Height * out.Components);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = out.Pixels.data() + size_t(cinfo.output_scanline) * out.Width * out.Components;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

TEST(JpegWriter, BaselineJfifThatDecodesToThePicture) {
  // Left half orange, right half dark blue: channel order mistakes show.
  Bitmap picture = MakeBitmap(32, 16, [](int x, int) { return x < 16 ? 0xFF8000u : 0x102080u; });
  TPDFJPEGImage jpeg;
  jpeg.Assign(picture);
  JpegRead read;
  ASSERT_TRUE(ReadJpeg(jpeg.Save(), read));
  EXPECT_EQ(read.Width, 32);
  EXPECT_EQ(read.Height, 16);
  EXPECT_EQ(read.Components, 3);
  EXPECT_TRUE(read.Jfif);
  EXPECT_FALSE(read.Progressive);
  auto near = [&](int x, int y, int r, int g, int b) {
    const uint8_t* p = &read.Pixels[(size_t(y) * 32 + x) * 3];
    EXPECT_NEAR(p[0], r, 6);
    EXPECT_NEAR(p[1], g, 6);
    EXPECT_NEAR(p[2], b, 6);
  };
  near(2, 8, 0xFF, 0x80, 0x00);
  near(29, 8, 0x10, 0x20, 0x80);
}

TEST(JpegWriter, QualityChangesTheFileAndFailuresThrow) {
  Bitmap noise = MakeBitmap(64, 64, [](int x, int y) { return uint32_t((x * 37 + y * 91) * 2654435761u) & 0xFFFFFF; });
  TPDFJPEGImage jpeg;
  jpeg.Assign(noise);
  jpeg.Quality = 20;
  size_t low = jpeg.Save().size();
  jpeg.Quality = 95;
  size_t high = jpeg.Save().size();
  EXPECT_LT(low, high);
  // An empty picture is an error inside libjpeg: it must come back as an
  // exception, not end the process.
  TPDFJPEGImage empty;
  empty.Assign(Bitmap());
  EXPECT_THROW(empty.Save(), std::runtime_error);
}

// ---- TIFF, read back through libtiff ----

TEST(TiffWriter, LosslessRgbWithResolution) {
  Bitmap picture = MakeBitmap(5, 3, [](int x, int y) { return uint32_t(x * 50) << 16 | uint32_t(y * 100) << 8 | 7; });
  std::string file = EncodeTIFF(picture, 72);
  std::string path = ::testing::TempDir() + "tiff_writer_test.tif";
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_TRUE(f);
  std::fwrite(file.data(), 1, file.size(), f);
  std::fclose(f);

  TIFF* tif = TIFFOpen(path.c_str(), "r");
  ASSERT_TRUE(tif);
  uint32_t width = 0, height = 0;
  uint16_t samples = 0, bits = 0, unit = 0;
  float xres = 0, yres = 0;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
  TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xres);
  TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yres);
  TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
  EXPECT_EQ(width, 5u);
  EXPECT_EQ(height, 3u);
  EXPECT_EQ(samples, 3);
  EXPECT_EQ(bits, 8);
  EXPECT_FLOAT_EQ(xres, 72);
  EXPECT_FLOAT_EQ(yres, 72);
  EXPECT_EQ(unit, RESUNIT_INCH);
  std::vector<uint8_t> row(TIFFScanlineSize(tif));
  for (uint32_t y = 0; y < height; ++y) {
    ASSERT_EQ(TIFFReadScanline(tif, row.data(), y, 0), 1);
    for (uint32_t x = 0; x < width; ++x) {
      EXPECT_EQ(row[3 * x], x * 50);
      EXPECT_EQ(row[3 * x + 1], y * 100);
      EXPECT_EQ(row[3 * x + 2], 7);
    }
  }
  TIFFClose(tif);
  std::remove(path.c_str());
}

}  // namespace
}  // namespace ostrel
