// TrueType programs: installed fonts against their published metrics, and
// small hand-made fonts for damaged data.
#include <gtest/gtest.h>

#include <map>

#include "pdf/core/pdf_objects.h"
#include "pdf/core/pdf_structure.h"
#include "pdf/render/glyphs/truetype_rasterizer.h"
#include "pdf/text/fonts/cff_index.h"
#include "pdf/text/glyph_list.h"
#include "pdf/text/fonts/type1_decoder.h"
#include "tests/text/fonts/font_program_test_files.h"

namespace ostrel {
namespace {

// Builds an sfnt file from tables given by tag.
std::string MakeFont(const std::map<std::string, std::string>& tables) {
  auto u16 = [](std::string& s, uint32_t v) { s += char(v >> 8), s += char(v); };
  auto u32 = [&](std::string& s, uint32_t v) { u16(s, v >> 16), u16(s, v & 0xFFFF); };
  std::string out;
  u32(out, 0x00010000);
  u16(out, uint32_t(tables.size()));
  out.append(6, '\0');
  uint32_t offset = 12 + 16 * uint32_t(tables.size());
  std::string body;
  for (const auto& [tag, data] : tables) {
    out += tag;
    u32(out, 0);
    u32(out, offset + uint32_t(body.size()));
    u32(out, uint32_t(data.size()));
    body += data;
  }
  return out + body;
}

std::string Words(std::initializer_list<int> words) {
  std::string s;
  for (int w : words) s += char((w >> 8) & 0xFF), s += char(w & 0xFF);
  return s;
}

std::string Head(int unitsPerEm) {
  std::string h = Words({1, 0, 0, 0, 0, 0, 0x5F0F, 0x3CF5, 0, unitsPerEm});
  h.append(16, '\0');
  h += Words({0, 0, 1000, 1000, 0, 8, 2, 0, 0});  // box, macStyle, lowest size, direction, loca short, format
  return h;
}

struct TRecordingSink : TGlyphPathSink {
  std::vector<std::string> Ops;
  std::vector<double> Xs;
  void MoveTo(double x, double) override { Ops.push_back("M"), Xs.push_back(x); }
  void LineTo(double x, double) override { Ops.push_back("L"), Xs.push_back(x); }
  void CurveTo(double, double, double, double, double x, double) override { Ops.push_back("C"), Xs.push_back(x); }
  void QuadCurveTo(double, double, double x, double) override { Ops.push_back("Q"), Xs.push_back(x); }
  void ClosePath() override { Ops.push_back("Z"); }
};

// Glyph 1: a diamond of four off-curve points; glyph 2: a composite that
// includes itself at half size.
std::string OffCurveFont(int unitsPerEm) {
  std::string diamond = Words({1, 0, 0, 200, 200, 3, 0}) + std::string("\0\0\0\0", 4);
  // flags: all off-curve, x and y as words
  diamond = Words({1, 0, 0, 200, 200, 3, 0});
  diamond += std::string(4, '\0');
  diamond += Words({100, 100, 0xFF9C, 0xFF9C});   // x deltas: 100, 100, -100, -100
  diamond += Words({0, 100, 100, 0xFF9C});         // y deltas
  std::string composite = Words({0xFFFF, 0, 0, 200, 200, 0x0008 | 0x0002 | 0x0001, 2, 0, 0, 0x2000});
  std::string glyf = diamond + composite;
  std::string loca = Words({0, 0, int(diamond.size() / 2), int(glyf.size() / 2)});
  return MakeFont({{"glyf", glyf}, {"head", Head(unitsPerEm)}, {"loca", loca}, {"maxp", Words({0, 0x5000, 3})}});
}

TEST(FontProgramTrueType, OffCurveStartAndBadUnitsPerEm) {
  TPDFTrueTypeRasterizer2 raster;
  ASSERT_TRUE(raster.Load(OffCurveFont(0)));
  EXPECT_EQ(raster.Parser.UnitsPerEm(), 1000u);  // 0 would divide by zero
  TRecordingSink sink;
  EXPECT_TRUE(raster.DrawGlyph(sink, {1, 0, 0, 1, 0, 0}, 0, 0, "GID:1"));
  // Points (0,0) (100,100) (200,200) (100,300)... all off the curve: the
  // contour starts at the midpoint of the last and first point and is made
  // of one quadratic segment per point.
  ASSERT_EQ(sink.Ops, (std::vector<std::string>{"M", "Q", "Q", "Q", "Q", "Z"}));
  EXPECT_DOUBLE_EQ(sink.Xs[0], 50);
  EXPECT_DOUBLE_EQ(sink.Xs[4], 50);
}

TEST(FontProgramTrueType, CompositeIncludingItselfStops) {
  TPDFTrueTypeRasterizer2 raster;
  ASSERT_TRUE(raster.Load(OffCurveFont(1000)));
  TRecordingSink sink;
  EXPECT_FALSE(raster.DrawGlyph(sink, {1, 0, 0, 1, 0, 0}, 0, 0, "GID:2"));
  EXPECT_TRUE(sink.Ops.empty());
}

TEST(FontProgramTrueType, OverlappingFormat4SegmentsListEachCodeOnce) {
  // Ten segments all covering 0..0xFFFE.
  const int segs = 11;
  std::string sub = Words({4, 0, 0, segs * 2, 0, 0, 0});
  for (int i = 0; i < segs; ++i) sub += Words({i + 1 < segs ? 0xFFFE : 0xFFFF});
  sub += Words({0});
  for (int i = 0; i < segs; ++i) sub += Words({i + 1 < segs ? 0 : 0xFFFF});
  for (int i = 0; i < segs; ++i) sub += Words({i + 1 < segs ? i : 1});
  for (int i = 0; i < segs; ++i) sub += Words({0});
  sub[2] = char(sub.size() >> 8), sub[3] = char(sub.size());
  std::string cmap = Words({0, 1, 3, 1, 0, 12}) + sub;
  TPDFTrueTypeParser parser;
  ASSERT_TRUE(parser.LoadFromBytes(MakeFont({{"cmap", cmap}})));
  TPDFTTEncodingRecord rec = parser.CmapSubtable(parser.FindCmapSubtable(3, 1));
  EXPECT_EQ(rec.Codes.size(), 0xFFFFu);
  EXPECT_EQ(rec.GlyphOf(0x41), 0x41);  // the first segment (delta 0) wins
}

TEST(FontProgramTrueType, Format4GlyphArrayOutlastsAWrappedLength) {
  // One segment 0x4E00..0x4E01 through the glyph index array, then the end
  // segment; the length field says 0x10 (a large subtable's length modulo
  // 65536), far short of the array.
  std::string sub = Words({4, 0x10, 0, 4, 0, 0, 0});
  sub += Words({0x4E01, 0xFFFF, 0, 0x4E00, 0xFFFF, 0, 1, 4, 0});  // ends, pad, starts, deltas, offsets
  sub += Words({7, 9});                                            // the glyph index array
  std::string cmap = Words({0, 1, 3, 1, 0, 12}) + sub;
  TPDFTrueTypeParser parser;
  ASSERT_TRUE(parser.LoadFromBytes(MakeFont({{"cmap", cmap}})));
  TPDFTTEncodingRecord rec = parser.CmapSubtable(parser.FindCmapSubtable(3, 1));
  EXPECT_EQ(rec.GlyphOf(0x4E00), 7);
  EXPECT_EQ(rec.GlyphOf(0x4E01), 9);
}

TEST(FontProgramTrueType, LiberationSansMatchesHelveticaMetrics) {
  auto data = testing::ReadFontFile(testing::kLiberationSans);
  auto afm = testing::ReadAfmWidths(testing::kUrwType1Dir + "NimbusSans-Regular.afm");
  if (!data || afm.empty()) GTEST_SKIP() << "fonts-liberation or fonts-urw-base35 missing";
  TPDFTrueTypeRasterizer2 raster;
  ASSERT_TRUE(raster.Load(*data));
  EXPECT_EQ(raster.Parser.HeadValues().UnitsPerEm, 2048);
  EXPECT_GT(raster.Parser.GlyphIndexOfName("A"), 0);
  EXPECT_EQ(raster.GlyphIndexOf("A"), raster.Parser.GlyphIndexOfName("A"));
  EXPECT_EQ(raster.GlyphIndexOf("U+0041"), raster.GlyphIndexOf("A"));
  const TGlyphNames& ascii = GlyphNamesOf(kStandardEncoding);
  for (int code = 32; code < 127; ++code) EXPECT_NEAR(raster.AdvanceOfName(ascii[code]), afm[ascii[code]], 1) << ascii[code];
  // The outline of "H" spans its glyf box, scaled to 1000 units.
  long h = raster.GlyphIndexOf("H");
  TPDFTTglyfTable g = raster.Parser.Glyph(h);
  TRecordingSink sink;
  raster.DrawGlyph(sink, {1, 0, 0, 1, 0, 0}, 0, 0, "H");
  auto [lo, hi] = std::minmax_element(sink.Xs.begin(), sink.Xs.end());
  EXPECT_NEAR(*lo, g.XMin * 1000.0 / 2048, 0.01);
  EXPECT_NEAR(*hi, g.XMax * 1000.0 / 2048, 0.01);
}

TEST(FontProgramCFF, StringsWithParenthesesStayInsideTheirEntry) {
  std::vector<std::string_view> strings = {"(c) 2024) Notice \\ end"};
  // Notice = SID 391, CharStrings = 1234.
  std::string dict = std::string("\xf8\x1b\x01", 3) + std::string("\x1c\x04\xd2\x11", 4);
  TPDFStructure pool;
  auto* parsed = PdfCast<TPDFDictionary>(pool.ParseObject(CFFDictToText(dict, strings, false)));
  ASSERT_NE(parsed, nullptr);
  auto* notice = PdfCast<TPDFString>(parsed->GetValue("Notice"));
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(notice->Value, strings[0]);
  auto* cs = PdfCast<TPDFNumeric>(parsed->GetValue("CharStrings"));
  ASSERT_NE(cs, nullptr);
  EXPECT_EQ(cs->Value, 1234);
}

TEST(FontProgramCFF, BackwardIndexOffsetsAreRejected) {
  std::string index = Words({2}) + "\x01" + std::string("\x01\x05\x03", 3) + "abcd";
  size_t end = 0;
  EXPECT_TRUE(ReadCFFIndex(index, 0, end).empty());
  index[4] = 0x03;
  index[5] = 0x05;
  EXPECT_EQ(ReadCFFIndex(index, 0, end).size(), 2u);
  EXPECT_EQ(end, index.size());
}

TEST(FontProgramType1, StreamLongerThanItsLengthsIsAccepted) {
  TPDFType1Decoder d;
  std::string data = "clear" + std::string("binary") + "trailer and more";
  EXPECT_TRUE(d.SplitType1Stream(data, 5, 6, 3));
  EXPECT_EQ(d.Binary, "binary");
  EXPECT_FALSE(d.SplitType1Stream(data, 5, 100, 0));
  EXPECT_FALSE(d.SplitType1Stream(data, 0, 6, 0));
}

}  // namespace
}  // namespace ostrel
