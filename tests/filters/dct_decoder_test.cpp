#include "pdf/filters/dct_decoder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace ostrel {
namespace {

// Encodes a width x height picture whose pixel (x, y) is `color(x, y)`
// (0xRRGGBB, or grey in the low byte when components == 1).
template <class F>
std::string EncodeJpeg(int width, int height, int components, F color) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = width;
  cinfo.image_height = height;
  cinfo.input_components = components;
  cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 100, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<unsigned char> row(width * components);
  while (cinfo.next_scanline < cinfo.image_height) {
    int y = cinfo.next_scanline;
    for (int x = 0; x < width; ++x) {
      uint32_t c = color(x, y);
      if (components == 1) {
        row[x] = c & 0xFF;
      } else {
        row[3 * x] = (c >> 16) & 0xFF;
        row[3 * x + 1] = (c >> 8) & 0xFF;
        row[3 * x + 2] = c & 0xFF;
      }
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::string out(reinterpret_cast<char*>(buffer), size);
  free(buffer);
  return out;
}

bool Near(uint32_t a, uint32_t b, int tolerance) {
  for (int shift = 0; shift < 24; shift += 8)
    if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance) return false;
  return true;
}

TEST(DCTDecoder, DecodesColourQuadrants) {
  const uint32_t colours[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  auto quadrant = [&](int x, int y) { return colours[(x >= 16) + 2 * (y >= 16)]; };
  std::string jpeg = EncodeJpeg(32, 32, 3, quadrant);
  Bitmap bmp;
  TJpegInfo info;
  ASSERT_TRUE(TDCTDecoder{}.Decode(jpeg, bmp, &info));
  EXPECT_EQ(bmp.PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(info.Components, 3);
  ASSERT_EQ(bmp.Width(), 32);
  ASSERT_EQ(bmp.Height(), 32);
  for (int y : {4, 27})
    for (int x : {4, 27}) EXPECT_TRUE(Near(bmp.PixelRGB(x, y), quadrant(x, y), 8)) << x << "," << y;
  // Byte order in memory is B, G, R.
  EXPECT_GT(bmp.Row(4)[4 * 3 + 2], 240);
}

TEST(DCTDecoder, GreyGivesPalettedBitmapAndLineFeedIsSkipped) {
  std::string jpeg = "\n" + EncodeJpeg(16, 8, 1, [](int x, int) { return uint32_t(x * 16); });
  Bitmap bmp;
  ASSERT_TRUE(TDCTDecoder{}.Decode(jpeg, bmp));
  EXPECT_EQ(bmp.PixelFormat(), TPixelFormat::pf8bit);
  EXPECT_NEAR(bmp.Row(3)[10], 160, 6);
  EXPECT_EQ(bmp.PixelRGB(0, 0) & 0xFF, bmp.Row(0)[0]);
}

TEST(DCTDecoder, ErrorsReturnInsteadOfExitingTheProcess) {
  Bitmap bmp;
  std::string error;
  EXPECT_FALSE(TDCTDecoder{}.Decode("not a jpeg at all", bmp, nullptr, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(bmp.Empty());
  EXPECT_FALSE(TDCTDecoder{}.Decode("", bmp));

  // A truncated scan still yields the picture (libjpeg fills in the rest).
  std::string jpeg = EncodeJpeg(64, 64, 3, [](int x, int y) { return uint32_t(x * 4 << 8 | y * 4); });
  EXPECT_TRUE(TDCTDecoder{}.Decode(jpeg.substr(0, jpeg.size() / 2), bmp));
  EXPECT_EQ(bmp.Width(), 64);
  // Cut inside the header: an error, not a crash.
  EXPECT_FALSE(TDCTDecoder{}.Decode(jpeg.substr(0, 40), bmp));
}

TEST(DCTDecoder, DeclaredSizeIsBoundedBeforeDecoding) {
  std::string jpeg = EncodeJpeg(200, 100, 3, [](int, int) { return 0u; });
  TDCTDecoder small;
  small.MaxBytes = 200 * 100 * 3 - 1;
  Bitmap bmp;
  EXPECT_FALSE(small.Decode(jpeg, bmp));
  TJpegInfo info;
  ASSERT_TRUE(ReadJpegInfo(jpeg, info));
  EXPECT_EQ(info.Width, 200);
  EXPECT_EQ(info.Height, 100);
}

}  // namespace
}  // namespace ostrel
