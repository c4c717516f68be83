#include "pdf/text/pdf_font.h"

#include <gtest/gtest.h>

#include "pdf/core/pdf_document.h"

namespace ostrel {
namespace {

struct FontTest : ::testing::Test {
  TPDFDocument document;
  FontTest() { document.NewDocument(); }
  TPDFFont& Standard(int number) {
    TPDFFont* font = NewStandardFont(document, number);
    EXPECT_NE(font, nullptr);
    return *font;
  }
};

TEST_F(FontTest, HelveticaShowsWinAnsiCharacters) {
  TPDFFont& helvetica = Standard(4);
  EXPECT_EQ(helvetica.EncodeText(u"A\u20AC\u00E9\u00FF"), "A\x80\xE9\xFF");
  EXPECT_EQ(helvetica.CharWidth(u'A'), 667);
  EXPECT_EQ(helvetica.CharWidth(u'\u20AC'), 556);
  EXPECT_EQ(helvetica.CharWidth(u' '), 278);
  EXPECT_EQ(helvetica.FilterText(u"Lod\u0141\u00F3d\u00A0\u4E2D!"), u"Lod\u00F3d!");
  // Unfiltered, characters the font lacks are shown as spaces.
  EXPECT_EQ(helvetica.EncodeText(u"a\u00A0b"), "a b");
  EXPECT_EQ(helvetica.CharWidth(u'\u0141'), 0);
  ASSERT_EQ(helvetica.Widths.size(), 232u);  // codes 24..255
  EXPECT_EQ(helvetica.Widths[160 - 24], 278);  // the no-break space measures as a space
  EXPECT_EQ(helvetica.Ascent, 718);
}

TEST_F(FontTest, TheDictionaryIsAnIndirectType1Font) {
  TPDFFont& helvetica = Standard(4);
  ASSERT_NE(helvetica.Reference, nullptr);
  EXPECT_EQ(helvetica.Reference->Resolve(), helvetica.Dictionary);
  EXPECT_EQ(helvetica.Dictionary->ToText(),
            TPDFStructure().ParseObject("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica "
                                        "/Encoding /WinAnsiEncoding >>")->ToText());
  EXPECT_EQ(helvetica.Kind, TPDFFont::kStandardKind);

  TPDFFont& symbol = Standard(12);
  EXPECT_EQ(symbol.Dictionary->GetValue("Encoding"), nullptr);
  EXPECT_EQ(symbol.BaseFont, "Symbol");
}

TEST_F(FontTest, FontsOfOneDocumentHaveTheirOwnNames) {
  TPDFFont& first = Standard(4);
  TPDFFont& second = Standard(4);
  EXPECT_NE(first.ResourceName, second.ResourceName);
  EXPECT_EQ(first.ResourceName.size(), 15u);
  EXPECT_EQ(first.ResourceName.rfind("OstrelF", 0), 0u);
  EXPECT_EQ(first.ResourceName.find_first_not_of("0123456789abcdef", 7), std::string::npos);
  EXPECT_NE(first.Reference->RefNumber, second.Reference->RefNumber);
  EXPECT_EQ(document.Fonts.size(), 2u);
  EXPECT_EQ(NewStandardFont(document, 14), nullptr);
  EXPECT_EQ(NewStandardFont(document, -1), nullptr);
  EXPECT_EQ(document.Fonts.size(), 2u);
}

TEST_F(FontTest, SymbolAndDingbatsUseTheirOwnCodes) {
  TPDFFont& symbol = Standard(12);
  EXPECT_EQ(symbol.EncodeText(u"\u03B1"), "a");
  EXPECT_EQ(symbol.CharWidth(u'\u03B1'), 631);
  EXPECT_EQ(symbol.CharWidth(u' '), 250);
  EXPECT_EQ(symbol.FilterText(u"a\u03B1"), u"\u03B1");

  TPDFFont& dingbats = Standard(13);
  EXPECT_EQ(dingbats.EncodeText(u"a"), "a");
  EXPECT_EQ(dingbats.CharWidth(u'a'), 789);
  EXPECT_EQ(dingbats.CharWidth(u'!'), 974);
  EXPECT_EQ(dingbats.CharWidth(u'\x7F'), 0);
  EXPECT_EQ(dingbats.CharWidth(u'\u00FE'), 918);
  EXPECT_EQ(dingbats.FilterText(u"\x1F a\u00FF"), u" a");
}

TEST_F(FontTest, DifferencesChangeTheMapAndTheLowestCodeWins) {
  TPDFFont& font = Standard(8);
  TPDFStructure& pool = document.Pool();
  TPDFArray* differences = pool.NewArrayOf({pool.NewNumeric(128), pool.NewName("Aring"), pool.NewName("bullet"),
                                            pool.NewNumeric(-1), pool.NewName("A"), pool.NewName("B"),
                                            pool.NewNumeric(1e300), pool.NewName("C")});
  font.BuildEncodingMap("WinAnsiEncoding", differences);
  EXPECT_EQ(font.EncodeText(u"\u00C5\u2022ABC"), "\x80\x81" "ABC");  // out-of-range codes change nothing

  font.BuildEncodingMap("MacRomanEncoding", nullptr);
  EXPECT_EQ(font.EncodeText(u"\u00E9"), "\x8E");
}

TEST(WidthLookup, FindsWidthsAddedInAnyOrder) {
  TOstrelWidthLookup lookup;
  EXPECT_EQ(lookup.FindWidth(u'a'), 0);
  for (char16_t c : std::u16string(u"zqamxbc")) lookup.AddWidth(c, 1000 + c);
  for (char16_t c : std::u16string(u"abcmqxz")) EXPECT_EQ(lookup.FindWidth(c), 1000 + c) << char(c);
  EXPECT_EQ(lookup.FindWidth(u'd'), 0);
  lookup.AddWidth(u'd', 7);  // adding after a search sorts again
  EXPECT_EQ(lookup.FindWidth(u'd'), 7);
}

TEST_F(FontTest, WidthLookupAndKerningOverrideTheTables) {
  TPDFFont& font = Standard(4);
  EXPECT_EQ(font.KerningAmount(u'A', u'V'), 0);
  font.KerningPairs.push_back({u'A', u'V', -70});
  EXPECT_EQ(font.KerningAmount(u'A', u'V'), -70);
  EXPECT_EQ(font.KerningAmount(u'V', u'A'), 0);
  font.WidthLookup.AddWidth(u'A', 500);
  EXPECT_EQ(font.CharWidth(u'A'), 500);
  EXPECT_EQ(font.CharWidth(u'B'), 0);
}

}  // namespace
}  // namespace ostrel
