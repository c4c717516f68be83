#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/render/colour/colour_render_colors.h"
#include "pdf/render/colour/colour_space_indexed.h"
#include "pdf/render/colour/colour_space_loader.h"
#include "pdf/render/colour/colour_space_registry.h"
#include "pdf/render/colour/colour_space_tint.h"
#include "tests/render/colour/colour_test_support.h"

namespace ostrel {
namespace {

using testing_support::Rgb;

// A Type 2 tint transform from tint to the given full-tint outputs.
std::string Tint(const std::string& c1) {
  return "<< /FunctionType 2 /Domain [0 1] /C0 [" + std::string(c1.size() > 2 ? "0 0 0 0" : "0") + "] /C1 [" +
         c1 + "] /N 1 >>";
}

class ColourSpaceTest : public ::testing::Test {
 protected:
  int32_t Color(std::string_view spaceText, std::vector<double> components) {
    auto space = LoadColorSpace(objects.Parse(spaceText), manager);
    if (!space) return -1;
    return space->ComponentsToColor(components);
  }
  testing_support::TestObjects objects;
  TPDFSimpleColorManager manager;
  TPDFColorSpaceRegistry registry{manager};
};

TEST_F(ColourSpaceTest, SeparationThroughItsTintTransform) {
  EXPECT_EQ(Color("[/Separation /Cyan /DeviceCMYK " + Tint("1 0 0 0") + "]", {1}), Rgb(0, 173, 239));
  EXPECT_EQ(Color("[/Separation /Cyan /DeviceCMYK " + Tint("1 0 0 0") + "]", {0}), Rgb(255, 255, 255));
  EXPECT_EQ(Color("[/Separation /Gray /DeviceGray << /FunctionType 2 /Domain [0 1] /C0 [1] /C1 [0] >>]", {0.25}),
            Rgb(191, 191, 191));
  // RGB outputs beyond 1 are clamped, not spilled into the next channel.
  EXPECT_EQ(Color("[/Separation /Hot /DeviceRGB << /FunctionType 2 /Domain [0 1] /C0 [0 0 0] /C1 [1.5 0 0] >>]",
                  {1}),
            Rgb(255, 0, 0));
  // A stitching transform over [0 1] reaches its last piece at tint 1.
  EXPECT_EQ(Color("[/Separation /S /DeviceRGB << /FunctionType 3 /Domain [0 1] /Bounds [0.5] /Encode [0 1 0 1] "
                  "/Functions [<< /FunctionType 2 /Domain [0 1] /C0 [1 1 1] /C1 [1 0 0] >> "
                  "<< /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] >>] >>]",
                  {1}),
            Rgb(0, 0, 255));
  // ICCBased alternates count by their /N.
  objects.Number(9, objects.Stream("<< /N 3 >>", "profile"));
  EXPECT_EQ(Color("[/Separation /S [/ICCBased 9 0 R] << /FunctionType 2 /Domain [0 1] /C0 [0 0 0] /C1 [0 1 0] >>]",
                  {1}),
            Rgb(0, 255, 0));
}

TEST_F(ColourSpaceTest, UnusableTintTransformsGiveBlack) {
  EXPECT_EQ(Color("[/Separation /S /DeviceCMYK /None]", {0}), 0);
  EXPECT_EQ(Color("[/Separation /S /DeviceRGB " + Tint("1 0 0 0") + "]", {0}), 0);  // 4 outputs for RGB
  const std::string failing = "[/Separation /S /DeviceGray 5 0 R]";
  objects.Number(5, objects.Stream("<< /FunctionType 4 /Domain [0 1] /Range [0 1] >>", "{ 0 idiv }"));
  EXPECT_EQ(Color(failing, {0.5}), 0);
  EXPECT_EQ(Color("[/Separation /S]", {0.5}), -1);
}

TEST_F(ColourSpaceTest, SeparationLabAlternateUsesItsOwnRange) {
  const std::string lab = "[/Lab << /WhitePoint [0.9505 1 1.089] /Range [-10 10 -10 10] >>]";
  const std::string sep = "[/Separation /L " + lab + " << /FunctionType 2 /Domain [0 1] /C0 [50 0 0] /C1 [50 80 0] >>]";
  // Another space's wider range must not leak in through the shared manager.
  Color("[/Lab << /WhitePoint [0.9505 1 1.089] /Range [-128 127 -128 127] >>]", {50, 0, 0});
  EXPECT_EQ(Color(sep, {1}), Color(lab, {50, 10, 0}));
}

TEST_F(ColourSpaceTest, DeviceNThroughItsTintTransform) {
  const std::string cm = "[/DeviceN [/Cyan /Magenta] /DeviceCMYK 7 0 R]";
  objects.Number(7, objects.Stream("<< /FunctionType 4 /Domain [0 1 0 1] /Range [0 1 0 1 0 1 0 1] >>", "{ 0 0 }"));
  EXPECT_EQ(Color(cm, {1, 0}), Rgb(0, 255, 255));  // DeviceN takes the simple CMYK formula
  EXPECT_EQ(Color(cm, {0, 1}), Rgb(255, 0, 255));
  EXPECT_EQ(Color(cm, {1}), 0);  // input count differs from the transform's
  EXPECT_EQ(Color("[/DeviceN [/Black] /DeviceGray << /FunctionType 2 /Domain [0 1] /C0 [1] /C1 [0] >>]", {1}), 0);
  EXPECT_EQ(Color("[/DeviceN [/Black] /DeviceGray << /FunctionType 2 /Domain [0 1] /C0 [1] /C1 [0] >>]", {0.5}),
            Rgb(128, 128, 128));
  EXPECT_EQ(Color("[/DeviceN [] /DeviceGray " + Tint("1") + "]", {1}), -1);
}

TEST_F(ColourSpaceTest, DeviceNCachesByThreeDecimals) {
  objects.Number(3, objects.Stream("<< /FunctionType 4 /Domain [0 1] /Range [0 1 0 1 0 1] >>", "{ dup dup }"));
  auto space = LoadColorSpace(objects.Parse("[/DeviceN [/A] /DeviceRGB 3 0 R]"), manager);
  ASSERT_NE(space, nullptr);
  const int32_t first = space->ComponentsToColor(std::vector<double>{0.5001});
  EXPECT_EQ(space->ComponentsToColor(std::vector<double>{0.5004}), first);
  for (int i = 0; i < 5000; ++i) space->ComponentsToColor(std::vector<double>{i / 5000.0});  // stays bounded
  EXPECT_EQ(space->ComponentsToColor(std::vector<double>{1}), Rgb(255, 255, 255));
}

TEST_F(ColourSpaceTest, IndexedLookupIsCheckedAndLimited) {
  const std::string rgb = "[/Indexed /DeviceRGB 2 <FF000000FF00>]";  // entry 2 is missing
  EXPECT_EQ(Color(rgb, {0}), Rgb(255, 0, 0));
  EXPECT_EQ(Color(rgb, {1}), Rgb(0, 255, 0));
  EXPECT_EQ(Color(rgb, {2}), 0);
  EXPECT_EQ(Color(rgb, {1e9}), 0);                // limited to hival
  EXPECT_EQ(Color(rgb, {-5}), Rgb(255, 0, 0));    // limited to 0
  EXPECT_EQ(Color("[/Indexed /DeviceRGB 1000 <0000FF>]", {900}), 0);
  objects.Number(4, objects.Stream("<< >>", std::string("\x00\x00\x00\xff\xff\x00\x00\x00", 8)));
  EXPECT_EQ(Color("[/Indexed /DeviceCMYK 1 4 0 R]", {0}), Rgb(35, 31, 32));
  EXPECT_EQ(Color("[/Indexed /DeviceCMYK 1 4 0 R]", {1}), Rgb(0, 173, 239));
  EXPECT_EQ(Color("[/Indexed [/Separation /S /DeviceGray << /FunctionType 2 /Domain [0 1] /C0 [1] /C1 [0] >>] "
                  "1 <00FF>]",
                  {1}),
            0);
  EXPECT_EQ(Color("[/Indexed /DeviceRGB -1 <>]", {0}), -1);
  EXPECT_EQ(Color("[/Indexed /Pattern 0 <00>]", {0}), -1);
  objects.Number(6, objects.Parse("[/Indexed 6 0 R 0 <00>]"));
  EXPECT_EQ(Color("6 0 R", {0}), -1);
}

TEST_F(ColourSpaceTest, ICCBasedCalAndPatternBecomeOtherSpaces) {
  objects.Number(1, objects.Stream("<< /N 4 >>", ""));
  objects.Number(2, objects.Stream("<< /N 1 /Alternate /DeviceGray >>", ""));
  objects.Number(3, objects.Stream("<< /N 3 /Alternate /DeviceCMYK >>", ""));  // wrong count: /N wins
  objects.Number(4, objects.Stream("<< /N 3 /Alternate 5 0 R >>", ""));
  objects.Number(5, objects.Parse("[/ICCBased 4 0 R]"));  // alternate cycle
  objects.Number(8, objects.Stream("<< /N 3 /Alternate [/Lab << /WhitePoint [1 1 1] >>] >>", ""));
  objects.Number(6, objects.Stream("<< /N 2 >>", ""));
  EXPECT_EQ(registry.KeyFor(objects.Parse("[/ICCBased 1 0 R]")), "DeviceCMYK");
  EXPECT_EQ(registry.KeyFor(objects.Parse("[/ICCBased 2 0 R]")), "DeviceGray");
  EXPECT_EQ(registry.KeyFor(objects.Parse("[/ICCBased 3 0 R]")), "DeviceRGB");
  EXPECT_EQ(registry.KeyFor(objects.Parse("5 0 R")), "DeviceRGB");
  EXPECT_EQ(registry.KeyFor(objects.Parse("[/ICCBased 8 0 R]")).rfind("Lab", 0), 0u);
  EXPECT_EQ(registry.KeyFor(objects.Parse("[/ICCBased 6 0 R]")), "");
  EXPECT_EQ(registry.KeyFor(objects.Parse("[/CalRGB << >>]")), "DeviceRGB");
  EXPECT_EQ(registry.KeyFor(objects.Parse("[/CalGray << >>]")), "DeviceGray");
  EXPECT_EQ(registry.KeyFor(objects.Parse("/Unknown")), "");

  EXPECT_EQ(registry.KeyFor(objects.Parse("/Pattern")), "Pattern");
  EXPECT_EQ(registry.ColorFor("Pattern", {}), std::nullopt);  // leaves the colour as it was
  const std::string uncoloured = registry.KeyFor(objects.Parse("[/Pattern /DeviceRGB]"));
  EXPECT_EQ(registry.ComponentCount(uncoloured), 3u);
  EXPECT_EQ(registry.ColorFor(uncoloured, std::vector<double>{0, 0, 1}), Rgb(0, 0, 255));
}

// Two pages may file different spaces under one resource name: the space is
// found by its object, so each keeps its own colour.
TEST_F(ColourSpaceTest, RegistryKeysSpacesByObjectIdentity) {
  TPDFObject* red = objects.Parse("[/Separation /Spot /DeviceRGB << /FunctionType 2 /Domain [0 1] "
                                  "/C0 [1 1 1] /C1 [1 0 0] >>]");
  TPDFObject* blue = objects.Parse("[/Separation /Spot /DeviceRGB << /FunctionType 2 /Domain [0 1] "
                                   "/C0 [1 1 1] /C1 [0 0 1] >>]");
  const std::string redKey = registry.KeyFor(red);
  const std::string blueKey = registry.KeyFor(blue);
  EXPECT_NE(redKey, blueKey);
  EXPECT_EQ(registry.KeyFor(red), redKey);
  EXPECT_EQ(registry.Count(), 2u);
  EXPECT_EQ(registry.ColorFor(redKey, std::vector<double>{1}), Rgb(255, 0, 0));
  EXPECT_EQ(registry.ColorFor(blueKey, std::vector<double>{1}), Rgb(0, 0, 255));
  EXPECT_EQ(registry.ColorFor("DeviceGray", std::vector<double>{1.5}), Rgb(255, 255, 255));
  EXPECT_EQ(registry.ColorFor("Separation99", std::vector<double>{1}), std::nullopt);
  EXPECT_EQ(registry.ColorFor("DeviceN1", std::vector<double>{1}), std::nullopt);  // wrong kind word
  EXPECT_EQ(registry.ColorFor("", std::vector<double>{1}), std::nullopt);
}

}  // namespace
}  // namespace ostrel

