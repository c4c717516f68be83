#include "pdf/render/colour/colour_manager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "pdf/render/colour/colour_space_lab.h"
#include "tests/render/colour/colour_test_support.h"

namespace ostrel {
namespace {

using testing_support::Rgb;

int32_t Cmyk(const TPDFSimpleColorManager& cm, double c, double m, double y, double k) {
  const TPDFRGB rgb = cm.CMYKToRGB(c, m, y, k);
  return cm.RGBToColor(rgb.R, rgb.G, rgb.B);
}

TEST(ColourManager, CmykPolynomialMatchesPrintedInks) {
  TPDFSimpleColorManager cm;
  EXPECT_EQ(Cmyk(cm, 0, 0, 0, 1), Rgb(35, 31, 32));
  EXPECT_EQ(Cmyk(cm, 1, 0, 0, 0), Rgb(0, 173, 239));
  EXPECT_EQ(Cmyk(cm, 0, 1, 0, 0), Rgb(236, 0, 140));
  EXPECT_EQ(Cmyk(cm, 0, 0, 1, 0), Rgb(255, 242, 0));
  EXPECT_EQ(Cmyk(cm, 1, 1, 1, 1), Rgb(0, 0, 0));
  EXPECT_EQ(Cmyk(cm, 0, 0, 0, 0), Rgb(255, 255, 255));
}

TEST(ColourManager, SimpleCmykFormulaWhenPolynomialIsOff) {
  TPDFSimpleColorManager cm;
  cm.UseCMYKPolynomial = 0;
  EXPECT_EQ(Cmyk(cm, 1, 0, 0, 0), Rgb(0, 255, 255));
  EXPECT_EQ(Cmyk(cm, 0, 0, 0, 0.5), Rgb(128, 128, 128));
  EXPECT_EQ(Cmyk(cm, 0.5, 0, 0, 0.5), Rgb(64, 128, 128));  // 63.75 rounds up
  EXPECT_EQ(Cmyk(cm, 2, 0, 0, 0), Rgb(0, 255, 255));      // min(..., 1) keeps red at 0
}

// Every channel is clamped before packing: an out-of-range or NaN component
// must not carry into its neighbour.
TEST(ColourManager, PackerClampsEveryChannel) {
  EXPECT_EQ(PackColor(1.2, -0.1, 0.5), Rgb(255, 0, 128));
  EXPECT_EQ(PackGray(1.5), Rgb(255, 255, 255));
  EXPECT_EQ(PackGray(-3), 0);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(PackColor(nan, 1, nan), Rgb(0, 255, 0));
  EXPECT_EQ(PackColor(std::numeric_limits<double>::infinity(), 0, 0), Rgb(255, 0, 0));
  EXPECT_EQ(ColorChannelByte(2.5 / 255), 2);   // half to even
  EXPECT_EQ(ColorChannelByte(3.5 / 255), 4);
}

TEST(ColourManager, LabToRgb) {
  TPDFSimpleColorManager cm;
  TPDFLabColorSpace lab(cm);
  const int32_t white = cm.LabToColor(lab, 100, 0, 0);
  EXPECT_GE(testing_support::Red(white), 254);
  EXPECT_GE(testing_support::Green(white), 254);
  EXPECT_GE(testing_support::Blue(white), 254);
  EXPECT_EQ(cm.LabToColor(lab, 0, 0, 0), 0);
  EXPECT_EQ(cm.LabToColor(lab, 150, 0, 0), white);  // L above 100 counts as 100
  // a* beyond the space's range is limited to it.
  EXPECT_EQ(cm.LabToColor(lab, 50, 400, 0), cm.LabToColor(lab, 50, 100, 0));
  const int32_t red = cm.LabToColor(lab, 50, 80, 60);
  EXPECT_GT(testing_support::Red(red), 200);
  EXPECT_LT(testing_support::Green(red), 60);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(cm.LabToColor(lab, nan, nan, nan), 0);
  // An inverted range must not be undefined behaviour; it pins a* to its minimum.
  lab.Range[0] = 50, lab.Range[1] = -50;
  EXPECT_EQ(cm.LabToColor(lab, 50, 0, 0), cm.LabToColor(lab, 50, 50, 0));
}

TEST(ColourManager, WhitePointAcceptedOnlyWithUnitY) {
  TPDFSimpleColorManager cm;
  cm.SetWhitePoint(0.9642, 1.0, 0.8249);
  EXPECT_DOUBLE_EQ(cm.WhitePoint[0], 0.9642);
  cm.SetWhitePoint(0.9642, -5.0, 0.8249);
  EXPECT_DOUBLE_EQ(cm.WhitePoint[0], 0.9505);
  EXPECT_DOUBLE_EQ(cm.WhitePoint[2], 1.089);
}

}  // namespace
}  // namespace ostrel
