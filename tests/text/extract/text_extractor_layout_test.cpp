// Where the extractor puts gaps and breaks for what common writers produce:
// text matrices of every form, letter spacing, glyphs placed one by one,
// fonts without a space glyph, glyphs that stand for no text or for a whole
// cluster, and right-to-left scripts drawn in visual order.
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>

#include "pdf/core/pdf_objects.h"
#include "pdf/render/content/pdf_renderer.h"
#include "pdf/text/font_collection.h"
#include "pdf/text/extract/text_extractor.h"
#include "pdf/text/extract/text_extractor_direction.h"
#include "tests/text/font_test_pool.h"

namespace ostrel {
namespace {

class TextExtractorLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    // Helvetica: space 278, A and B 667, C 722, D 722.
    pool.Add(1, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
    // TeX's math italic: code 32 is psi and no code is a space.
    pool.Add(2, "<< /Type /Font /Subtype /Type1 /BaseFont /ABCDEF+CMMI10 /FirstChar 32 /LastChar 66 "
                "/Widths [651 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 750 759] "
                "/Encoding << /Differences [32 /psi 65 /A /B] >> >>");
    // A shaping writer's composite font: codes 1 and 2 stand for nothing,
    // code 3 for a whole Arabic word, code 4 for "h".
    pool.Add(3, "<< /Type /Font /Subtype /Type0 /BaseFont /Shaped /Encoding /Identity-H "
                "/DescendantFonts [4 0 R] /ToUnicode 5 0 R >>");
    pool.Add(4, "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /Shaped /DW 500 "
                "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> >>");
    pool.AddStream(5, CMap("<0000> <FFFF>", "4 beginbfchar\n<0001> <>\n<0002> <>\n"
                                            "<0003> <062D064E0628064A0628064A>\n<0004> <0068>\nendbfchar"));
    // Hebrew letters on A to E, as a subset font's ToUnicode gives them.
    pool.Add(6, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding /ToUnicode 7 0 R >>");
    pool.AddStream(7, CMap("<00> <FF>", "1 beginbfrange\n<41> <45> <05D0>\nendbfrange"));
    // Code 32 is a visible-space sign half an em wide (TeX's EC fonts).
    pool.Add(8, "<< /Type /Font /Subtype /Type1 /BaseFont /ABCDEF+SFRM1000 /FirstChar 32 /LastChar 66 "
                "/Widths [500 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 700 700] "
                "/Encoding /WinAnsiEncoding >>");
    resources = PdfCast<TPDFDictionary>(
        pool.Add(10, "<< /Font << /F1 1 0 R /M 2 0 R /A 3 0 R /H 6 0 R /E 8 0 R >> >>"));
  }

  static std::string CMap(std::string_view space, std::string_view body) {
    return "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n1 begincodespacerange\n" +
           std::string(space) + "\nendcodespacerange\n" + std::string(body) + "\nendcmap end end\n";
  }

  std::u16string Extract(std::string_view content, int mode = 0) {
    TPDFExtractor extractor(fonts, mode);
    extractor.PageBox = pageBox;
    TPDFRenderer renderer(fonts);
    renderer.ReadPageText(extractor, std::string(content), resources);
    return extractor.Finish();
  }

  std::optional<std::array<double, 4>> pageBox;

  TFontTestPool pool;
  TPDFFontCollection fonts;
  TPDFDictionary* resources = nullptr;
};

TEST_F(TextExtractorLayout, TextMatricesOfAnyFormScaleWhatFollows) {
  // "DC" at 11 points ends at 87.9; "-" is placed there by a new matrix.
  // Zeros written "-0" are zeros.
  EXPECT_EQ(Extract("BT /F1 1 Tf 11 -0 0 11 72 700 Tm (DC) Tj 11 -0 0 11 87.9 700 Tm (-) Tj ET"), u"DC-");
  // Italic by skew: "AB" at 20 points is 26.7 wide; a jump of 1.3 is no gap,
  // one of 6.3 is.
  EXPECT_EQ(Extract("BT /F1 1 Tf 20 0 6.68 20 153 573 Tm (AB) Tj 20 0 6.68 20 181 573 Tm (C) Tj ET"), u"ABC");
  EXPECT_EQ(Extract("BT /F1 1 Tf 20 0 6.68 20 153 573 Tm (AB) Tj 20 0 6.68 20 186 573 Tm (C) Tj ET"), u"AB C");
  // Stretched by 2 % for justification, over 30 letters: the stretch is no gap.
  std::string line(30, 'A');
  EXPECT_EQ(Extract("BT /F1 10 Tf 1.02 0 0 1 90 600 Tm (" + line + ") Tj 1 0 0 1 294.1 600 Tm (B) Tj ET"),
            std::u16string(line.begin(), line.end()) + u"B");
  // Stretched across the baseline: lines 11 points apart at a height of 10
  // are one break apart, not two.
  EXPECT_EQ(Extract("BT /F1 1 Tf 10 0 0 10.164 72 700 Tm (A) Tj 10 0 0 10.164 72 689 Tm (B) Tj ET"), u"A \r\nB");
}

TEST_F(TextExtractorLayout, SpacingAndMovesMeasuredInTextSpace) {
  // Character spacing adds its own distance per glyph: 3 points each makes
  // "AB" end at 119.34, where "C" follows without a gap.
  EXPECT_EQ(Extract("BT /F1 10 Tf 1 0 0 1 100 700 Tm 3 Tc (AB) Tj 1 0 0 1 119.4 700 Tm (C) Tj ET"), u"ABC");
  EXPECT_EQ(Extract("BT /F1 10 Tf 1 0 0 1 100 700 Tm 3 Tc (AB) Tj 1 0 0 1 124 700 Tm (C) Tj ET"), u"AB C");
  // A "TD" along the line moves like a "Td": back to the other column is a
  // jump, a step forward is a gap from half a space (1.39) on.
  EXPECT_EQ(Extract("BT /F1 1 Tf 10 0 0 10 300 500 Tm (ac-) Tj -24 0 TD (our) Tj ET"), u"ac- our");
  EXPECT_EQ(Extract("BT /F1 10 Tf (A) Tj 7.8 0 TD (B) Tj ET"), u"AB");
  EXPECT_EQ(Extract("BT /F1 10 Tf (A) Tj 8.5 0 TD (B) Tj ET"), u"A B");
}

TEST_F(TextExtractorLayout, GapsAreMeasuredByTheTextBeforeThem) {
  // A superscript set by a smaller matrix 0.96 after its word stays with
  // it (half a space of the word is 1.39); the word after it is 2.37 on.
  EXPECT_EQ(Extract("BT /F1 1 Tf 10 0 0 10 100 700 Tm (AB) Tj 6 0 0 6 114.3 703 Tm (C) Tj "
                    "10 0 0 10 121 700 Tm (D) Tj ET"),
            u"ABC D");
  // A "TD" to the next line one space of the text before it on, rounded
  // short, into a font without a space glyph (its code 32 is a wide psi).
  EXPECT_EQ(Extract("BT /F1 10 Tf (AB) Tj /M 10 Tf 16.119 -12 TD (A) Tj ET"), u"AB \r\nA");
  // Against a visible-space sign half an em wide, a kern of a quarter em
  // still parts words.
  EXPECT_EQ(Extract("BT /E 10 Tf [(A) -250 (B) -100 (A)] TJ ET"), u"A BA");
  // Glyphs placed one by one a little left of the wide advances their font
  // gives them overlap, and make no gap; a jump back by more than an em,
  // or a step back into another text object, does.
  EXPECT_EQ(Extract("BT /A 10 Tf <0004> Tj 3 0 Td <0004> Tj -30 0 Td <0004> Tj ET"), u"hh h");
  EXPECT_EQ(Extract("BT /A 10 Tf <0004> Tj ET BT 3 0 Td <0004> Tj ET"), u"h h");
}

TEST_F(TextExtractorLayout, AccentsSetOverTheirLetters) {
  // An acute set back over the "e" before it; the text then goes on from
  // where "Este" ended, not from the accent's end.
  EXPECT_EQ(Extract("BT /F1 10 Tf (Este) Tj 15.5 0 Td (\\264) Tj 4.51 0 Td (vez) Tj ET"), u"Est\u00E9vez");
  // A circumflex first and its letter set back under it: no precomposed
  // letter, so the letter and the combining mark.
  EXPECT_EQ(Extract("BT /F1 10 Tf (Punkt) Tj 28.6 0 Td (\\210) Tj -0.5 0 Td (P) Tj ET"), u"Punkt P\u0302");
  // Without a step back an accent is a character of its own.
  EXPECT_EQ(Extract("BT /F1 10 Tf (e) Tj (\\264) Tj ET"), u"e\u00B4");
}

TEST_F(TextExtractorLayout, MatrixThenLineMoveIsOneMove) {
  // Each glyph placed by resetting the matrix and moving from there: the
  // reset alone points back to the line start, which is no gap.
  EXPECT_EQ(Extract("BT /F1 1 Tf 10 0 0 10 100 700 Tm 0 0 Td (A) Tj 10 0 0 10 100 700 Tm 0.667 0 Td (B) Tj "
                    "10 0 0 10 100 700 Tm 1.334 0 Td (C) Tj 10 0 0 10 100 700 Tm 2.4 0 Td (D) Tj ET"),
            u"ABC D");
  // A footnote mark raised from the same line start stays with its word.
  EXPECT_EQ(Extract("BT /F1 12 Tf 1 0 0 1 100 700 Tm 0 -12 Td (750) Tj ET BT /F1 8 Tf "
                    "1 0 0 1 120.02 700 Tm 0 -8 Td (1) Tj ET"),
            u"7501");
  // The move still breaks lines.
  EXPECT_EQ(Extract("BT /F1 12 Tf 1 0 0 1 100 700 Tm (A) Tj 1 0 0 1 100 700 Tm 0 -14 Td (B) Tj ET"), u"A \r\nB");
}

TEST_F(TextExtractorLayout, GapsInFontsWithoutASpaceGlyph) {
  // Code 32 is psi here: a word gap is a space, not a psi.
  EXPECT_EQ(Extract("BT /M 10 Tf [(A) -400 (B)] TJ ET"), u"A B");
  EXPECT_EQ(Extract("BT /M 10 Tf 20 Tc [(AB)] TJ ET"), u"A B");
  // A psi shown on purpose is still a psi.
  EXPECT_EQ(Extract("BT /M 10 Tf [(A \\(B)] TJ ET").substr(0, 2), u"A\u03C8");
}

TEST_F(TextExtractorLayout, GlyphsOfNoTextAndWholeClusters) {
  // Codes mapped to "<>" add nothing, and the entries after them still count.
  EXPECT_EQ(Extract("BT /A 10 Tf [<0004>] TJ [<000100020003>] TJ ET"), u"h\u062D\u064E\u0628\u064A\u0628\u064A");
}

TEST_F(TextExtractorLayout, RightToLeftRunsReadInLogicalOrder) {
  // Drawn left to right as they appear: the last glyph drawn is read first.
  EXPECT_EQ(Extract("BT /H 12 Tf (ABC DE) Tj ET"), u"\u05D4\u05D3 \u05D2\u05D1\u05D0");
  // One glyph per string, each placed by its own move.
  EXPECT_EQ(Extract("BT /H 12 Tf 100 700 Td (A) Tj 7 0 Td (B) Tj 7 0 Td (C) Tj ET"), u"\u05D2\u05D1\u05D0");
  // Latin text and line breaks end a run.
  EXPECT_EQ(Extract("BT /H 12 Tf (xy AB) Tj 0 -14 Td (CD) Tj ET"), u"xy \u05D1\u05D0 \r\n\u05D3\u05D2");
  // A list line turns its own string round; its numbers have two decimals.
  EXPECT_EQ(Extract("BT /H 12 Tf 1 0 0 1 0.148784 20.5 Tm (AB) Tj ET", 2),
            u"0.15,20.5,#000000,12,\"Helvetica\",\"\u05D1\u05D0\"\r\n");
}

TEST_F(TextExtractorLayout, ActualTextStandsForItsGlyphs) {
  // A flag drawn from private glyphs; the span's text replaces the first
  // string shown in it and the rest are dropped.
  EXPECT_EQ(Extract("BT /F1 12 Tf (a) Tj /Span<</ActualText <FEFFD83CDDEED83CDDE9> >> BDC (B) Tj (C) Tj EMC "
                    "(d) Tj ET"),
            u"a\U0001F1EE\U0001F1E9d");
  // Nested levels, a literal string, and spans without text around it.
  EXPECT_EQ(Extract("BT /F1 12 Tf /P <</MCID 3>> BDC /Span <</Lang (en) /ActualText (fi)>>BDC /X BMC (A) Tj EMC "
                    "(B) Tj EMC (C) Tj EMC ET"),
            u"fiC");
  // A span with no string in it adds nothing; an unbalanced EMC is harmless.
  EXPECT_EQ(Extract("BT /F1 12 Tf /Figure <</Alt (x) /ActualText (formula)>> BDC EMC EMC (A) Tj ET"), u"A");
  // A dictionary that is not a property list is left as it is.
  EXPECT_EQ(Extract("BT /F1 12 Tf <</ActualText (no)>> (A) Tj ET"), u"A");
}

TEST_F(TextExtractorLayout, TextOutsideThePageBoxIsNotWritten) {
  pageBox = std::array<double, 4>{0, 0, 3.84, 3.84};
  // A label written above a tiny page, the way an image converter parks it.
  EXPECT_EQ(Extract("q BT /F1 12 Tf 0 16 Td (Background) Tj ET Q"), u"");
  // Moved into view by the transformation, or reaching into the page.
  EXPECT_EQ(Extract("q 1 0 0 1 0 -15 cm BT /F1 12 Tf 0 16 Td (In) Tj ET Q"), u"In");
  EXPECT_EQ(Extract("BT /F1 12 Tf -20 2 Td (Edge) Tj ET"), u"Edge");
  // A saved state brings the old transformation back.
  EXPECT_EQ(Extract("q 1 0 0 1 0 -15 cm Q BT /F1 12 Tf 0 16 Td (Out) Tj ET"), u"");
  // Turned text is given the benefit of the doubt.
  EXPECT_EQ(Extract("BT /F1 12 Tf 0 1 -1 0 100 100 Tm (Up) Tj ET"), u"Up");
  // Arrays too.
  EXPECT_EQ(Extract("BT /F1 12 Tf 100 100 Td [(A) -500 (B)] TJ ET"), u"");

  // Only where the pen was placed is a string's start taken as known: after
  // shown strings (whose widths may be wrong) it is judged by its line.
  pageBox = std::array<double, 4>{0, 0, 160, 100};
  EXPECT_EQ(Extract("BT /F1 12 Tf 150 50 Td (AAAA) Tj (BBBB) Tj 20 0 Td (C) Tj ET"), u"AAAABBBB");
  // The quote operators go to the next line's start as they show.
  EXPECT_EQ(Extract("BT /F1 12 Tf 10 80 Td 13 TL (Line one is long) Tj (Line two is long) ' "
                    "(Line three is long) ' 0 0 (Line four) \" ET"),
            u"Line one is long\r\nLine two is long\r\nLine three is long\r\nLine four");
}

TEST_F(TextExtractorLayout, TurnedTextReadsAlongItsOwnBaseline) {
  // An axis label turned a quarter, its glyphs placed one by one from the
  // top down; words turned upside down, the second drawn first; a label
  // turned three quarters. Upright text around them keeps its lines.
  std::string label =
      "0 1 -1 0 50 170.02 Tm (:) Tj 0 1 -1 0 50 162.24 Tm (Q) Tj 0 1 -1 0 50 159.46 Tm (I) Tj "
      "0 1 -1 0 50 153.9 Tm (f) Tj 0 1 -1 0 50 148.34 Tm (o) Tj 0 1 -1 0 50 137.23 Tm (m) Tj "
      "0 1 -1 0 50 131.67 Tm (a) Tj 0 1 -1 0 50 128.34 Tm (r) Tj 0 1 -1 0 50 122.78 Tm (g) Tj "
      "0 1 -1 0 50 117.22 Tm (o) Tj 0 1 -1 0 50 114.44 Tm (t) Tj 0 1 -1 0 50 109.44 Tm (s) Tj "
      "0 1 -1 0 50 107.22 Tm (i) Tj 0 1 -1 0 50 100 Tm (H) Tj ";
  EXPECT_EQ(Extract("BT /F1 10 Tf 72 700 Td (Before) Tj ET BT /F1 10 Tf " + label +
                    "-1 0 0 -1 267.76 500 Tm (down) Tj -1 0 0 -1 300 500 Tm (upside) Tj "
                    "0 -1 1 0 400 300 Tm (Side) Tj (ways) Tj 1 0 0 1 72 600 Tm (After) Tj ET"),
            u"Before \r\n\r\nHistogram of IQ:\r\nupside down\r\nSideways\r\nAfter");
}

// Glyphs of one right-to-left run are turned round; a run without end is
// turned round in pieces instead of costing the square of its length.
TEST(TextDirection, RunsAreTurnedRoundInBoundedPieces) {
  std::u16string out;
  TDirectedText text(out);
  text.AddGlyph(u"a");
  for (char16_t c : std::u16string(u"\u05D0\u05D1\u05D2")) text.AddGlyph(std::u16string(1, c));
  text.AddGap(u" ");
  text.AddGlyph(u"\u05D3");
  text.AddBreak(u"\r\n");
  EXPECT_EQ(out, u"a\u05D3 \u05D2\u05D1\u05D0\r\n");

  out.clear();
  TDirectedText endless(out);
  const size_t glyphs = 300000;
  for (size_t i = 0; i < glyphs; ++i) endless.AddGlyph(i % 2 ? u"\u05D0" : u"\u05D1");
  ASSERT_EQ(out.size(), glyphs);
  // The first piece holds glyphs 0 to 1023, turned round.
  EXPECT_EQ(out[0], u'\u05D0');
  EXPECT_EQ(out[1023], u'\u05D1');
}

TEST(TextDirection, FirstCharacterWithADirection) {
  EXPECT_EQ(TextDirection(u"\u05D0"), 1);
  EXPECT_EQ(TextDirection(u" (\u0627"), 1);
  EXPECT_EQ(TextDirection(u"\uFB50"), 1);
  EXPECT_EQ(TextDirection(u"a\u05D0"), -1);
  EXPECT_EQ(TextDirection(u"7"), -1);
  EXPECT_EQ(TextDirection(u"\u00E9"), -1);
  EXPECT_EQ(TextDirection(u" .,\u2014"), 0);
  EXPECT_EQ(TextDirection(u""), 0);
}

}  // namespace
}  // namespace ostrel