namespace ostrel {
namespace {

using testing_support::Rgb;

TEST(ColourRenderHook, SpacesByArrayIdentityWithClampedDeviceColours) {
  testing_support::TestObjects objects;
  TPDFColorLayerColors colors;
  auto* spot = PdfCast<TPDFArray>(objects.Parse("[/DeviceN [/A /B] /DeviceRGB << /FunctionType 4 "
                                                "/Domain [0 1 0 1] /Range [0 1 0 1 0 1] >>]"));
  ASSERT_NE(spot, nullptr);
  const int id = colors.CreateSpace("DeviceN", "CS0", spot);
  EXPECT_EQ(colors.CreateSpace("DeviceN", "CS9", spot), id);
  EXPECT_EQ(colors.ComponentCount(id), 2);
  EXPECT_EQ(colors.CreateSpace("Separation", "CS1", PdfCast<TPDFArray>(objects.Parse("[/Separation]"))), -1);
  EXPECT_EQ(colors.SpaceColor(99, {1}), 0);
  EXPECT_EQ(colors.GrayToColor(1.5), Rgb(255, 255, 255));
  double r, g, b;
  colors.CMYKToRGB(1, 0, 0, 0, r, g, b);
  EXPECT_EQ(colors.RGBToColor(r, g, b), Rgb(0, 173, 239));
}

}  // namespace
}  // namespace ostrel
