// Text on pages through the facade: fonts, sizes across pages, coordinates.
#include <gtest/gtest.h>

#include <filesystem>

#include "pdf/compose/page_painter.h"
#include "pdf/core/page_tree.h"
#include "pdf/core/pdf_document.h"
#include "pdf/facade/ostrel.h"
#include "pdf/text/embedding/fallback_fonts.h"
#include "pdf/text/pdf_font.h"

namespace ostrel {
namespace {

std::string PageContent(TOstrel& pdf) {
  const auto& streams = pdf.SelectedDocument->PageTree().ContentStreams();
  return streams.empty() ? std::string() : streams.back()->DecodedData();
}

TPDFDictionary* PageFonts(TOstrel& pdf) {
  TPDFDictionary* resources = pdf.SelectedDocument->PageTree().PageResources();
  return resources ? resources->Get<TPDFDictionary>("Font") : nullptr;
}

TEST(FacadeText, DrawingAddsHelveticaAndWritesInPagePoints) {
  TOstrel pdf;
  EXPECT_EQ(pdf.SelectedFontID(), 0);
  EXPECT_EQ(pdf.DocumentHasFonts(), 0);
  pdf.SetOrigin(1);
  ASSERT_EQ(pdf.DrawTextAt(20, 40, u"Caf\u00E9 \u00A0"), 1);  // Helvetica lacks the no-break space
  ASSERT_NE(pdf.SelectedFont, nullptr);
  EXPECT_EQ(pdf.SelectedFont->BaseFont, "Helvetica");
  EXPECT_EQ(pdf.TextSize(), 12);
  const std::string& name = pdf.SelectedFont->ResourceName;
  EXPECT_EQ(PageContent(pdf), "0 Tr\n/" + name + " 12 Tf\n0 0 0 rg\n100 Tz\n0 Ts\n0 Tw 0 Tc\nBT\n"
                              "1 0 0 1 20 752 Tm\n(Caf\xE9 )Tj\nET\n");
  ASSERT_NE(PageFonts(pdf), nullptr);
  auto* ref = PdfCast<TPDFIndRef>(PageFonts(pdf)->GetValue(name));
  ASSERT_NE(ref, nullptr);
  EXPECT_EQ(ref->Resolve(), pdf.SelectedFont->Dictionary);
  EXPECT_EQ(pdf.DocumentHasFonts(), 1);

  pdf.SetOrigin(2);  // top-right: x runs leftwards
  pdf.DrawTextAt(20, 40, u"x");
  EXPECT_NE(PageContent(pdf).find("1 0 0 1 592 752 Tm\n(x)Tj\nET\n"), std::string::npos);
  EXPECT_EQ(pdf.SelectedDocument->Fonts.size(), 1u);  // the font is made once
}

TEST(FacadeText, TheTextSizeSurvivesPageChangesButNotNewPages) {
  TOstrel pdf;
  EXPECT_EQ(pdf.SetTextSize(20), 1);  // adds the font it needs
  EXPECT_EQ(pdf.TextSize(), 20);
  EXPECT_EQ(pdf.NewPage(), 2);
  EXPECT_EQ(pdf.TextSize(), 12);
  ASSERT_NE(PageFonts(pdf), nullptr);  // the new page knows the font too
  EXPECT_NE(PageFonts(pdf)->GetValue(pdf.SelectedFont->ResourceName), nullptr);
  pdf.SetTextSize(-3);
  EXPECT_EQ(pdf.TextSize(), 1);
  pdf.SetTextSize(9.5);
  EXPECT_EQ(pdf.SelectPage(1), 1);
  EXPECT_EQ(pdf.TextSize(), 9.5);
  EXPECT_EQ(pdf.SelectPage(7), 0);
  EXPECT_EQ(pdf.SelectedPage(), 1);
  EXPECT_EQ(pdf.TextSize(), 9.5);
}

TEST(FacadeText, FontsAreSelectedByTheirOwnIDsOnly) {
  TOstrel pdf;
  int times = pdf.AddStandardFont(8);
  int courier = pdf.AddStandardFont(0);
  ASSERT_NE(times, 0);
  ASSERT_NE(courier, 0);
  EXPECT_EQ(pdf.SelectedFontID(), courier);
  EXPECT_EQ(pdf.SelectFont(times), 1);
  EXPECT_EQ(pdf.SelectedFont->BaseFont, "Times-Roman");
  EXPECT_EQ(pdf.SelectFont(pdf.ObjectID(pdf.SelectedDocument)), 0);  // a document, not a font
  EXPECT_EQ(pdf.SelectFont(0), 0);
  EXPECT_EQ(pdf.AddStandardFont(14), 0);
  EXPECT_EQ(pdf.SelectedFontID(), times);
  EXPECT_EQ(pdf.SelectDocument(pdf.ObjectID(pdf.SelectedDocument)), 1);
  EXPECT_EQ(pdf.SelectedFont, pdf.SelectedDocument->Fonts.front().get());
}

TEST(FacadeText, DrawingAfterSavingStillSetsTheFont) {
  TOstrel pdf;
  pdf.SetTextSize(14);
  pdf.DrawTextAt(20, 40, u"before");
  auto path = std::filesystem::temp_directory_path() / ("ostrel-text-" + std::to_string(::getpid()) + ".pdf");
  ASSERT_EQ(pdf.SaveDocumentFile(path.u16string()), 1);
  std::filesystem::remove(path);
  pdf.DrawTextAt(20, 60, u"after");
  std::string content = PageContent(pdf);
  size_t after = content.find("(after)Tj");
  ASSERT_NE(after, std::string::npos);
  EXPECT_NE(content.rfind(" 14 Tf\n", after), content.rfind(" 14 Tf\n", content.find("(before)Tj")));
}

TEST(FacadeText, TextOutsideWindows1252IsSetInAnEmbeddedSubset) {
  if (!FindFontFile("Liberation Sans")) GTEST_SKIP() << "Liberation Sans is not installed";
  TOstrel pdf;
  pdf.SetOrigin(1);
  ASSERT_EQ(pdf.DrawTextAt(20, 40, u"\u0401\u0436 \u0401"), 1);  // the same letter twice: one glyph
  pdf.DrawTextAt(20, 60, u"Latin");
  const std::string content = PageContent(pdf);
  // Codes count the glyphs in the order first shown; Helvetica is set again afterwards.
  size_t codes = content.find("<0001000200030001>Tj\n");
  ASSERT_NE(codes, std::string::npos) << content;
  EXPECT_NE(content.find("/" + pdf.SelectedFont->ResourceName + " 12 Tf", codes), std::string::npos);
  // The first line's width comes from the embedded font: wrapping measures what is drawn.
  EXPECT_EQ(pdf.WrapText(u"\u0401\u0436 \u0401", 20).size(), 2u);

  auto path = std::filesystem::temp_directory_path() / ("ostrel-cid-" + std::to_string(::getpid()) + ".pdf");
  ASSERT_EQ(pdf.SaveDocumentFile(path.u16string()), 1);
  std::filesystem::remove(path);
  auto name = [](const TPDFDictionary* dict, std::string_view key) {
    auto* value = dict->Get<TPDFName>(key);
    return value ? value->Value : std::string();
  };
  TPDFDictionary* type0 = nullptr;
  for (size_t i = 0; i < PageFonts(pdf)->Count(); ++i) {
    auto* ref = PdfCast<TPDFIndRef>(PageFonts(pdf)->EntryAt(i).second);
    auto* font = ref ? PdfCast<TPDFDictionary>(ref->Resolve()) : nullptr;
    if (font && name(font, "Subtype") == "Type0") type0 = font;
  }
  ASSERT_NE(type0, nullptr);
  EXPECT_EQ(name(type0, "Encoding"), "Identity-H");
  auto* descendants = type0->Get<TPDFArray>("DescendantFonts");
  ASSERT_NE(descendants, nullptr);
  auto* cidFont = PdfCast<TPDFDictionary>(descendants->ItemResolved(0));
  ASSERT_NE(cidFont, nullptr);
  EXPECT_EQ(name(cidFont, "BaseFont").substr(6), "+LiberationSans");
  auto* widths = cidFont->Get<TPDFArray>("W");
  ASSERT_NE(widths, nullptr);
  auto* list = PdfCast<TPDFArray>(widths->ItemResolved(1));
  ASSERT_NE(list, nullptr);
  EXPECT_GE(list->Count(), 4u);  // .notdef, the three glyphs and the parts of composite ones
  auto* toUnicode = type0->Get<TPDFStream>("ToUnicode");
  ASSERT_NE(toUnicode, nullptr);
  EXPECT_NE(toUnicode->DecodedData().find("<0001> <0401>\n<0002> <0436>\n<0003> <0020>"), std::string::npos);
}

}  // namespace
}  // namespace ostrel
