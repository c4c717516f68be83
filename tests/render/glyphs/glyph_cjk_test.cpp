// CID-keyed fonts that are not embedded: an installed CJK font found through
// a private fontconfig setup, glyphs found by the Unicode of each code, and
// widths found by the CID the font's CMap gives each code.
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <utility>
#include <vector>

#include "pdf/render/glyphs/font_program_loader.h"
#include "pdf/render/glyphs/glyph_rasterizer.h"
#include "pdf/render/glyphs/simple_truetype_rasterizer.h"
#include "pdf/render/glyphs/system_fonts.h"
#include "pdf/text/cmaps/predefined_cmaps.h"
#include "tests/render/content/render_fixture.h"
#include "tests/text/font_test_pool.h"

namespace ostrel {
namespace {

constexpr const char* kIpaGothicDir = "/usr/share/fonts/opentype/ipafont-gothic";
constexpr const char* kIpaMinchoDir = "/usr/share/fonts/opentype/ipafont-mincho";

bool IpaFontsInstalled() { return std::filesystem::exists(kIpaGothicDir) && std::filesystem::exists(kIpaMinchoDir); }

FcConfig* JapaneseFonts() {
  static FcConfig* config = [] {
    FcConfig* c = FcConfigCreate();
    for (const char* dir : {kIpaGothicDir, kIpaMinchoDir, "/usr/share/fonts/truetype/liberation"})
      if (std::filesystem::exists(dir)) FcConfigAppFontAddDir(c, reinterpret_cast<const FcChar8*>(dir));
    return c;
  }();
  return config;
}

struct TCountingSink : TGlyphPathSink {
  int Segments = 0;
  double MaxX = -1e9;
  void MoveTo(double x, double) override { Note(x); }
  void LineTo(double x, double) override { Note(x); }
  void CurveTo(double, double, double, double, double x, double) override { Note(x); }
  void QuadCurveTo(double, double, double x, double) override { Note(x); }
  void ClosePath() override {}
  void Note(double x) {
    ++Segments;
    MaxX = std::max(MaxX, x);
  }
};

std::string FileName(const TSystemFontFile& f) { return std::filesystem::path(f.Path).filename().string(); }

TEST(GlyphCJK, NamesAndFlagsChooseMinchoOrGothic) {
  if (!IpaFontsInstalled()) GTEST_SKIP() << "fonts-ipafont missing";
  TSystemFonts fonts(JapaneseFonts());
  EXPECT_EQ(FileName(fonts.FindCJKFile("HeiseiMin-W3", 0, "Japan1")), "ipam.ttf");
  EXPECT_EQ(FileName(fonts.FindCJKFile("HeiseiKakuGo-W5", 0, "Japan1")), "ipag.ttf");
  EXPECT_EQ(FileName(fonts.FindCJKFile("KozMinPro-Regular-Acro", 0, "Japan1")), "ipam.ttf");
  EXPECT_EQ(FileName(fonts.FindCJKFile("ABCDEF+MS-PGothic", 0, "Japan1")), "ipagp.ttf");
  EXPECT_EQ(FileName(fonts.FindCJKFile("MS-PMincho,Bold", 0, "Japan1")), "ipamp.ttf");
  // A name that tells nothing: the descriptor's serif flag decides.
  EXPECT_EQ(FileName(fonts.FindCJKFile("FooBar", 2, "Japan1")), "ipam.ttf");
  EXPECT_EQ(FileName(fonts.FindCJKFile("FooBar", 0, "")), "ipag.ttf");
  // No Korean font in this setup: the IPA Kanji are the last resort.
  EXPECT_EQ(FileName(fonts.FindCJKFile("HYGoThic-Medium", 0, "Korea1")), "ipag.ttf");
}

TEST(GlyphCJK, ChineseAndKoreanCollectionsTakeTheirLanguagesFonts) {
  constexpr const char* kWqy = "/usr/share/fonts/truetype/wqy";
  constexpr const char* kUn = "/usr/share/fonts/truetype/unfonts-core";
  if (!IpaFontsInstalled() || !std::filesystem::exists(kWqy) || !std::filesystem::exists(kUn))
    GTEST_SKIP() << "fonts-wqy-zenhei or fonts-unfonts-core missing";
  FcConfig* config = FcConfigCreate();
  for (const char* dir : {kIpaGothicDir, kIpaMinchoDir, kWqy, kUn})
    FcConfigAppFontAddDir(config, reinterpret_cast<const FcChar8*>(dir));
  TSystemFonts fonts(config);
  EXPECT_EQ(FileName(fonts.FindCJKFile("STSong-Light", 0, "GB1")), "wqy-zenhei.ttc");
  EXPECT_EQ(FileName(fonts.FindCJKFile("MSung-Light", 0, "CNS1")), "wqy-zenhei.ttc");
  EXPECT_EQ(FileName(fonts.FindCJKFile("HYGoThic-Medium", 0, "Korea1")), "UnDotum.ttf");
  EXPECT_EQ(FileName(fonts.FindCJKFile("HYSMyeongJo-Medium", 0, "Korea1")), "UnBatang.ttf");
  EXPECT_EQ(FileName(fonts.FindCJKFile("HeiseiMin-W3", 0, "Japan1")), "ipam.ttf");
  FcConfigDestroy(config);
}

TEST(GlyphCJK, CollectionsAndNamesTellCJKFontsApart) {
  EXPECT_TRUE(IsCJKFont("Foo", "Japan1"));
  EXPECT_TRUE(IsCJKFont("Foo", "Korea1"));
  EXPECT_TRUE(IsCJKFont("ABCDEF+MS-Mincho", "Identity"));
  EXPECT_TRUE(IsCJKFont("\x82\x6c\x82\x72\x96\xbe\x92\xa9", "Identity"));  // "ＭＳ明朝" in Shift-JIS
  EXPECT_FALSE(IsCJKFont("Arial-BoldMT", "Identity"));
  EXPECT_FALSE(IsCJKFont("Arial-BoldMT", ""));
}

TEST(GlyphCJK, UnicodeKeysOfCharacters) {
  EXPECT_EQ(UnicodeGlyphKey(u"A"), "U+0041");
  EXPECT_EQ(UnicodeGlyphKey(u"\u65E5\u672C"), "U+65E5");
  EXPECT_EQ(UnicodeGlyphKey(u"\U0002000B"), "U+2000B");
  EXPECT_EQ(UnicodeGlyphKey(u""), "");
}

TEST(GlyphCJK, UnicodeCMapsGiveTheirCodesAsText) {
  bool handled = false;
  EXPECT_EQ(SplitPredefined("UniGB-UCS2-H", "\x4E\x2D\x65\x87", handled), (TOstrelCodeList{0x4E2D, 0x6587}));
  EXPECT_TRUE(handled);
  EXPECT_EQ(PredefinedCodeText("UniJIS-UCS2-H", "Adobe-Japan1-2", 0x65E5), u"\u65E5");
  EXPECT_EQ(PredefinedCodeText("UniKS-UTF16-H", "Adobe-Korea1-2", 0xAC00), u"\uAC00");
  // CIDs: the Shift-JIS tables, the inverted Japan1 table for the Unicode
  // CMaps (the proportional Latin forms), and the code itself for Identity.
  EXPECT_EQ(PredefinedCodeCID("90ms-RKSJ-H", "Adobe-Japan1-2", 0x20), 231u);
  EXPECT_EQ(PredefinedCodeCID("90msp-RKSJ-H", "Adobe-Japan1-2", 0x20), 1u);
  EXPECT_EQ(PredefinedCodeCID("UniJIS-UCS2-H", "Adobe-Japan1-2", 0x41), 34u);
  EXPECT_EQ(PredefinedCodeCID("UniJIS-UCS2-HW-H", "Adobe-Japan1-2", 0x41), 264u);
  EXPECT_EQ(PredefinedCodeCID("UniJIS-UCS2-H", "Adobe-Japan1-2", 0x3042), 843u);
  EXPECT_EQ(PredefinedCodeCID("UniJIS-UCS2-H", "Adobe-Japan1-2", 0x4E00), 1200u);
  EXPECT_EQ(PredefinedCodeCID("Identity-H", "Adobe-Japan1-2", 0x3042), 0x3042u);
}

class GlyphCJKLoader : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!IpaFontsInstalled()) GTEST_SKIP() << "fonts-ipafont missing";
    fonts_.LoadFontPrograms = true;
    fonts_.OnLoadFontProgram = MakeFontProgramLoader(fonts_, std::make_shared<TSystemFonts>(JapaneseFonts()));
  }
  // A Type0 font over a CIDFontType0 that is not embedded.
  void AddFont(std::string_view baseFont, std::string_view cmap) {
    std::string base(baseFont), enc(cmap);
    pool_.Add(1, "<< /Type /Font /Subtype /Type0 /BaseFont /" + base + " /Encoding /" + enc +
                     " /DescendantFonts [2 0 R] >>");
    pool_.Add(2, "<< /Type /Font /Subtype /CIDFontType0 /BaseFont /" + base +
                     " /CIDSystemInfo << /Registry (Adobe) /Ordering (Japan1) /Supplement 2 >>"
                     " /FontDescriptor 3 0 R /DW 1000 /W [1 95 500 231 [250 333] 843 [600]] >>");
    pool_.Add(3, "<< /Type /FontDescriptor /FontName /" + base + " /Flags 6 >>");
  }
  TFontTestPool pool_;
  TPDFFontCollection fonts_;
};

