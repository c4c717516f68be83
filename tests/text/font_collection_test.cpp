#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <utility>

#include "pdf/text/font_collection.h"
#include "tests/text/font_test_pool.h"

namespace ostrel {
namespace {

class FontCollectionTest : public ::testing::Test {
 protected:
  // Loads the font object `number` and makes it current.
  TPDFFontCollectionData& Select(int number) {
    EXPECT_TRUE(cache.SelectFontRecord(pool.Ref(number)));
    return *cache.CurrentFont;
  }
  std::u16string Text(uint32_t code) { return cache.CodeToText(code); }

  TFontTestPool pool;
  TPDFFontCollection cache;
};

TEST_F(FontCollectionTest, WinAnsiTrueTypeWithoutToUnicode) {
  pool.Add(1, "<< /Type /Font /Subtype /TrueType /BaseFont /Foo /Encoding /WinAnsiEncoding >>");
  Select(1);
  EXPECT_EQ(Text(0x93), u"\u201C");
  EXPECT_EQ(Text(0x80), u"\u20AC");
  EXPECT_EQ(Text(0x81), u"\u2022");  // unassigned: shown as a bullet
  EXPECT_EQ(Text('A'), u"A");
  EXPECT_EQ(cache.CurrentFont->TextChars[0x80], "\x80");
  EXPECT_EQ(Text(300), u"");
}

TEST_F(FontCollectionTest, MacRomanDifferencesAndUnknownNames) {
  pool.Add(1, "<< /Type /Font /Subtype /Type1 /BaseFont /Foo /Encoding /MacRomanEncoding >>");
  pool.Add(2, "<< /Type /Font /Subtype /Type1 /BaseFont /Foo "
              "/Encoding << /Differences [ 65 /alpha /beta 300 /gamma 90 /g123 ] >> >>");
  Select(1);
  EXPECT_EQ(Text(202), u" ");
  EXPECT_EQ(Text(0x8A), u"\u00E4");
  Select(2);
  EXPECT_EQ(Text(65), u"\u03B1");
  EXPECT_EQ(Text(66), u"\u03B2");
  EXPECT_EQ(Text(67), u"C");       // StandardEncoding beyond the differences
  EXPECT_EQ(Text(90), u"Z");       // g123 is unknown: the code's own character
  EXPECT_EQ(cache.CurrentFont->GlyphNames[90], "g123");
}

TEST_F(FontCollectionTest, StandardFontWidthsAndMetrics) {
  pool.Add(1, "<< /Type /Font /Subtype /Type1 /BaseFont /Arial,Bold /Encoding /WinAnsiEncoding >>");
  pool.Add(2, "<< /Type /Font /Subtype /Type1 /BaseFont /Symbol >>");
  TPDFFontCollectionData& arial = Select(1);
  EXPECT_EQ(arial.StandardFont, 6);
  EXPECT_EQ(arial.Widths['A'], 722);
  EXPECT_EQ(arial.Widths[' '], 278);
  EXPECT_EQ(arial.Widths[0x80], 556);  // Euro
  EXPECT_EQ(arial.Widths[5], 750);     // .notdef
  EXPECT_EQ(arial.Ascent, 718);
  EXPECT_EQ(arial.Descent, -207);
  TPDFFontCollectionData& symbol = Select(2);
  EXPECT_EQ(symbol.GlyphNames[65], "U+0391");
  EXPECT_EQ(symbol.Widths[65], 722);
  EXPECT_EQ(symbol.Widths[1], 750);
}

TEST_F(FontCollectionTest, WidthsArrayStopsAtItsEnd) {
  pool.Add(1, "<< /Type /Font /Subtype /TrueType /BaseFont /Foo /FirstChar 32 /LastChar 400 "
              "/Widths [ 500 /x 600 ] /FontDescriptor 2 0 R >>");
  pool.Add(2, "<< /Type /FontDescriptor /MissingWidth 321 /Ascent 0.9 /Descent -0.25 >>");
  pool.Add(3, "<< /Type /Font /Subtype /TrueType /FirstChar -2147483648 /LastChar 2147483647 /Widths [ 1 2 3 ] >>");
  TPDFFontCollectionData& f = Select(1);
  EXPECT_EQ(f.Widths[32], 500);
  EXPECT_EQ(f.Widths[33], 0);  // a non-number gives 0
  EXPECT_EQ(f.Widths[34], 600);
  EXPECT_EQ(f.Widths[35], 321);  // past the array: the default stays
  EXPECT_EQ(f.LastChar, 255);
  EXPECT_EQ(f.Ascent, 900);  // metrics given in ems are scaled
  EXPECT_EQ(f.Descent, -250);
  TPDFFontCollectionData& g = Select(3);
  EXPECT_EQ(g.Widths[0], 750);
}

TEST_F(FontCollectionTest, ToUnicodeRangesOverrideGlyphNames) {
  pool.AddStream(2, "/CIDInit /ProcSet findresource begin begincmap 1 begincodespacerange <00> <FF> "
                    "endcodespacerange 2 beginbfrange <20> <22> <0041> <30> <31> <00660066> endbfrange "
                    "1 beginbfchar <40> <00E9> endbfchar endcmap");
  pool.Add(1, "<< /Type /Font /Subtype /Type1 /BaseFont /Foo /ToUnicode 2 0 R >>");
  TPDFFontCollectionData& f = Select(1);
  EXPECT_EQ(Text(0x21), u"B");
  EXPECT_EQ(Text(0x31), u"gg");  // the offset applies to both units
  EXPECT_EQ(Text(0x40), u"\u00E9");
  EXPECT_EQ(f.TextChars[0x40], "\xE9");
  EXPECT_EQ(Text('x'), u"x");
  EXPECT_EQ(f.UnicodeRanges.size(), 3u);
}

TEST_F(FontCollectionTest, Type0IdentityWithoutToUnicode) {
  pool.Add(1, "<< /Type /Font /Subtype /Type0 /BaseFont /Foo /Encoding /Identity-H /DescendantFonts [ 2 0 R ] >>");
  pool.Add(2, "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /Foo /DW 500 "
              "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> "
              "/W [ 1 [ 100 /x 300 ] 10 4000000000 700 5 7 900 ] >>");
  TPDFFontCollectionData& f = Select(1);
  EXPECT_TRUE(f.IsComposite);
  EXPECT_EQ(f.CharacterCollection, "Adobe-Identity-0");
  EXPECT_EQ(f.EncodingCMapName, "Identity-H");
  EXPECT_EQ(cache.SplitCodes(std::string_view("\x4E\x00\x00\x41\x7F", 5)), (TOstrelCodeList{0x4E00, 0x0041}));
  EXPECT_EQ(Text(0x4E00), u"\u4E00");
  // /W: the array form, a huge range kept as one entry, an overlap.
  EXPECT_EQ(f.CIDWidths.Width(1), 100);
  EXPECT_EQ(f.CIDWidths.Width(2), 500);  // non-number takes a CID, no width
  EXPECT_EQ(f.CIDWidths.Width(3), 300);
  EXPECT_EQ(f.CIDWidths.Width(2000000000u), 700);
  EXPECT_EQ(f.CIDWidths.Width(6), 900);
  EXPECT_EQ(f.CIDWidths.Width(4), 500);
  EXPECT_LE(f.CIDWidths.RangeCount(), 4u);
}

TEST_F(FontCollectionTest, Type0ShiftJisAndOneByteToUnicode) {
  pool.Add(1, "<< /Subtype /Type0 /Encoding /90ms-RKSJ-H /DescendantFonts [ 2 0 R ] >>");
  pool.Add(2, "<< /Subtype /CIDFontType0 /BaseFont /HeiseiKakuGo-W5 /DW 1000 "
              "/CIDSystemInfo << /Registry (Adobe) /Ordering (Japan1) /Supplement 2 >> >>");
  pool.Add(3, "<< /Subtype /Type0 /Encoding /Identity-H /DescendantFonts [ 2 0 R ] /ToUnicode 4 0 R >>");
  pool.AddStream(4, "begincodespacerange <00> <FF> endcodespacerange beginbfchar <41> <0078> endbfchar");
  pool.Add(5, "<< /Subtype /Type0 /Encoding /GBK-EUC-H /DescendantFonts [ 2 0 R ] >>");
  pool.Add(6, "<< /Subtype /Type0 /Encoding /No-Such-H /DescendantFonts [ 2 0 R ] >>");
  TPDFFontCollectionData& sjis = Select(1);
  EXPECT_EQ(sjis.CharacterCollection, "Adobe-Japan1-2");
  EXPECT_EQ(cache.SplitCodes("A\x82\xA0"), (TOstrelCodeList{0x41, 0x82A0}));
  EXPECT_EQ(Text(0x41), u"A");
  EXPECT_EQ(Text(0x82A0), u"\u3042");
  EXPECT_EQ(sjis.CIDWidths.Width(32), 278);  // built-in widths for this font
  EXPECT_EQ(sjis.CIDWidths.Width(34), 355);
  EXPECT_EQ(sjis.CIDWidths.Width(1), 1000);
  TPDFFontCollectionData& oneByte = Select(3);
  EXPECT_TRUE(oneByte.OneByteCodes);
  EXPECT_EQ(cache.SplitCodes("AB"), (TOstrelCodeList{0x41, 0x42}));
  EXPECT_EQ(Text(0x41), u"x");
  EXPECT_EQ(Text(0x42), u"");  // composite: no range, no text
  // A Chinese CMap reads through its own collection, whatever the font says.
  Select(5);
  EXPECT_EQ(cache.SplitCodes("A\xD6\xD0"), (TOstrelCodeList{0x41, 0xD6D0}));
  EXPECT_EQ(Text(0xD6D0), u"\u4E2D");
  Select(6);
  EXPECT_TRUE(cache.SplitCodes("AB").empty());
  EXPECT_EQ(Text(0x4142), u"");
}

TEST_F(FontCollectionTest, VerticalFontsAndTheirMetrics) {
  pool.Add(1, "<< /Subtype /Type0 /Encoding /Identity-V /DescendantFonts [ 2 0 R ] >>");
  pool.Add(2, "<< /Subtype /CIDFontType2 /BaseFont /Foo /DW 1000 /W [ 10 [ 500 ] ] /DW2 [ 900 -1100 ]"
              " /W2 [ 10 [ -500 250 800 -600 300 850 ] 20 30 -800 400 700 20 [ -1 1 1 ] 40 (bad) 50 [ -9 9 9 ] ]"
              " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> >>");
  pool.Add(3, "<< /Subtype /Type0 /Encoding /GBK-EUC-V /DescendantFonts [ 2 0 R ] >>");
  pool.Add(4, "<< /Subtype /Type0 /Encoding /Identity-H /DescendantFonts [ 2 0 R ] >>");
  pool.Add(5, "<< /Subtype /Type0 /Encoding 6 0 R /DescendantFonts [ 2 0 R ] >>");
  TPDFStream* cmap = pool.AddStream(6, "begincodespacerange <0000> <FFFF> endcodespacerange");
  cmap->StreamDict->SetValue("WMode", pool.Pool.NewNumeric(1));
  for (auto [font, vertical] : {std::pair{1, true}, {3, true}, {4, false}, {5, true}}) {
    Select(font);
    EXPECT_EQ(cache.IsVertical(), vertical) << font;
  }
  Select(1);
  auto metric = [&](uint32_t cid) {
    TVerticalMetric m = cache.CodeVerticalMetric(cid);
    return std::tuple{m.W1y, m.Vx, m.Vy};
  };
  EXPECT_EQ(metric(10), std::tuple(-500.0, 250.0, 800.0));
  EXPECT_EQ(metric(11), std::tuple(-600.0, 300.0, 850.0));
  EXPECT_EQ(metric(25), std::tuple(-800.0, 400.0, 700.0));  // the first definition of 20 wins
  EXPECT_EQ(metric(20), std::tuple(-800.0, 400.0, 700.0));
  EXPECT_EQ(metric(12), std::tuple(-1100.0, 500.0, 900.0));  // DW2, half the width across
  EXPECT_EQ(metric(50), std::tuple(-1100.0, 500.0, 900.0));  // after a malformed entry
}

TEST_F(FontCollectionTest, RecordsAreSharedByObjectNumber) {
  pool.Add(7, "<< /Subtype /Type1 /BaseFont /Helvetica >>");
  pool.Add(3, "<< /Subtype /Type1 /BaseFont /Courier >>");
  TPDFFontCollectionData* first = &Select(7);
  Select(3);
  int resolves = pool.Resolves;
  EXPECT_EQ(&Select(7), first);
  EXPECT_EQ(pool.Resolves, resolves);  // not read again
  EXPECT_EQ(cache.Count(), 2u);
  EXPECT_EQ(cache.FindFont(3), 1);
  EXPECT_EQ(cache.FindFont(7), 0);
  EXPECT_EQ(cache.FindFont(5), -1);
  EXPECT_EQ(first->ObjectNumber, 7);
}

TEST_F(FontCollectionTest, BadSelectionsAddNothing) {
  pool.Add(1, "<< /Subtype /Type0 /DescendantFonts [ 1 0 R ] >>");               // refers to itself
  pool.Add(2, "<< /Subtype /Type0 /DescendantFonts [ 1 0 R ] >>");               // Type0 below Type0
  pool.Add(3, "<< /Subtype /Type0 /DescendantFonts [ 4 0 R 4 0 R ] >>");         // two descendants
  pool.Add(4, "<< /Subtype /CIDFontType2 >>");
  pool.Add(5, "<< /Subtype /Type0 >>");
  for (int n : {1, 2, 3, 5}) EXPECT_FALSE(cache.SelectFontRecord(pool.Ref(n))) << n;
  EXPECT_FALSE(cache.SelectFontRecord(pool.Pool.NewName("F1")));
  EXPECT_FALSE(cache.SelectFontRecord(nullptr));
  EXPECT_EQ(cache.Count(), 0u);
  EXPECT_EQ(cache.CurrentFont, nullptr);
  // A reference to nothing still gives a record of defaults.
  EXPECT_TRUE(cache.SelectFontRecord(pool.Ref(99)));
  EXPECT_EQ(Text('A'), u"A");
  EXPECT_EQ(cache.CurrentFont->Widths['A'], 750);
}

TEST_F(FontCollectionTest, ExtremeNumbersStayBounded) {
  TPDFDictionary* font = PdfCast<TPDFDictionary>(
      pool.Add(1, "<< /Subtype /CIDFontType2 /W [ 1 [ 5 ] ] /FirstChar 0 /LastChar 0 >>"));
  auto* w = PdfCast<TPDFArray>(font->GetValue("W"));
  PdfCast<TPDFArray>(w->Item(1))->Replace(0, pool.Pool.NewNumeric(NAN));
  font->SetValue("DW", pool.Pool.NewNumeric(1e300));
  TPDFFontCollectionData& f = Select(1);
  EXPECT_EQ(f.CIDWidths.Width(1), 0);
  EXPECT_EQ(f.CIDWidths.Default, 1000000000);
  EXPECT_EQ(RoundMetric(-INFINITY), -1000000000);
  EXPECT_EQ(RoundMetric(2.5), 2);
}

TEST(CIDWidths, FirstDefinitionWinsAcrossOverlaps) {
  TPDFCIDWidths w;
  w.Default = 1;
  w.AddRange(10, 20, 100);
  w.AddRange(5, 30, 200);
  w.AddRange(15, 15, 300);
  w.AddRange(40, 30, 400);  // reversed: nothing
  EXPECT_EQ(w.Width(4), 1);
  EXPECT_EQ(w.Width(5), 200);
  EXPECT_EQ(w.Width(15), 100);
  EXPECT_EQ(w.Width(21), 200);
  EXPECT_EQ(w.Width(30), 200);
  EXPECT_EQ(w.Width(35), 1);
  EXPECT_EQ(w.RangeCount(), 3u);
  w.AddRange(0, UINT32_MAX, 7);
  EXPECT_EQ(w.Width(UINT32_MAX), 7);
  EXPECT_EQ(w.Width(15), 100);
}

}  // namespace
}  // namespace ostrel
