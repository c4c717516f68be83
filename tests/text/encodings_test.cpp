#include <gtest/gtest.h>

#include <set>

#include "pdf/text/encodings.h"
#include "pdf/text/glyph_list.h"
#include "pdf/text/latin_charset.h"
#include "pdf/core/pdf_doc_encoding.h"

namespace ostrel {
namespace {

TEST(GlyphList, KnownNamesMapToTheirCharacter) {
  EXPECT_EQ(GlyphNameToUnicode("space"), 0x20);
  EXPECT_EQ(GlyphNameToUnicode("A"), 0x41);
  EXPECT_EQ(GlyphNameToUnicode("zcaron"), 0x17E);
  EXPECT_EQ(GlyphNameToUnicode("Euro"), 0x20AC);
  EXPECT_EQ(GlyphNameToUnicode("fi"), 0xFB01);
  EXPECT_EQ(GlyphNameToUnicode("Delta"), 0x2206);
  EXPECT_EQ(GlyphNameToUnicode("Omega"), 0x2126);
  EXPECT_EQ(GlyphNameToUnicode("mu"), 0xB5);
  EXPECT_EQ(GlyphNameToUnicode("registersans"), 0xF8E8);
}

TEST(GlyphList, UnknownAndMadeUpNamesGiveZero) {
  EXPECT_EQ(GlyphNameToUnicode(""), 0);
  EXPECT_EQ(GlyphNameToUnicode("g123"), 0);
  EXPECT_EQ(GlyphNameToUnicode("U+0041"), 0);
  EXPECT_EQ(GlyphNameToUnicode("CID:65"), 0);
  EXPECT_EQ(GlyphNameToUnicode(".notdef"), 0);
  EXPECT_EQ(GlyphNameToUnicode("EURO"), 0);  // names are case-sensitive
  EXPECT_EQ(GlyphNameToUnicode("spac"), 0);
  EXPECT_EQ(GlyphNameToUnicode("spacex"), 0);
}

TEST(LatinCharset, HoldsEachNameOnceWithItsCodes) {
  auto latin = LatinCharset();
  ASSERT_EQ(latin.size(), 229u);
  std::set<std::string_view> names;
  for (const TLatinChar& c : latin) names.insert(c.Name);
  EXPECT_EQ(names.size(), 229u);
  const TLatinChar* euro = FindLatinChar("Euro");
  ASSERT_NE(euro, nullptr);
  EXPECT_EQ(euro->Codes[kStandardEncoding], -1);
  EXPECT_EQ(euro->Codes[kWinAnsiEncoding], 0x80);
  EXPECT_EQ(euro->Codes[kPDFDocEncoding], 0xA0);
  EXPECT_EQ(FindLatinChar("Alpha"), nullptr);
  // Widths of the twelve fonts: Courier, Helvetica and Times samples.
  const TLatinChar* a = FindLatinChar("A");
  EXPECT_EQ(a->Widths[0], 600);
  EXPECT_EQ(a->Widths[4], 667);
  EXPECT_EQ(a->Widths[8], 722);
  EXPECT_EQ(FindLatinChar("space")->Widths[4], 278);
  EXPECT_EQ(FindLatinChar("space")->Widths[8], 250);
}

TEST(LatinCharset, WinAnsiByteOfUnicode) {
  EXPECT_EQ(WinAnsiByteOf(0x20AC), 0x80);
  EXPECT_EQ(WinAnsiByteOf(u'A'), 'A');
  EXPECT_EQ(WinAnsiByteOf(0x2212), 0xFF);  // minus: Latin, but not in WinAnsiEncoding
  EXPECT_EQ(WinAnsiByteOf(0x0391), 0);     // Greek Alpha: not Latin
}

TEST(Encodings, WinAnsiFillsItsGapsAsReadersShowThem) {
  const TGlyphNames& win = GlyphNamesOf(kWinAnsiEncoding);
  EXPECT_EQ(win[0x80], "Euro");
  EXPECT_EQ(win[0x93], "quotedblleft");
  for (int gap : {0x81, 0x8D, 0x8F, 0x90, 0x9D, 0x7F}) EXPECT_EQ(win[gap], "bullet") << gap;
  EXPECT_EQ(win[160], "space");
  EXPECT_EQ(win[173], "hyphen");
  EXPECT_EQ(win[32], "space");
  EXPECT_EQ(win[31], ".notdef");
}

TEST(Encodings, MacRomanExceptions) {
  const TGlyphNames& mac = GlyphNamesOf(kMacRomanEncoding);
  EXPECT_EQ(mac[202], "space");
  EXPECT_EQ(mac[0xDB], "currency");  // the older Mac layout, before the Euro
  EXPECT_EQ(mac[0xDE], "fi");
  EXPECT_EQ(mac[0xBD], ".notdef");   // Omega belongs to the Symbol font
  EXPECT_EQ(mac[0xF0], ".notdef");
  EXPECT_EQ(mac[0x80], "Adieresis");
}

TEST(Encodings, StandardPdfDocAndExpert) {
  const TGlyphNames& std = GlyphNamesOf(kStandardEncoding);
  EXPECT_EQ(std[0x27], "quoteright");
  EXPECT_EQ(std[0x60], "quoteleft");
  EXPECT_EQ(std[0xAE], "fi");
  EXPECT_EQ(std[0x80], ".notdef");
  const TGlyphNames& doc = GlyphNamesOf(kPDFDocEncoding);
  EXPECT_EQ(doc[0x18], "breve");
  EXPECT_EQ(doc[0x1F], "tilde");
  EXPECT_EQ(doc[0xA0], "Euro");
  EXPECT_EQ(doc[0xAD], ".notdef");
  const TGlyphNames& expert = GlyphNamesOf(kMacExpertEncoding);
  EXPECT_EQ(expert[190], "AEsmall");
  EXPECT_EQ(expert[97], "Asmall");
  EXPECT_EQ(expert[32], "space");
  EXPECT_EQ(expert[226], "zerosuperior");
  int named = 0;
  for (const std::string& n : expert) named += n != ".notdef";
  EXPECT_EQ(named, 93);
  EXPECT_EQ(GlyphNamesOf(99)[0x27], "quoteright");  // unknown numbers read as Standard
  EXPECT_EQ(EncodingNumberOf("WinAnsiEncoding"), kWinAnsiEncoding);
  EXPECT_EQ(EncodingNumberOf("Identity-H"), -1);
}

TEST(Encodings, SymbolNamesUnicodeAndWidths) {
  ASSERT_EQ(SymbolGlyphs().size(), 189u);
  const TGlyphNames& symbol = GlyphNamesOf(kSymbolEncoding);
  EXPECT_EQ(symbol[65], "Alpha");
  EXPECT_EQ(symbol[0], "");  // unassigned codes are empty, not ".notdef"
  EXPECT_EQ(symbol[226], "registersans");
  EXPECT_EQ(SymbolUnicodeNames()[68], "U+2206");
  EXPECT_EQ(SymbolUnicodeNames()[65], "U+0391");
  EXPECT_EQ(SymbolUnicodeNames()[1], "");
  struct Row { const char* name; int code; char16_t unicode; int width; };
  for (Row r : {Row{"space", 32, 0x20, 250}, Row{"Alpha", 65, 0x391, 722}, Row{"Delta", 68, 0x2206, 612},
                Row{"Omega", 87, 0x2126, 768}, Row{"mu", 109, 0xB5, 576}, Row{"Euro", 160, 0x20AC, 750},
                Row{"registersans", 226, 0xF8E8, 790}}) {
    const TSymbolGlyph* g = FindSymbolGlyph(r.name);
    ASSERT_NE(g, nullptr) << r.name;
    EXPECT_EQ(g->Code, r.code);
    EXPECT_EQ(g->Unicode, r.unicode);
    EXPECT_EQ(g->Width, r.width);
  }
  EXPECT_EQ(FindSymbolGlyph("U+2206"), FindSymbolGlyph("Delta"));
}

TEST(PdfDocEncoding, DecodesItsOwnCodesAndRoundTrips) {
  EXPECT_EQ(PdfDocDecode("\x18\x80\xA0" "A"), u"\u02D8\u2022\u20AC" u"A");
  for (int code = 0; code < 256; ++code) {
    std::string byte(1, static_cast<char>(code));
    std::u16string text = PdfDocDecode(byte);
    std::string back;
    bool undefined = code == 0x7F || code == 0x9F || code == 0xAD;
    EXPECT_EQ(PdfDocEncode(text, back), !undefined) << code;
    if (!undefined) {
      EXPECT_EQ(back, byte) << code;
    }
  }
  std::string out;
  EXPECT_FALSE(PdfDocEncode(u"\u0391", out));
}

TEST(PdfDocEncoding, TextStringsFallBackToUtf16) {
  EXPECT_EQ(PdfTextEncode(u"Caf\u00E9 \u20AC"), "Caf\xE9 \xA0");
  EXPECT_EQ(PdfTextEncode(u"\u0391"), std::string("\xFE\xFF\x03\x91", 4));
  // PDFDoc bytes FE FF would read back as a byte order mark.
  std::string tricky = PdfTextEncode(u"\u00FE\u00FFx");
  EXPECT_EQ(PdfTextDecode(tricky), u"\u00FE\u00FFx");
  EXPECT_EQ(PdfTextDecode(std::string("\xFE\xFF\x00" "A\x00", 5)), u"A");  // odd last byte dropped
}

}  // namespace
}  // namespace ostrel
