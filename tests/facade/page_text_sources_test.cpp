// Where page text comes from besides the page's own content: forms the page
// draws (nested, each with its matrix) and annotations.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "pdf/facade/ostrel.h"
#include "platform/text_codec.h"
#include "tests/split/split_fixture.h"

namespace ostrel {
namespace {

namespace fs = std::filesystem;
using testing::PdfFixture;

std::string Stream(const std::string& dict, const std::string& data) {
  return "<< " + dict + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream";
}

class PageTextSources : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("ostrel-text-sources-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    pdf.Plain[1] = "<< /Type /Catalog /Pages 2 0 R >>";
    pdf.Plain[2] = "<< /Type /Pages /Kids [3 0 R] /Count 1 >>";
    pdf.Plain[5] = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>";
  }
  void TearDown() override { fs::remove_all(dir); }

  // The page: its content, its resources and any further page entries.
  void Page(const std::string& content, const std::string& resources, const std::string& extra = "") {
    pdf.Plain[3] = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 300] /Contents 4 0 R /Resources " + resources +
                   " " + extra + " >>";
    pdf.Plain[4] = Stream("", content);
  }
  void Form(int number, const std::string& content, const std::string& resources,
            const std::string& matrix = "[1 0 0 1 0 0]") {
    pdf.Plain[number] = Stream("/Type /XObject /Subtype /Form /BBox [0 0 300 300] /Matrix " + matrix +
                                   " /Resources " + resources,
                               content);
  }
  std::u16string Text(int options = 0) {
    fs::path path = dir / ("t" + std::to_string(++files) + ".pdf");
    std::ofstream(path, std::ios::binary) << pdf.Build();
    return reader.ExtractPageTextFromFile(path.u16string(), u"", 1, options);
  }
  int HasFonts() {
    fs::path path = dir / ("f" + std::to_string(++files) + ".pdf");
    std::ofstream(path, std::ios::binary) << pdf.Build();
    TOstrel doc;
    if (doc.LoadDocumentFile(path.u16string(), u"") != 1) return -1;
    return doc.DocumentHasFonts();
  }

  fs::path dir;
  PdfFixture pdf;
  TOstrel reader;
  int files = 0;
};

TEST_F(PageTextSources, FormsAreFollowedWithTheirOwnStateAndBounded) {
  // The page's fonts live only in its forms: a whole slide inside a form,
  // a nested form under a matrix that shrinks it, and a form that draws
  // itself, which is drawn once.
  Page("q 1 0 0 1 10 10 cm /Slide Do Q", "<< /XObject << /Slide 6 0 R >> >>");
  Form(6, "BT /F1 12 Tf 20 250 Td (Slide title) Tj ET /Inner Do /Self Do BT 20 50 Td (footer) Tj ET",
       "<< /Font << /F1 5 0 R >> /XObject << /Inner 7 0 R /Self 6 0 R >> >>");
  Form(7, "BT /F2 10 Tf 20 150 Td (nested) Tj 35 0 Td (words) Tj ET", "<< /Font << /F2 5 0 R >> >>",
       "[0.5 0 0 0.5 100 0]");
  EXPECT_EQ(Text(), u"Slide title\r\nnested words\r\nfooter");
  // The grid layout collects the same pieces.
  std::u16string grid = Text(7);
  for (std::u16string_view word : {u"Slide title", u"nested", u"words", u"footer"})
    EXPECT_NE(grid.find(word), std::u16string::npos) << std::string(word.begin(), word.end());
  EXPECT_EQ(HasFonts(), 1);

  // After a form the page goes on with its own font and pen.
  Page("BT /F1 12 Tf 20 250 Td (before) Tj ET /Fm Do BT 60 0 Td (after) Tj ET",
       "<< /Font << /F1 5 0 R >> /XObject << /Fm 8 0 R >> >>");
  pdf.Plain[9] = "<< /Type /Font /Subtype /Type0 /BaseFont /X /Encoding /Identity-H /DescendantFonts [10 0 R] >>";
  pdf.Plain[10] = "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /X /CIDSystemInfo << /Registry (Adobe) "
                  "/Ordering (Identity) /Supplement 0 >> >>";
  Form(8, "BT /C 9 Tf 0 0 Td <0041> Tj ET", "<< /Font << /C 9 0 R >> >>");
  EXPECT_EQ(Text(), u"before\r\nA\r\nafter");

  // A form without text (a picture, a frame) breaks no line.
  Page("BT /F1 12 Tf 20 250 Td (before) Tj ET /Fm Do BT /F1 12 Tf 60 250 Td (after) Tj ET",
       "<< /Font << /F1 5 0 R >> /XObject << /Fm 11 0 R >> >>");
  Form(11, "0 0 10 10 re f", "<< >>");
  EXPECT_EQ(Text(), u"before after");

  // No fonts anywhere: nothing to read.
  Page("/Fm Do", "<< /XObject << /Fm 11 0 R >> >>");
  EXPECT_EQ(HasFonts(), 0);
}