TEST_F(GlyphCJKLoader, UCS2CodesDrawTheirCharactersWithCIDWidths) {
  AddFont("HeiseiMin-W3", "UniJIS-UCS2-H");
  ASSERT_TRUE(fonts_.SelectFontRecord(pool_.Ref(1)));
  TPDFGlyphRasterizer* raster = fonts_.CurrentFont->Rasterizer.get();
  ASSERT_NE(raster, nullptr);
  EXPECT_TRUE(raster->DrawsByUnicode());
  TCountingSink sun;
  EXPECT_TRUE(raster->DrawGlyph(sun, {1, 0, 0, 1, 0, 0}, 0, 0, UnicodeGlyphKey(fonts_.CodeToText(0x65E5))));
  EXPECT_GT(sun.Segments, 8);
  EXPECT_LE(sun.MaxX, 1000);  // scaled to thousandths of the em
  EXPECT_EQ(fonts_.CodeWidth(0x3042), 600);  // U+3042 is CID 843
  EXPECT_EQ(fonts_.CodeWidth(0x41), 500);    // CID 34
  TCountingSink none;
  EXPECT_FALSE(raster->DrawGlyph(none, {1, 0, 0, 1, 0, 0}, 0, 0, "U+0378"));  // unassigned
  EXPECT_EQ(none.Segments, 0);
}

