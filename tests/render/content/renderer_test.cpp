#include "pdf/render/content/pdf_renderer.h"

#include <gtest/gtest.h>

#include "pdf/render/canvas/generic_canvas.h"
#include "pdf/render/glyphs/glyph_rasterizer.h"
#include "tests/render/content/render_fixture.h"

namespace ostrel {
namespace {

using test::Pixel;
using test::RenderFixture;

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kBlue = 0x0000FF;
constexpr uint32_t kBlack = 0;

TEST(RendererPage, SizeFollowsBoxesRotationAndResolution) {
  struct Case {
    const char* media;
    const char* crop;
    int rotate;
    double dpi;
    int w, h;
  } cases[] = {
      {"[0 0 595.276 841.89]", nullptr, 0, 72, 596, 842},
      {nullptr, nullptr, 0, 72, 612, 792},
      {"[0 0 100 50]", nullptr, -90, 72, 50, 100},
      {"[0 0 100 50]", nullptr, 45, 72, 100, 50},
      {"[0 0 100 50]", "[-20 -20 300 300]", 0, 72, 100, 50},
      {"[100 50 0 0]", "[10 10 60 40]", 180, 144, 100, 60},
  };
  for (const Case& c : cases) {
    RenderFixture f;
    f.Page()->RemoveKey("MediaBox");
    f.Page()->RemoveKey("CropBox");
    if (c.media) f.SetEntry("MediaBox", c.media);
    if (c.crop) f.SetEntry("CropBox", c.crop);
    if (c.rotate) f.SetEntry("Rotate", std::to_string(c.rotate));
    Bitmap b = f.Render(c.dpi);
    EXPECT_EQ(b.Width(), c.w) << (c.media ? c.media : "none");
    EXPECT_EQ(b.Height(), c.h);
    EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(Pixel(b, 0, 0), kWhite);
  }
}

TEST(RendererPage, HugeOrBrokenBoxesAreBounded) {
  RenderFixture f;
  TPDFRenderer r(f.fonts);
  f.Page()->RemoveKey("CropBox");
  int w, h;
  f.SetEntry("MediaBox", "[0 0 14400000 14400000]");
  r.PageSize(f.Page(), 72, w, h);
  EXPECT_LE(w, TPDFRenderer::kMaxSide);
  EXPECT_LE(int64_t{w} * h, TPDFRenderer::kMaxPixels);
  EXPECT_GT(w, 10000);
  f.SetEntry("MediaBox", "[0 0 200 1]");
  r.PageSize(f.Page(), 72 * 1000, w, h);  // a thin strip keeps its shape
  EXPECT_LE(w, TPDFRenderer::kMaxSide);
  EXPECT_GE(h, 1);
  f.SetEntry("MediaBox", "[0 0 /x 10]");  // not four numbers: the default
  r.PageSize(f.Page(), 72, w, h);
  EXPECT_EQ(w, 612);
  Bitmap b;
  std::string error;
  EXPECT_FALSE(r.RenderPageToBitmap(f.doc, 1, -5, TGDIPlusSettings{}, b, error));
  EXPECT_FALSE(r.RenderPageToBitmap(f.doc, 9, 72, TGDIPlusSettings{}, b, error));
  EXPECT_FALSE(error.empty());
}

TEST(RendererPaths, FilledRectangleLandsOnItsPixelsAtAnyResolution) {
  RenderFixture f;
  f.SetEntry("MediaBox", "[0 0 100 50]");
  f.SetContent("1 0 0 rg 10 10 20 10 re f");
  for (int scale : {1, 2}) {
    Bitmap b = f.Render(72 * scale);
    ASSERT_EQ(b.Width(), 100 * scale);
    // User y 10..20 is device rows 30..40 of the 50-point page.
    EXPECT_EQ(Pixel(b, 11 * scale, 31 * scale), kRed);
    EXPECT_EQ(Pixel(b, 29 * scale, 39 * scale), kRed);
    EXPECT_EQ(Pixel(b, 9 * scale, 35 * scale), kWhite);
    EXPECT_EQ(Pixel(b, 15 * scale, 29 * scale), kWhite);
    EXPECT_EQ(Pixel(b, 31 * scale, 35 * scale), kWhite);
  }
}

TEST(RendererPaths, RotationTurnsThePageClockwise) {
  RenderFixture f;
  f.SetEntry("MediaBox", "[0 0 100 50]");
  f.SetEntry("Rotate", "90");
  f.SetContent("0 0 1 rg 0 0 10 10 re f");  // bottom-left corner of the page
  Bitmap b = f.Render();
  ASSERT_EQ(b.Width(), 50);
  EXPECT_EQ(Pixel(b, 5, 5), kBlue);  // turned clockwise it lands top-left
  EXPECT_EQ(Pixel(b, 45, 95), kWhite);
}

TEST(RendererPaths, ClipStrokeAndDashes) {
  RenderFixture f;
  f.SetEntry("MediaBox", "[0 0 100 50]");
  f.SetContent(
      "q 0 0 50 50 re W n 0 0 1 rg 0 0 100 50 re f Q "  // left half only
      "1 0 0 RG 2 w [3] 0 d 0 45 m 100 45 l S "          // 3 on 3 off, width 2
      "0 10 m 100 10 l 0 w S");                          // hairline still visible
  Bitmap b = f.Render();
  EXPECT_EQ(Pixel(b, 25, 25), kBlue);
  EXPECT_EQ(Pixel(b, 75, 25), kWhite);
  EXPECT_EQ(Pixel(b, 1, 5), kRed);
  EXPECT_EQ(Pixel(b, 4, 5), kBlue);  // a gap shows the fill below
  EXPECT_EQ(Pixel(b, 49, 5), kRed);
  EXPECT_EQ(Pixel(b, 52, 5), kWhite);
  EXPECT_NE(Pixel(b, 73, 40) & 0xFF, 0xFFu);
}

TEST(RendererState, SaveRestoreNestingAndUnmatchedRestore) {
  RenderFixture f;
  f.SetEntry("MediaBox", "[0 0 100 50]");
  f.SetContent(
      "Q Q 0 0 1 rg q 1 0 0 rg q 0 1 0 rg Q 0 0 10 10 re f Q 20 0 10 10 re f "
      "q 2 0 0 2 0 0 cm Q 40 0 10 10 re f");
  Bitmap b = f.Render();
  EXPECT_EQ(Pixel(b, 5, 45), kRed);    // inner Q restored the outer colour
  EXPECT_EQ(Pixel(b, 25, 45), kBlue);  // outer Q restored blue
  EXPECT_EQ(Pixel(b, 45, 45), kBlue);  // and the matrix
  EXPECT_EQ(Pixel(b, 85, 35), kWhite);
}

TEST(RendererState, BadTokensAndOperatorsDoNotStopThePage) {
  RenderFixture f;
  f.SetEntry("MediaBox", "[0 0 100 50]");
  std::string overflow = "q ";
  for (int i = 0; i < 20; ++i) overflow += "1000000000000000000 0 0 1000000000000000000 0 0 cm ";
  f.SetContent("ET ri /Foo BX % 0 0 100 50 re f\n 1 0 0 rg ) >> <</A 2>> ]  1e999 w " + overflow +
               "Q 0 0 10 10 re f");
  Bitmap b = f.Render();
  EXPECT_EQ(Pixel(b, 5, 45), kRed);
  EXPECT_EQ(Pixel(b, 50, 5), kWhite);  // the comment drew nothing
  EXPECT_TRUE(f.lastError.empty());
}

TEST(RendererState, StreamsOfOnePageDoNotRunTogether) {
  RenderFixture f;
  f.SetEntry("MediaBox", "[0 0 100 50]");
  TPDFArray* parts = f.Pool().NewArray();
  parts->Add(f.Stream("q 1 0 0 rg Q"));
  parts->Add(f.Stream("q 0 0 10 10 re f Q"));
  f.Page()->SetValue("Contents", parts);
  Bitmap b = f.Render();
  EXPECT_EQ(Pixel(b, 5, 45), kBlack);  // the red was restored by Q
}

TEST(RendererColour, PatternsPaintNothingAndChannelsDoNotSpill) {
  RenderFixture f;
  f.SetEntry("MediaBox", "[0 0 100 50]");
  f.SetContent(
      "/Pattern cs /P0 scn 0 0 50 50 re f "
      "1.5 g 60 0 10 10 re f "      // out of range: white, not spilling
      "0 0 0 1 k 80 0 10 10 re f");  // CMYK black
  Bitmap b = f.Render();
  EXPECT_EQ(Pixel(b, 25, 25), kWhite);
  EXPECT_EQ(Pixel(b, 65, 45), kWhite);
  // Content CMYK goes through the colour polynomial: K 1 is a near-black.
  uint32_t cmykBlack = static_cast<uint32_t>(Pixel(b, 85, 45));
  for (int shift : {0, 8, 16}) EXPECT_LT((cmykBlack >> shift) & 0xFF, 0x30u) << std::hex << cmykBlack;
}

TEST(RendererForms, FormsDrawWithTheirMatrixClipAndNeverRecurseForever) {
  RenderFixture f;
  f.SetEntry("MediaBox", "[0 0 100 50]");
  TPDFDictionary* formDict = f.Dict("<< /Type /XObject /Subtype /Form /BBox [0 0 10 10] /Matrix [1 0 0 1 50 0] >>");
  TPDFIndRef* form = f.Stream("1 0 0 rg -100 -100 300 300 re f /Me Do", formDict);
  TPDFStream* formStream = PdfCast<TPDFStream>(form->Resolve());
  TPDFDictionary* formRes = f.Pool().NewDictionary();
  TPDFDictionary* xobjects = f.Pool().NewDictionary();
  xobjects->SetValue("Me", form);  // draws itself
  formRes->SetValue("XObject", xobjects);
  formStream->StreamDict->SetValue("Resources", formRes);
  f.AddResource("XObject", "Fm1", form);
  f.SetContent("/Fm1 Do 0 0 1 rg 0 0 10 10 re f");
  Bitmap b = f.Render();
  EXPECT_EQ(Pixel(b, 55, 45), kRed);    // inside the BBox moved by /Matrix
  EXPECT_EQ(Pixel(b, 75, 25), kWhite);  // clipped by the BBox
  EXPECT_EQ(Pixel(b, 5, 45), kBlue);    // drawing continued after the form
}

TEST(RendererOptionalContent, HiddenGroupsDrawNothing) {
  RenderFixture f;
  f.SetEntry("MediaBox", "[0 0 100 50]");
  f.AddResource("Properties", "oc1", f.Dict("<< /Type /OCG /Usage << /View << /ViewState /OFF >> >> >>"));
  f.SetContent("/OC /oc1 BDC 0 0 50 50 re f EMC 60 0 10 10 re f");
  Bitmap b = f.Render();
  EXPECT_EQ(Pixel(b, 25, 25), kWhite);
  EXPECT_EQ(Pixel(b, 65, 45), kBlack);
}

// A font whose every glyph is a square filling its 1000-unit cell.
class BoxRasterizer : public TPDFGlyphRasterizer {
 public:
  bool DrawGlyph(TGlyphPathSink& canvas, const TGlyphMatrix& m, double x, double y, std::string_view) override {
    double px, py;
    auto point = [&](double gx, double gy) { TransformByMatrix(m, x + gx, y + gy, px, py); };
    point(0, 0);
    canvas.MoveTo(px, py);
    for (auto [gx, gy] : {std::pair{1000.0, 0.0}, std::pair{1000.0, 1000.0}, std::pair{0.0, 1000.0}}) {
      point(gx, gy);
      canvas.LineTo(px, py);
    }
    canvas.ClosePath();
    return true;
  }
};

void UseBoxFont(RenderFixture& f) {
  f.fonts.OnLoadFontProgram = [](const TFontProgramRequest&, TFontProgramResult& result) {
    result.Rasterizer = std::make_shared<BoxRasterizer>();
    result.AdvanceOf = [](std::string_view) { return 1000.0; };
    return true;
  };
  f.AddResource("Font", "F1", f.Indirect(f.Dict("<< /Type /Font /Subtype /Type1 /BaseFont /Box >>")));
}

TEST(RendererText, GlyphsAdvanceWithSpacingAndScaling) {
  RenderFixture f;
  f.SetEntry("MediaBox", "[0 0 100 50]");
  UseBoxFont(f);
  // 10-point boxes; Tz 50 halves both glyphs and advance; TJ moves back.
  f.SetContent("BT /F1 10 Tf 0 0 Td (ab) Tj 50 Tz (c) Tj 100 Tz [-1000 (d)] TJ ET");
  Bitmap b = f.Render();
  EXPECT_EQ(Pixel(b, 5, 45), kBlack);
  EXPECT_EQ(Pixel(b, 15, 45), kBlack);
  EXPECT_EQ(Pixel(b, 22, 45), kBlack);  // half-width c at 20..25
  EXPECT_EQ(Pixel(b, 27, 45), kWhite);
  EXPECT_EQ(Pixel(b, 40, 45), kBlack);  // d after a 10-point gap: 35..45
  EXPECT_EQ(Pixel(b, 31, 45), kWhite);
}

TEST(RendererText, ClipModeCollectsEveryStringOfTheTextObject) {
  RenderFixture f;
  f.SetEntry("MediaBox", "[0 0 100 50]");
  UseBoxFont(f);
  f.SetContent(
      "BT 7 Tr /F1 10 Tf 0 0 Td (a) Tj 20 0 Td (b) Tj ET "
      "1 0 0 rg 0 0 100 50 re f");
  Bitmap b = f.Render();
  EXPECT_EQ(Pixel(b, 5, 45), kRed);    // inside the first string
  EXPECT_EQ(Pixel(b, 25, 45), kRed);   // and the second: not an empty clip
  EXPECT_EQ(Pixel(b, 15, 45), kWhite);
  EXPECT_EQ(Pixel(b, 60, 20), kWhite);
}

TEST(RendererText, TextWithoutARasterizerAdvancesInvisibly) {
  RenderFixture f;
  f.SetEntry("MediaBox", "[0 0 100 50]");
  f.AddResource("Font", "F1", f.Indirect(f.Dict("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>")));
  f.SetContent("BT /F1 10 Tf (Hello) Tj ET 0 0 10 10 re f");
  // A loader that finds no program leaves the font without a rasterizer.
  f.fonts.OnLoadFontProgram = [](const TFontProgramRequest&, TFontProgramResult&) { return false; };
  Bitmap b = f.Render();
  EXPECT_EQ(Pixel(b, 5, 45), kBlack);
  EXPECT_EQ(Pixel(b, 20, 45), kWhite);
}

TEST(RendererText, StandardFontsDrawThroughASubstitute) {
  RenderFixture f;
  f.SetEntry("MediaBox", "[0 0 100 50]");
  f.AddResource("Font", "F1", f.Indirect(f.Dict("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>")));
  f.SetContent("BT /F1 40 Tf 5 10 Td (H) Tj ET");
  Bitmap b = f.Render();
  int dark = 0;
  for (int y = 0; y < 50; ++y) {
    for (int x = 0; x < 100; ++x) dark += Pixel(b, x, y) != kWhite;
  }
  EXPECT_GT(dark, 100) << "the H of Helvetica was not drawn";
}

// Filled glyphs come from cached masks: the same glyph a whole number of
// pixels away draws the very same pixels, in the fill colour, inside the
// clip, and on a later page of the same renderer as well.
TEST(RendererText, MaskedGlyphsKeepPlaceColourAndClip) {
  RenderFixture f;
  f.SetEntry("MediaBox", "[0 0 120 40]");
  f.AddResource("Font", "F1", f.Indirect(f.Dict("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>")));
  f.SetContent("BT /F1 20 Tf 10.3 12 Td (g) Tj 30 0 Td (g) Tj ET "
               "q 70 0 15 40 re W n 1 0 0 rg BT /F1 20 Tf 70.3 12 Td (g) Tj 20 0 Td (g) Tj ET Q");
  auto block = [](const Bitmap& b, int x0) {
    std::vector<uint32_t> pixels;
    for (int y = 0; y < 40; ++y)
      for (int x = x0; x < x0 + 20; ++x) pixels.push_back(Pixel(b, x, y));
    return pixels;
  };
  TPDFRenderer renderer(f.fonts);
  Bitmap pages[2];
  for (Bitmap& b : pages) {
    std::string error;
    ASSERT_TRUE(renderer.RenderPageToBitmap(f.doc, 1, 72, TGDIPlusSettings{}, b, error));
  }
  const Bitmap& b = pages[1];
  EXPECT_EQ(block(b, 8), block(b, 38));
  int black = 0, red = 0;
  for (uint32_t p : block(b, 8)) black += p == kBlack;
  for (uint32_t p : block(b, 68)) red += p == kRed;
  EXPECT_GT(black, 10);
  EXPECT_GT(red, 10);
  // The glyph at 90.3 lies outside the clip: nothing of it is drawn.
  for (uint32_t p : block(b, 88)) {
    if (p != kWhite) {
      ADD_FAILURE() << "ink outside the clip";
      break;
    }
  }
  EXPECT_EQ(block(pages[0], 8), block(b, 8));
}

TEST(RendererImages, InlineImageWithoutEndMarkerSwallowsTheRest) {
  RenderFixture f;
  f.SetEntry("MediaBox", "[0 0 100 50]");
  // Without "EI" the bytes after ID are image data: the "re f" in them must
  // not be run as operators.
  f.SetContent("BI /W 1 /H 1 /CS /G /BPC 8 ID x 0 0 100 50 re f");
  Bitmap b = f.Render();
  EXPECT_EQ(Pixel(b, 50, 25), kWhite);
}

TEST(RendererPage, TopOfAPageWithAFractionalHeightIsRowZero) {
  RenderFixture f;
  f.SetEntry("MediaBox", "[0 0 20 10.5]");  // 11 rows, the last half covered
  f.SetContent("0 9.5 20 1 re f");          // the top point of the page
  Bitmap b = f.Render();
  ASSERT_EQ(b.Height(), 11);
  EXPECT_EQ(Pixel(b, 10, 0), kBlack);
  EXPECT_EQ(Pixel(b, 10, 1), kWhite);
}

}  // namespace
}  // namespace ostrel
