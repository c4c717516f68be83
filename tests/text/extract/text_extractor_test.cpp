#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "pdf/core/pdf_objects.h"
#include "pdf/facade/ostrel.h"
#include "pdf/render/content/pdf_renderer.h"
#include "pdf/text/font_collection.h"
#include "pdf/text/extract/text_extractor.h"
#include "pdf/text/extract/text_extractor_output.h"
#include "tests/text/font_test_pool.h"

namespace ostrel {
namespace {

using namespace std::literals;

class TextExtractorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Helvetica: space 278, A 667. Times-Roman: space 250.
    pool.Add(1, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
    pool.Add(2, "<< /Type /Font /Subtype /Type1 /BaseFont /Times-Roman /Encoding /WinAnsiEncoding >>");
    pool.Add(3, "<< /Type /Font /Subtype /Type0 /BaseFont /Ident /Encoding /Identity-H /DescendantFonts [4 0 R] >>");
    pool.Add(4, "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /Ident /DW 1000 /W [65 [500 600]] "
                "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> >>");
    // An embedded subset without a space glyph lists the width of 32 as 0.
    pool.Add(5, "<< /Type /Font /Subtype /Type1 /BaseFont /ABCDEF+CMR10 /FirstChar 32 /LastChar 66 "
                "/Widths [0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 700 700] >>");
    // Ligature glyphs at codes 1 and 2.
    pool.Add(6, "<< /Type /Font /Subtype /Type1 /BaseFont /Times-Roman "
                "/Encoding << /Differences [1 /fi /ffl] >> >>");
    // ZapfDingbats by its own codes, and by a glyph name.
    pool.Add(7, "<< /Type /Font /Subtype /Type1 /BaseFont /ZapfDingbats >>");
    pool.Add(8, "<< /Type /Font /Subtype /Type1 /BaseFont /ZapfDingbats /Encoding << /Differences [65 /a20] >> >>");
    resources = PdfCast<TPDFDictionary>(pool.Add(
        10, "<< /Font << /F1 1 0 R /F2 2 0 R /C 3 0 R /S 5 0 R /L 6 0 R /Z 7 0 R /ZD 8 0 R "
            "/D << /Subtype /Type1 /BaseFont /Courier >> >> >>"));
  }

  std::u16string Extract(std::string_view content, int mode = 0) {
    TPDFExtractor extractor(fonts, mode);
    TPDFRenderer renderer(fonts);
    renderer.ReadPageText(extractor, std::string(content), resources);
    return extractor.Finish();
  }