TEST_F(GlyphCJKLoader, ShiftJisCodesUseTheirCIDs) {
  AddFont("KozMinPro-Regular", "90ms-RKSJ-H");
  ASSERT_TRUE(fonts_.SelectFontRecord(pool_.Ref(1)));
  ASSERT_NE(fonts_.CurrentFont->Rasterizer, nullptr);
  EXPECT_EQ(fonts_.SplitCodes("\x82\xA0 "), (TOstrelCodeList{0x82A0, 0x20}));
  EXPECT_EQ(fonts_.CodeWidth(0x20), 250);  // CID 231, the half-width space
  EXPECT_EQ(fonts_.CodeWidth(0x82A0), 600);
  EXPECT_EQ(UnicodeGlyphKey(fonts_.CodeToText(0x82A0)), "U+3042");
}

TEST_F(GlyphCJKLoader, HeiseiKakuGoKeepsItsBuiltInWidthsByCode) {
  AddFont("HeiseiKakuGo-W5", "UniJIS-UCS2-H");
  ASSERT_TRUE(fonts_.SelectFontRecord(pool_.Ref(1)));
  ASSERT_NE(fonts_.CurrentFont->Rasterizer, nullptr);
  EXPECT_EQ(fonts_.CodeWidth(0x20), 278);
  EXPECT_EQ(fonts_.CodeWidth(0x22), 355);
}

TEST_F(GlyphCJKLoader, LatinIdentityFontsDrawFromTheirLatinSubstitute) {
  if (!std::filesystem::exists("/usr/share/fonts/truetype/liberation")) GTEST_SKIP() << "fonts-liberation missing";
  pool_.Add(1, "<< /Type /Font /Subtype /Type0 /BaseFont /Arial-BoldMT /Encoding /Identity-H"
               " /DescendantFonts [2 0 R] /ToUnicode 4 0 R >>");
  pool_.Add(2, "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /Arial-BoldMT"
               " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /FontDescriptor 3 0 R >>");
  pool_.Add(3, "<< /Type /FontDescriptor /FontName /Arial-BoldMT /Flags 32 >>");
  pool_.AddStream(4, "1 begincodespacerange <0000> <FFFF> endcodespacerange\n"
                     "1 beginbfchar <0024> <0041> endbfchar\n");
  ASSERT_TRUE(fonts_.SelectFontRecord(pool_.Ref(1)));
  auto* raster = dynamic_cast<TPDFSimpleTrueTypeRasterizer*>(fonts_.CurrentFont->Rasterizer.get());
  ASSERT_NE(raster, nullptr);
  EXPECT_LT(raster->Parser.GlyphCount(), 5000u);  // Liberation Sans, not an IPA font
  TCountingSink a;
  EXPECT_TRUE(raster->DrawGlyph(a, {1, 0, 0, 1, 0, 0}, 0, 0, UnicodeGlyphKey(fonts_.CodeToText(0x24))));
  EXPECT_GT(a.Segments, 5);
}