TEST_F(PageTextSources, AnnotationsShowWhatAViewerShows) {
  // A stamp's appearance, a hidden one, one not shown on screen, a text
  // field whose value waits for the reader to make its appearance, and a
  // push button whose made appearance shows its caption, not the label the
  // file carries (which repeats one the page draws).
  Page("BT /F1 12 Tf 20 250 Td (Body) Tj ET", "<< /Font << /F1 5 0 R >> >>",
       "/Annots [12 0 R 13 0 R 14 0 R 15 0 R 18 0 R 20 0 R]");
  std::string appearance = "/Type /XObject /Subtype /Form /BBox [0 0 100 20] /Resources << /Font << /F1 5 0 R >> >>";
  pdf.Plain[12] = "<< /Type /Annot /Subtype /Stamp /Rect [20 100 120 120] /AP << /N 16 0 R >> >>";
  pdf.Plain[13] = "<< /Type /Annot /Subtype /Stamp /F 2 /Rect [20 80 120 100] /AP << /N 17 0 R >> >>";
  pdf.Plain[14] = "<< /Type /Annot /Subtype /FreeText /F 32 /Rect [20 60 120 80] /AP << /N 17 0 R >> >>";
  pdf.Plain[15] = "<< /Type /Annot /Subtype /Widget /FT /Tx /T (name) /V (Ada Lovelace) /Rect [20 40 120 60] >>";
  pdf.Plain[16] = Stream(appearance, "BT /F1 10 Tf 2 5 Td (Approved) Tj ET");
  pdf.Plain[17] = Stream(appearance, "BT /F1 10 Tf 2 5 Td (Secret) Tj ET");
  pdf.Plain[18] = "<< /Type /Annot /Subtype /Widget /FT /Btn /Ff 65536 /MK << /CA (Go) >> /Rect [20 20 120 40] "
                  "/AP << /N 19 0 R >> >>";
  pdf.Plain[19] = Stream(appearance, "BT /F1 10 Tf 2 5 Td (Send) Tj ET");
  // A value filled in after the appearance was made: the viewer remakes it.
  pdf.Plain[20] = "<< /Type /Annot /Subtype /Widget /FT /Tx /V (New) /Rect [20 0 120 20] /AP << /N 21 0 R >> >>";
  pdf.Plain[21] = Stream(appearance, "BT /F1 10 Tf 2 5 Td (Old) Tj ET");
  pdf.Plain[1] = "<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [15 0 R] /NeedAppearances true >> >>";
  EXPECT_EQ(Text(), u"Body\r\nApproved\r\nAda Lovelace\r\nGo\r\nNew");
  // The laid-out text shows the same, the values in their rectangles.
  const std::u16string grid = Text(7);
  for (std::u16string_view shown : {u"Approved", u"Ada Lovelace", u"Go", u"New"})
    EXPECT_NE(grid.find(shown), std::u16string::npos) << Utf16ToUtf8(std::u16string(shown));
  for (std::u16string_view hidden : {u"Send", u"Old", u"Secret"})
    EXPECT_EQ(grid.find(hidden), std::u16string::npos) << Utf16ToUtf8(std::u16string(hidden));
  // A form that makes its own appearances keeps a value without one unseen.
  pdf.Plain[1] = "<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [15 0 R] >> >>";
  EXPECT_EQ(Text(), u"Body\r\nApproved\r\nSend\r\nOld");

  // Fonts only in an appearance still count as text.
  Page("", "<< >>", "/Annots [12 0 R]");
  EXPECT_EQ(HasFonts(), 1);
}

