// Choosing rasterizers for loaded fonts and substituting installed fonts,
// against a private fontconfig setup holding only the project's packages.
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "pdf/render/glyphs/font_program_loader.h"
#include "pdf/render/glyphs/system_fonts.h"
#include "pdf/render/glyphs/truetype_rasterizer.h"
#include "pdf/render/glyphs/type3_rasterizer.h"
#include "tests/text/font_test_pool.h"

namespace ostrel {
namespace {

FcConfig* ProjectFonts() {
  static FcConfig* config = [] {
    FcConfig* c = FcConfigCreate();
    for (const char* dir : {"/usr/share/fonts/truetype/liberation", "/usr/share/fonts/truetype/dejavu"})
      if (std::filesystem::exists(dir)) FcConfigAppFontAddDir(c, reinterpret_cast<const FcChar8*>(dir));
    return c;
  }();
  return config;
}

struct TCountingSink : TGlyphPathSink {
  int Segments = 0;
  void MoveTo(double, double) override { ++Segments; }
  void LineTo(double, double) override { ++Segments; }
  void CurveTo(double, double, double, double, double, double) override { ++Segments; }
  void QuadCurveTo(double, double, double, double) override { ++Segments; }
  void ClosePath() override {}
};

TEST(GlyphRasterSubstitute, NameRewriting) {
  EXPECT_EQ(RewriteSubstituteName("ABCDEF+Arial-BoldMT"), "Arial,Bold");
  EXPECT_EQ(RewriteSubstituteName("Foo-BoldOblique"), "Foo,BoldItalic");
  EXPECT_EQ(RewriteSubstituteName("Times-Bold-Bold"), "Times,Bold");
  EXPECT_EQ(RewriteSubstituteName(""), "Arial");
}

TEST(GlyphRasterSubstitute, ChoosesInstalledFamiliesAndFallbacks) {
  if (!std::filesystem::exists("/usr/share/fonts/truetype/liberation")) GTEST_SKIP() << "fonts-liberation missing";
  TSystemFonts fonts(ProjectFonts());
  TSystemFontChoice c = fonts.Choose("ABCDEF+Arial-BoldMT", 0);
  EXPECT_EQ(c.Family, "Arial");
  EXPECT_TRUE(c.Bold);
  EXPECT_FALSE(c.Italic);
  EXPECT_EQ(fonts.Choose("Helvetica", 0).Family, "Arial");
  c = fonts.Choose("NoSuchFont", 0x42);
  EXPECT_EQ(c.Family, "Times New Roman");
  EXPECT_TRUE(c.Italic);
  EXPECT_EQ(fonts.Choose("NoSuchFont", 1).Family, "Courier");
  EXPECT_EQ(fonts.Choose("LiberationSans", 0).Family, "Liberation Sans");
  TSystemFontFile file = fonts.FindFile({"Times New Roman", true, true});
  EXPECT_NE(file.Path.find("LiberationSerif-BoldItalic"), std::string::npos) << file.Path;
}

// Each non-embedded name, with what its descriptor says, lands on the face of
// its family, weight and slant.
TEST(GlyphRasterSubstitute, StyleNamesPickTheirFaces) {
  if (!std::filesystem::exists("/usr/share/fonts/truetype/liberation")) GTEST_SKIP() << "fonts-liberation missing";
  struct TCase {
    const char* BaseFont;
    TFontStyleHints Hints;
    const char* File;
  };
  const TCase cases[] = {
      {"Times-Roman", {}, "LiberationSerif-Regular"},
      {"Times-Bold", {}, "LiberationSerif-Bold."},
      {"Times-Italic", {}, "LiberationSerif-Italic"},
      {"Times-BoldItalic", {}, "LiberationSerif-BoldItalic"},
      {"TimesNewRoman,BoldItalic", {}, "LiberationSerif-BoldItalic"},
      {"ABCDEF+TimesNewRomanPS-ItalicMT", {}, "LiberationSerif-Italic"},
      {"Arial-BoldItalicMT", {}, "LiberationSans-BoldItalic"},
      {"Helvetica-Oblique", {}, "LiberationSans-Italic"},
      {"Helvetica-Black", {}, "LiberationSans-Bold."},
      {"ArialBold", {}, "LiberationSans-Bold."},
      {"Courier-BoldOblique", {}, "LiberationMono-BoldItalic"},
      {"CourierNewPS,Italic", {}, "LiberationMono-Italic"},
      {"Georgia-Semibold", {}, "LiberationSerif-Bold."},
      {"Unknown", {.Flags = 2, .FontWeight = 700}, "LiberationSerif-Bold."},
      {"Unknown", {.Flags = 0x40000}, "LiberationSans-Bold."},
      {"Unknown", {.StemV = 140}, "LiberationSans-Bold."},
      {"Unknown", {.StemV = 80}, "LiberationSans-Regular"},
      {"Unknown", {.Flags = 1, .ItalicAngle = -12}, "LiberationMono-Italic"},
      {"Palatino,Italic", {.Flags = 0x42}, "LiberationSerif-Italic"},
      {"DejaVuSans-Bold", {}, "DejaVuSans-Bold."},
  };
  TSystemFonts fonts(ProjectFonts());
  for (const TCase& c : cases) {
    TSystemFontFile file = fonts.FindFile(fonts.Choose(c.BaseFont, c.Hints));
    EXPECT_NE(file.Path.find(c.File), std::string::npos) << c.BaseFont << " -> " << file.Path;
  }
}

TEST(GlyphRasterLoader, StandardAndType3FontsGetTheirRasterizers) {
  if (!std::filesystem::exists("/usr/share/fonts/truetype/liberation")) GTEST_SKIP() << "fonts-liberation missing";
  TFontTestPool pool;
  pool.Add(1, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
  pool.Add(2, "<< /Type /Font /Subtype /Type3 /FontMatrix [0.01 0 0 0.01 0 0] /CharProcs << /a 3 0 R /b 5 >> >>");
  pool.AddStream(3, "0 0 m 10 10 l f");
  pool.Add(4, "<< /Type /Font /Subtype /Type1 /BaseFont /Symbol >>");
  TPDFFontCollection fonts;
  fonts.LoadFontPrograms = true;
  fonts.OnLoadFontProgram = MakeFontProgramLoader(fonts, std::make_shared<TSystemFonts>(ProjectFonts()));

  ASSERT_TRUE(fonts.SelectFontRecord(pool.Ref(1)));
  ASSERT_NE(fonts.CurrentFont->Rasterizer, nullptr);
  TCountingSink sink;
  EXPECT_TRUE(fonts.CurrentFont->Rasterizer->DrawGlyph(sink, {1, 0, 0, 1, 0, 0}, 0, 0, "A"));
  EXPECT_GT(sink.Segments, 3);
  EXPECT_EQ(fonts.CurrentFont->Widths['A'], 667);  // the standard widths, not the substitute's

  ASSERT_TRUE(fonts.SelectFontRecord(pool.Ref(2)));
  auto* type3 = dynamic_cast<TPDFType3Rasterizer*>(fonts.CurrentFont->Rasterizer.get());
  ASSERT_NE(type3, nullptr);
  EXPECT_EQ(type3->FontMatrix()[0], 0.01);
  EXPECT_EQ(type3->ProcedureFor("a"), "0 0 m 10 10 l f");
  EXPECT_EQ(type3->ProcedureFor("b"), "");

  // Symbol draws Greek through an installed font with a Unicode cmap.
  ASSERT_TRUE(fonts.SelectFontRecord(pool.Ref(4)));
  ASSERT_NE(fonts.CurrentFont->Rasterizer, nullptr);
  TCountingSink greek;
  EXPECT_TRUE(fonts.CurrentFont->Rasterizer->DrawGlyph(greek, {1, 0, 0, 1, 0, 0}, 0, 0, fonts.CurrentFont->GlyphNames['a']));
}

TEST(GlyphRasterLoader, DingbatsDrawFromTheBuiltInFont) {
  if (!BuiltInDingbatsFont() || BuiltInDingbatsFont()->empty()) GTEST_SKIP() << "fonts-urw-base35 missing";
  TFontTestPool pool;
  pool.Add(1, "<< /Type /Font /Subtype /Type1 /BaseFont /ZapfDingbats >>");
  TPDFFontCollection fonts;
  fonts.LoadFontPrograms = true;
  fonts.OnLoadFontProgram = MakeFontProgramLoader(fonts, std::make_shared<TSystemFonts>(ProjectFonts()));
  ASSERT_TRUE(fonts.SelectFontRecord(pool.Ref(1)));
  ASSERT_NE(fonts.CurrentFont->Rasterizer, nullptr);
  TCountingSink sink;
  // Code 0x41 is named "A" by StandardEncoding and is the star a24 in Dingbats.
  EXPECT_TRUE(fonts.CurrentFont->Rasterizer->DrawGlyph(sink, {1, 0, 0, 1, 0, 0}, 0, 0, "A"));
  EXPECT_GT(sink.Segments, 3);
}

}  // namespace
}  // namespace ostrel