// Gives the fixture's page the font /F1: the Japanese Mincho font, not
// embedded, through a predefined CMap, drawn from the IPA fonts.
void AddHeiseiMin(test::RenderFixture& f, std::string_view cmap, std::string_view cidFontEntries) {
  TPDFIndRef* cidFont = f.Indirect(f.Dict(
      "<< /Type /Font /Subtype /CIDFontType0 /BaseFont /HeiseiMin-W3 /DW 1000 " + std::string(cidFontEntries) +
      " /CIDSystemInfo << /Registry (Adobe) /Ordering (Japan1) /Supplement 2 >>"
      " /FontDescriptor << /Type /FontDescriptor /FontName /HeiseiMin-W3 /Flags 6 >> >>"));
  TPDFDictionary* font = f.Dict("<< /Type /Font /Subtype /Type0 /BaseFont /HeiseiMin-W3 /Encoding /" +
                                std::string(cmap) + " >>");
  auto* descendants = f.Pool().NewArray();
  descendants->Add(cidFont);
  font->SetValue("DescendantFonts", descendants);
  f.AddResource("Font", "F1", f.Indirect(font));
  f.fonts.OnLoadFontProgram = MakeFontProgramLoader(f.fonts, std::make_shared<TSystemFonts>(JapaneseFonts()));
}

TEST(GlyphCJKRender, ShiftJisTextPaintsInTheCIDWidths) {
  if (!IpaFontsInstalled()) GTEST_SKIP() << "fonts-ipafont missing";
  test::RenderFixture f;
  f.SetEntry("MediaBox", "[0 0 120 40]");
  AddHeiseiMin(f, "90ms-RKSJ-H", "/W [231 [2000]]");
  // "日", a space of CID 231 two ems wide, then "日" again.
  f.SetContent("BT /F1 20 Tf 0 10 Td <93FA2093FA> Tj ET");
  Bitmap page = f.Render();
  auto inkIn = [&](int x0, int x1) {
    int ink = 0;
    for (int y = 0; y < page.Height(); ++y)
      for (int x = x0; x < x1; ++x) ink += (test::Pixel(page, x, y) & 0xFF) < 128;
    return ink;
  };
  EXPECT_GT(inkIn(0, 20), 30);   // the first glyph
  EXPECT_EQ(inkIn(21, 59), 0);   // the wide space
  EXPECT_GT(inkIn(60, 80), 30);  // the second glyph, after 20 + 40 points
}

// Rows of the page that hold ink, top to bottom, as [first, last] spans.
std::vector<std::pair<int, int>> InkRows(const Bitmap& page, int x0, int x1) {
  std::vector<std::pair<int, int>> spans;
  for (int y = 0; y < page.Height(); ++y) {
    bool ink = false;
    for (int x = x0; x < x1 && !ink; ++x) ink = (test::Pixel(page, x, y) & 0xFF) < 128;
    if (!ink) continue;
    if (!spans.empty() && spans.back().second >= y - 2)
      spans.back().second = y;
    else
      spans.push_back({y, y});
  }
  return spans;
}

TEST(GlyphCJKRender, VerticalTextRunsDownThePageByItsVerticalMetrics) {
  if (!IpaFontsInstalled()) GTEST_SKIP() << "fonts-ipafont missing";
  for (auto [dw2, gap] : {std::pair{"", 0}, {"/DW2 [880 -1500]", 10}}) {
    test::RenderFixture f;
    f.SetEntry("MediaBox", "[0 0 40 120]");
    AddHeiseiMin(f, "90ms-RKSJ-V", dw2);
    // "日日" from a pen at (10, 110): each glyph hangs 20 points wide, centred
    // under the pen, and the pen moves 20 points (30 with DW2) down.
    f.SetContent("BT /F1 20 Tf 10 110 Td <93FA93FA> Tj ET");
    Bitmap page = f.Render();
    auto rows = InkRows(page, 0, 20);
    ASSERT_GE(rows.size(), 2u) << dw2;
    EXPECT_GE(rows[0].first, 9) << dw2;
    EXPECT_LE(rows[0].second, 31) << dw2;
    EXPECT_GE(rows[1].first, 30 + gap) << dw2;
    EXPECT_LE(rows[1].second, 52 + gap) << dw2;
    EXPECT_TRUE(InkRows(page, 21, 40).empty()) << dw2;
  }
}

}  // namespace
}  // namespace ostrel
