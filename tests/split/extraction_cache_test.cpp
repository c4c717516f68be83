// Splitting a file page by page keeps what it parsed between calls; these
// tests hold it to the files a fresh reading gives, page after page, and to
// reading the file again once it changed.
#include <gtest/gtest.h>

#include "pdf/split/page_extraction.h"
#include "pdf/split/smart_pdf_document.h"
#include "tests/split/split_fixture.h"

namespace ostrel {
namespace {

using testing::FlatDocument;
using testing::PdfFixture;
using testing::TempDir;
using testing::WithoutNewId;
using testing::XrefKind;

// Pages 1 to 3 under an inner node that gives them a box and resources, and
// an outline naming page 2, so that a page is written unfollowed in one file
// and chosen in the next.
PdfFixture TreeWithOutline() {
  PdfFixture f;
  f.Plain[1] = "<< /Type /Catalog /Pages 2 0 R /Outlines 30 0 R >>";
  f.Plain[2] = "<< /Type /Pages /Count 4 /Kids [4 0 R 12 0 R] >>";
  f.Plain[3] = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>";
  f.Plain[4] = "<< /Type /Pages /Parent 2 0 R /Count 3 /Kids [6 0 R 8 0 R 10 0 R] /MediaBox [0 0 300 400] "
               "/Resources << /Font << /F1 3 0 R >> >> >>";
  for (int i = 0; i < 4; ++i) {
    const int page = 6 + 2 * i;
    const std::string parent = i < 3 ? "4" : "2";
    f.Plain[page] = "<< /Type /Page /Parent " + parent + " 0 R /Contents " + std::to_string(page + 1) + " 0 R >>";
    f.Plain[page + 1] = testing::TextContent("Page " + std::to_string(i + 1));
  }
  f.Plain[12] = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 13 0 R >>";
  f.Plain[30] = "<< /First 31 0 R /Last 31 0 R /Count 1 >>";
  f.Plain[31] = "<< /Parent 30 0 R /Title (Two) /Dest [8 0 R /Fit] >>";
  return f;
}

TEST(ExtractionCache, PageByPageGivesTheFilesAFreshReadingGives) {
  struct Case {
    const char* Name;
    std::string Source;
  };
  PdfFixture compressed = FlatDocument(6, true);
  const Case cases[] = {
      {"flat", FlatDocument(6).Build()},
      {"nested with outline", TreeWithOutline().Build()},
      {"object streams", compressed.Build(XrefKind::Stream)},
      {"hybrid", compressed.Build(XrefKind::Hybrid)},
  };
  // Forwards, backwards, repeated, and ranges between single pages.
  const char* ranges[] = {"1", "2", "3", "4", "5", "6", "6", "4", "2-3", "1", "0", "3,1", "2"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TempDir dir;
    const std::string in = (dir / "in.pdf").string();
    testing::WriteFile(in, c.Source);
    for (const char* range : ranges) {
      SCOPED_TRACE(range);
      std::string fresh;
      int32_t freshCode = -1;
      const int freshResult = ExtractPagesToBytes(c.Source, range, fresh, freshCode);
      int32_t code = -1;
      const std::string out = (dir / "out.pdf").string();
      EXPECT_EQ(ExtractPagesToFileImpl(in, out, range, code), freshResult);
      EXPECT_EQ(code, freshCode);
      if (freshResult == 1) {
        EXPECT_EQ(WithoutNewId(testing::ReadFile(out)), WithoutNewId(fresh));
      }
      std::filesystem::remove(out);
    }
  }
}

TEST(ExtractionCache, AFileChangedBetweenCallsIsReadAgain) {
  TempDir dir;
  const std::string in = (dir / "in.pdf").string();
  const std::string out = (dir / "out.pdf").string();
  int32_t code = -1;
  auto pageOne = [&] {
    EXPECT_EQ(ExtractPagesToFileImpl(in, out, "1", code), 1);
    return testing::ReadFile(out);
  };

  PdfFixture f = FlatDocument(2);
  testing::WriteFile(in, f.Build());
  EXPECT_NE(pageOne().find("(Page 1)"), std::string::npos);

  // Rewritten in place at once, with the same size: the time stamp may not
  // have moved, the bytes have.
  f.Plain[11] = testing::TextContent("Edit 1");
  testing::WriteFile(in, f.Build());
  EXPECT_NE(pageOne().find("(Edit 1)"), std::string::npos);

  // A different size, and pages added.
  PdfFixture longer = FlatDocument(3);
  longer.Plain[11] = testing::TextContent("Longer first page");
  testing::WriteFile(in, longer.Build());
  EXPECT_NE(pageOne().find("(Longer first page)"), std::string::npos);
  EXPECT_EQ(ExtractPagesToFileImpl(in, out, "3", code), 1);

  // No longer a PDF, then one again.
  testing::WriteFile(in, "%PDF-1.4\nnothing here\n");
  EXPECT_EQ(ExtractPagesToFileImpl(in, out, "1", code), 0);
  EXPECT_EQ(code, 409);
  testing::WriteFile(in, f.Build());
  EXPECT_NE(pageOne().find("(Edit 1)"), std::string::npos);
}

// The page index answers in any order what a first lookup would, also in a
// tree whose counts are wrong and whose kids include things that are no
// pages.
TEST(ExtractionCache, PageLookupsInAnyOrderAgreeWithAFreshDocument) {
  PdfFixture f = TreeWithOutline();
  f.Plain[2] = "<< /Type /Pages /Count 9 /Kids [4 0 R 40 0 R 12 0 R 41 0 R 6 0 R] >>";
  f.Plain[40] = "<< /Type /Pages /Count 0 /Kids [] >>";
  f.Plain[41] = "<< /Type /Annot >>";
  f.Plain[4] = "<< /Type /Pages /Parent 2 0 R /Count 2 /Kids [6 0 R 8 0 R 10 0 R] >>";
  const std::string source = f.Build();
  TSmartPDFReader reader(source);
  ASSERT_EQ(reader.ReaderState, TSmartPDFReader::kReady);
  auto lookup = [&reader](TSmartPDFDocument& document, int n) {
    TPDFIndRef* ref = document.FindPageRef(n);
    return ref ? ref->RefNumber : 0;
  };
  TSmartDocumentMemory memory(reader);
  for (int n : {9, 3, 1, 7, 4, 2, 6, 5, 8, 0, 10}) {
    SCOPED_TRACE(n);
    TSmartPDFDocument fresh(reader);
    TSmartPDFDocument shared(reader, nullptr, &memory);
    EXPECT_EQ(lookup(shared, n), lookup(fresh, n));
  }
  TSmartPDFDocument fresh(reader);
  EXPECT_EQ(lookup(fresh, 1), 6);
  EXPECT_EQ(lookup(fresh, 3), 12);  // the inner node claims two pages only
  EXPECT_EQ(lookup(fresh, 4), 6);
  EXPECT_EQ(lookup(fresh, 5), 0);
}

}  // namespace
}  // namespace ostrel