TEST_F(PageTextSources, VerticalColumnsReadRightToLeft) {
  // Columns of vertical text drawn from the left, whole and glyph by glyph,
  // between two lines of upright text.
  pdf.Plain[6] = "<< /Type /Font /Subtype /Type0 /BaseFont /M /Encoding /UniJIS-UCS2-V /DescendantFonts [7 0 R] >>";
  pdf.Plain[7] = "<< /Type /Font /Subtype /CIDFontType0 /BaseFont /M /CIDSystemInfo << /Registry (Adobe) "
                 "/Ordering (Japan1) /Supplement 4 >> /DW 1000 >>";
  const std::string fonts = "<< /Font << /F1 5 0 R /V 6 0 R >> >>";
  const std::u16string expected = u"Title\r\n\u65E5\u672C\u8A9E\r\n\u7E26\u66F8\u304D\r\nend";
  // Lines as read: the breaks and gaps after the last column follow the
  // ordinary rules and are not what is tested here.
  const auto lines = [this] {
    std::u16string text = Text();
    std::erase(text, u' ');
    for (size_t at; (at = text.find(u"\r\n\r\n")) != std::u16string::npos;) text.erase(at, 2);
    return text;
  };
  Page("BT /F1 12 Tf 20 280 Td (Title) Tj ET BT /V 20 Tf 170 250 Td <7E2666F8304D> Tj ET "
       "BT /V 20 Tf 200 250 Td <65E5672C8A9E> Tj ET BT /F1 12 Tf 20 20 Td (end) Tj ET",
       fonts);
  EXPECT_EQ(lines(), expected);
  Page("BT /F1 12 Tf 20 280 Td (Title) Tj /V 20 Tf 1 0 0 1 170 250 Tm <7E26> Tj 1 0 0 1 170 230 Tm <66F8> Tj "
       "1 0 0 1 170 210 Tm <304D> Tj 1 0 0 1 200 250 Tm <65E5> Tj 1 0 0 1 200 230 Tm <672C> Tj "
       "1 0 0 1 200 210 Tm <8A9E> Tj /F1 12 Tf 1 0 0 1 20 20 Tm (end) Tj ET",
       fonts);
  EXPECT_EQ(lines(), expected);
  // On a page of vertical writing the grid reads each column as a line,
  // the rightmost first.
  Page("BT /V 20 Tf 170 250 Td <7E2666F8304D> Tj ET BT /V 20 Tf 200 250 Td <65E5672C8A9E> Tj ET", fonts);
  std::u16string grid = Text(7);
  const size_t right = grid.find(u"\u65E5\u672C\u8A9E\r\n"), left = grid.find(u"\u7E26\u66F8\u304D\r\n");
  EXPECT_NE(left, std::u16string::npos);
  EXPECT_LT(right, left);
  // Mixed with more upright text: the columns still read down, the
  // rightmost first, where they stand between the upright lines.
  Page("BT /F1 12 Tf 20 280 Td (Title) Tj ET BT /V 20 Tf 170 250 Td <7E2666F8304D> Tj ET "
       "BT /V 20 Tf 200 250 Td <65E5672C8A9E> Tj ET BT /F1 12 Tf 20 20 Td (end of page) Tj ET",
       fonts);
  grid = Text(7);
  size_t at = 0;
  for (std::u16string_view line : {u"     Title\r\n", u" \u65E5\u672C\u8A9E\r\n", u" \u7E26\u66F8\u304D\r\n",
                                    u"end of page\r\n"}) {
    const size_t found = grid.find(line, at);
    ASSERT_NE(found, std::u16string::npos) << Utf16ToUtf8(std::u16string(line)) << " in\n" << Utf16ToUtf8(grid);
    at = found + line.size();
  }
}

}  // namespace
}  // namespace ostrel