  TFontTestPool pool;
  TPDFFontCollection fonts;
  TPDFDictionary* resources = nullptr;
};

TEST_F(TextExtractorTest, ShowsStringsInContentOrder) {
  EXPECT_EQ(Extract("BT /F1 12 Tf 100 700 Td (Hello) Tj ET"), u"Hello");
  EXPECT_EQ(Extract("BT /F1 12 Tf (Hel) Tj <6C6F> Tj ET"), u"Hello");
  // Operators glued to the next name still count.
  EXPECT_EQ(Extract("BT/F2 12 Tf[(Hi)]TJ/F1 12 Tf 0 -20 Td(there)Tj ET"), u"Hi \r\nthere");
  // Back to the line start and one line down: a gap and a break.
  EXPECT_EQ(Extract("BT /F1 12 Tf (Hello) Tj 0 -14 Td (World) Tj ET"), u"Hello \r\nWorld");
  // WinAnsiEncoding beyond ASCII.
  EXPECT_EQ(Extract("BT /F1 12 Tf (\\223caf\\351\\224) Tj ET"), u"\u201Ccaf\u00E9\u201D");
  // Ligature glyphs read as their letters, in the list too.
  EXPECT_EQ(Extract("BT /L 12 Tf (\\001nd wa\\002e) Tj ET"), u"find waffle");
  EXPECT_EQ(Extract("BT /L 12 Tf (\\001) Tj ET", 2), u"0,0,#000000,12,\"Times-Roman\",\"fi\"\r\n");
  // Dingbats read as the symbols they draw.
  EXPECT_EQ(Extract("BT /Z 12 Tf (4 8 H) Tj /ZD 12 Tf (A) Tj ET"), u"\u2714 \u2718 \u2605\u2714");
}

TEST_F(TextExtractorTest, LineBreaksFollowVerticalJumps) {
  // Three sizes down give one break, three sizes up two (an empty line).
  EXPECT_EQ(Extract("BT /F1 12 Tf (A) Tj 0 -36 Td (B) Tj ET"), u"A \r\nB");
  EXPECT_EQ(Extract("BT /F1 12 Tf (A) Tj 0 36 Td (B) Tj ET"), u"A \r\n\r\nB");
  // A small step (superscript) stays on the line; the pen ended after "A".
  EXPECT_EQ(Extract("BT /F1 12 Tf (A) Tj 8 4 Td (2) Tj ET"), u"A2");
  // T* always breaks; runs of three breaks fold to one, four to two.
  EXPECT_EQ(Extract("BT /F1 12 Tf 14 TL (A) Tj T* (B) Tj ET"), u"A\r\nB");
  EXPECT_EQ(Extract("BT /F1 12 Tf (A) Tj T* T* T* (B) Tj ET"), u"A\r\nB");
  EXPECT_EQ(Extract("BT /F1 12 Tf (A) Tj T* T* T* T* (B) Tj ET"), u"A\r\n\r\nB");
  // The quote operators start a new line unless one was just started.
  EXPECT_EQ(Extract("BT /F1 12 Tf (A) Tj (B) ' 0 0 (C) \" ET"), u"A\r\nB\r\nC");
  // TD sets the leading for T*; its gap needs a full space of movement.
  EXPECT_EQ(Extract("BT /F1 10 Tf (A) Tj 20 -12 TD (B) Tj T* (C) Tj ET"), u"A \r\nB\r\nC");
}

TEST_F(TextExtractorTest, TextMatrixSetsPositionAndScale) {
  // A 10x scale: Td distances are in text space, Tm positions are not.
  EXPECT_EQ(Extract("BT /F1 1 Tf 10 0 0 10 72 700 Tm (A) Tj 0 -1.4 Td (B) Tj ET"), u"A \r\nB");
  EXPECT_EQ(Extract("BT /F1 12 Tf 1 0 0 1 72 700 Tm (A) Tj 1 0 0 1 80 700 Tm (B) Tj "
                    "1 0 0 1 200 700 Tm (C) Tj 1 0 0 1 72 680 Tm (D) Tj ET"),
            u"AB C \r\nD");
}

TEST_F(TextExtractorTest, ArraysKernAndSpace) {
  // Times-Roman's space is 250: a kern of -300 is a word gap, -100 is not.
  EXPECT_EQ(Extract("BT /F2 12 Tf [(A) -300 (B) -100 (C)] TJ ET"), u"A BC");
  // Letter spacing wider than a space spreads the letters of array strings.
  EXPECT_EQ(Extract("BT /F2 10 Tf 4 Tc [(ab)] TJ ET"), u"a b");
  // ... across the array's strings too, unless a kern closes the gap.
  EXPECT_EQ(Extract("BT /F2 10 Tf 4 Tc [(ab) 20 (cd) (e)] TJ ET"), u"a b c d e");
  EXPECT_EQ(Extract("BT /F2 10 Tf 4 Tc [(ab) 200 (cd)] TJ ET"), u"a bc d");
  // The array of another operator is no part of the text.
  EXPECT_EQ(Extract("BT /F2 12 Tf [(A)] TJ [3 -1000] 0 d [(B)] TJ ET"), u"AB");
  // A font without a space glyph: kerns are not taken for word gaps.
  EXPECT_EQ(Extract("BT /S 10 Tf [(A) -20 (B) -400 (A)] TJ ET"), u"AB A");
}

TEST_F(TextExtractorTest, CompositeFontsKeepTheirCodesWhole) {
  EXPECT_EQ(Extract("BT /C 10 Tf [<0041> -600 <0042>] TJ ET"), u"A B");
  // Each glyph placed by its own Td, as some producers do: the CID widths
  // say where the previous glyph ended, so no gap appears.
  EXPECT_EQ(Extract("BT /C 10 Tf <0041> Tj 5 0 Td <0042> Tj 6 0 Td <0041> Tj 20 0 Td <0042> Tj ET"), u"ABA B");
  EXPECT_EQ(Extract("BT /C 10 Tf 15 Tc [<00410042>] TJ ET"), u"A B");
}

TEST_F(TextExtractorTest, FailedOperatorsAreDropped) {
  // Nothing is shown before a font; an unknown or direct font keeps the last.
  EXPECT_EQ(Extract("BT (Lost) Tj /Nope 12 Tf (Lost) Tj /F1 12 Tf (Kept) Tj /D 12 Tf (!) Tj ET"), u"Kept!");
  // A form that is not there is passed over; broken tokens do not stop the page.
  EXPECT_EQ(Extract("/X1 Do BT /F1 12 Tf (A) Tj >> ]] <zz> Tj ) (B) Tj ET"), u"A B");
  // Code 0 of a simple font comes out as a space.
  EXPECT_EQ(Extract("BT /F1 12 Tf (A\\000B) Tj ET"), u"A B");
  // Inline image data is skipped up to an "EI" that stands alone, whatever
  // the data holds.
  EXPECT_EQ(Extract("BT /F1 12 Tf BI /W 2 ID (Hidden) Tj EI (Shown) Tj ET"), u"Shown");
  EXPECT_EQ(Extract("BT /F1 12 Tf BI ID \x01""EI\x02 EI (Tail) Tj ET"), u"Tail");
  // Absurd numbers are bounded: positions stay finite and short in the list.
  std::string absurd = "BT /F1 99999999999999999999 Tf 9999999999999999 0 0 9999999999999999 1 1 Tm (A) Tj "
                       "-99999999999999999.5 99999999999999999 Td (B) Tj ET";
  EXPECT_EQ(Extract(absurd, 2), u"1,1,#000000,0,\"Helvetica\",\"A\"\r\n"
                                u"-1000000000,1000000000,#000000,0,\"Helvetica\",\"B\"\r\n");
}

TEST_F(TextExtractorTest, ModesOtherThanPlainText) {
  std::string content = "BT /F1 12 Tf 1 0 0.5 rg 100 700 Td (say \"hi\") Tj 2 -1 0 rg [(A) -300 (B)] TJ ET";
  EXPECT_EQ(Extract(content, 2),
            u"100,700,#8000FF,12,\"Helvetica\",\"say \\\"hi\\\"\"\r\n"
            u"139.86,700,#0000FF,12,\"Helvetica\",\"A B\"\r\n");
  EXPECT_EQ(Extract(content, 1), u"");
  EXPECT_EQ(Extract(content, 9), u"");
  EXPECT_EQ(Extract(content, -1), u"");
}

TEST(TextExtractorFacade, FileErrorsGiveCodesAndNoText) {
  TOstrel pdf;
  auto dir = std::filesystem::temp_directory_path();
  std::string missing = (dir / "ostrel_text_missing.pdf").string();
  std::remove(missing.c_str());
  std::u16string name(missing.begin(), missing.end());
  EXPECT_EQ(pdf.ExtractPageTextFromFile(name, u"", 1, 0), u"");
  EXPECT_EQ(pdf.LastErrorCode, 401);

  std::string junk = (dir / "ostrel_text_junk.pdf").string();
  std::ofstream(junk) << "this is not a PDF file";
  name.assign(junk.begin(), junk.end());
  EXPECT_EQ(pdf.ExtractPageTextFromFile(name, u"", 1, 0), u"");
  EXPECT_EQ(pdf.LastErrorCode, 409);
  std::remove(junk.c_str());
}

TEST(TextExtractorOutput, CleanUpFoldsBlankLinesAndTrims) {
  auto clean = [](std::u16string s) {
    CleanUpExtractedText(s);
    return s;
  };
  EXPECT_EQ(clean(u"  a\r\n \r\n \r\nb "), u"a\r\nb");
  EXPECT_EQ(clean(u"a\r\n\r\n\r\n\r\n\r\nb"), u"a\r\nb");
  EXPECT_EQ(clean(u"a\r\n \r\n\r\n\r\n\r\nb"), u"a\r\n\r\nb");
  EXPECT_EQ(clean(std::u16string(u"\0a\0", 3)), u"a");
  EXPECT_EQ(clean(u"   "), u"");
  EXPECT_EQ(FillColorText(0x0080FF), "#0080FF");
}

}  // namespace
}  // namespace ostrel
