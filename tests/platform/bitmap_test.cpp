// The in-place conversion of a rendered page must give the very bitmap the
// copying conversion gives, row padding included, for every row alignment.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "platform/bitmap.h"

namespace ostrel {
namespace {

Bitmap RandomPage(int width, int height, std::mt19937& random) {
  Bitmap page(width, height, TPixelFormat::pf32bit);
  for (int y = 0; y < height; ++y)
    for (size_t i = 0; i < page.Stride(); ++i) page.Row(y)[i] = static_cast<uint8_t>(random());
  return page;
}

TEST(Bitmap, InPlaceConversionEqualsTheCopy) {
  std::mt19937 random(7);
  for (int width : {1, 2, 3, 4, 5, 7, 64, 333}) {
    for (int height : {1, 2, 9}) {
      Bitmap page = RandomPage(width, height, random);
      const Bitmap copy = page.ConvertedTo24Bit();
      page.ConvertTo24Bit();
      ASSERT_EQ(page.PixelFormat(), TPixelFormat::pf24bit);
      ASSERT_EQ(page.Stride(), copy.Stride()) << width;
      ASSERT_EQ(page.Width(), width);
      ASSERT_EQ(page.Height(), height);
      for (int y = 0; y < height; ++y)
        EXPECT_EQ(std::memcmp(page.Row(y), copy.Row(y), copy.Stride()), 0) << width << "x" << height << " row " << y;
    }
  }
}

TEST(Bitmap, InPlaceConversionOfOtherFormats) {
  Bitmap grey(3, 2, TPixelFormat::pf8bit);
  grey.SetGreyPalette();
  grey.Row(1)[2] = 255;
  grey.ConvertTo24Bit();
  EXPECT_EQ(grey.PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(grey.PixelRGB(2, 1), 0xFFFFFFu);
  EXPECT_EQ(grey.PixelRGB(0, 0), 0u);
  Bitmap empty;
  empty.ConvertTo24Bit();
  EXPECT_TRUE(empty.Empty());
}

}  // namespace
}  // namespace ostrel
