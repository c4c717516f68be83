#include "pdf/render/colour/icc_transform.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <string>

#include "pdf/render/images/image_decoder_cache.h"
#include "tests/render/colour/colour_test_support.h"
#include "tests/render/content/render_fixture.h"

namespace ostrel {
namespace {

using testing_support::Blue;
using testing_support::Green;
using testing_support::Red;

std::string Saved(cmsHPROFILE profile) {
  cmsUInt32Number size = 0;
  std::string bytes;
  if (profile && cmsSaveProfileToMem(profile, nullptr, &size)) {
    bytes.resize(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
  }
  if (profile) cmsCloseProfile(profile);
  return bytes;
}

std::string SRGBProfile() { return Saved(cmsCreate_sRGBProfile()); }

// A gray profile with linear response: gray 0.5 is half the light, which
// sRGB encodes as about 188, not 128.
std::string LinearGrayProfile() {
  cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
  std::string bytes = Saved(cmsCreateGrayProfile(cmsD50_xyY(), linear));
  cmsFreeToneCurve(linear);
  return bytes;
}

bool Near(int value, int expected, int tolerance = 2) { return std::abs(value - expected) <= tolerance; }

TEST(ICCTransform, ProfilesMadeByLcmsGiveKnownColours) {
  auto srgb = TICCTransform::ForProfile(SRGBProfile(), 3);
  ASSERT_TRUE(srgb);
  const uint8_t in[6] = {200, 100, 30, 0, 255, 128};
  uint8_t out[6];
  srgb->ToRGB(in, out, 2);
  for (int i = 0; i < 6; ++i) EXPECT_TRUE(Near(out[i], in[i])) << i << ": " << int{out[i]};

  auto gray = TICCTransform::ForProfile(LinearGrayProfile(), 1);
  ASSERT_TRUE(gray);
  const TPDFRGB half = gray->ColorOf(std::vector<double>{0.5});
  EXPECT_TRUE(Near(static_cast<int>(half.R * 255 + 0.5), 188)) << half.R * 255;
  EXPECT_NEAR(half.R, half.B, 0.01);
  // The same bytes give the same transform; a profile of another space or
  // no profile at all gives none.
  EXPECT_EQ(TICCTransform::ForProfile(LinearGrayProfile(), 1), gray);
  EXPECT_FALSE(TICCTransform::ForProfile(SRGBProfile(), 1));
  EXPECT_FALSE(TICCTransform::ForProfile("not a profile", 3));
  EXPECT_FALSE(TICCTransform::ForProfile(SRGBProfile(), 2));
}

// A 20 x 20 point page whose left half is an image sample of gray 128 in
// the space /CS0 and whose right half is filled with gray 0.5 in it.
Bitmap RenderGrayHalves(std::string_view profile, std::string_view streamKeys) {
  test::RenderFixture page;
  page.Page()->RemoveKey("CropBox");
  page.SetEntry("MediaBox", "[0 0 20 20]");
  TPDFStream* icc = page.Pool().NewStream("", false);
  icc->StreamDict->AssignFrom(page.Dict("<< /N 1 " + std::string(streamKeys) + " >>"));
  icc->SetRawData(std::string(profile));
  TPDFArray* space = page.Pool().NewArray();
  space->Add(page.Pool().NewName("ICCBased"));
  space->Add(page.Indirect(icc));
  page.AddResource("ColorSpace", "CS0", space);
  TPDFStream* image = page.Pool().NewStream("", false);
  image->StreamDict->AssignFrom(page.Dict("<< /Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8 >>"));
  image->StreamDict->SetValue("ColorSpace", space);
  image->SetRawData(std::string(1, '\x80'));
  page.AddResource("XObject", "Im0", page.Indirect(image));
  page.SetContent("q 10 0 0 20 0 0 cm /Im0 Do Q /CS0 cs 0.5 sc 10 0 10 20 re f");
  TPDFRenderer renderer(page.fonts);
  renderer.SetImages(std::make_unique<TPDFImageDecoderCache>(renderer));
  Bitmap out;
  std::string error;
  renderer.RenderPageToBitmap(page.doc, 1, 72, TGDIPlusSettings{}, out, error);
  return out;
}

// Images go through their profile; colours set by content operators keep
// the alternate space, as pages have always been drawn.
TEST(ICCTransform, ImagesGoThroughTheProfileFillsThroughTheAlternate) {
  Bitmap managed = RenderGrayHalves(LinearGrayProfile(), "");
  ASSERT_FALSE(managed.Empty());
  EXPECT_TRUE(Near(test::Pixel(managed, 5, 10) & 0xFF, 188)) << std::hex << test::Pixel(managed, 5, 10);
  EXPECT_TRUE(Near(test::Pixel(managed, 15, 10) & 0xFF, 128)) << std::hex << test::Pixel(managed, 15, 10);
  // An unreadable profile leaves the alternate, here DeviceGray.
  Bitmap fallback = RenderGrayHalves("garbage", "/Alternate /DeviceGray");
  EXPECT_EQ(test::Pixel(fallback, 5, 10), 0x808080u);
  EXPECT_TRUE(Near(test::Pixel(fallback, 15, 10) & 0xFF, 128));
}

}  // namespace
}  // namespace ostrel
