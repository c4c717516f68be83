#include "pdf/split/page_extraction.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "pdf/split/page_text_source.h"
#include "pdf/core/page_tree.h"
#include "pdf/core/pdf_document.h"
#include "tests/split/split_fixture.h"

namespace ostrel {
namespace {

using testing::FlatDocument;
using testing::PdfFixture;
using testing::TempDir;
using testing::XrefKind;

struct SplitResult {
  int Result = 0;
  int32_t Code = -1;
  bool Exists = false;
  std::string Bytes;
};

SplitResult Split(const std::string& source, std::string_view range) {
  TempDir dir;
  testing::WriteFile(dir / "in.pdf", source);
  SplitResult r;
  r.Result = ExtractPagesToFileImpl((dir / "in.pdf").string(), (dir / "out.pdf").string(), range, r.Code);
  r.Exists = std::filesystem::exists(dir / "out.pdf");
  if (r.Exists) r.Bytes = testing::ReadFile(dir / "out.pdf");
  return r;
}

// The output loaded by the document core, an independent reader.
struct Loaded {
  TPDFDocument Doc;
  explicit Loaded(const std::string& bytes) { EXPECT_EQ(Doc.LoadFromBytes(bytes, u""), 0); }
  int Pages() { return Doc.PageTree().PageCount(); }
  TPDFDictionary* Page(int n) { return Doc.PageTree().PageDictionary(n); }
  // The page's content streams joined (the core may append an empty one
  // for drawing when it selects a page).
  std::string Content(int n) {
    TPDFDictionary* page = Page(n);
    TPDFObject* contents = page ? page->GetValue("Contents", true) : nullptr;
    if (auto* stream = PdfCast<TPDFStream>(contents)) return stream->DecodedData();
    std::string joined;
    if (auto* parts = PdfCast<TPDFArray>(contents)) {
      for (size_t i = 0; i < parts->Count(); ++i) {
        if (auto* part = PdfCast<TPDFStream>(parts->ItemResolved(i))) joined += part->DecodedData();
      }
    }
    return contents ? joined : "<none>";
  }
};

std::string KidsText(Loaded& out) { return out.Doc.PagesRoot()->GetValue("Kids")->ToText(); }

TEST(PageExtraction, WritesAFlatTreeOfTheChosenPageUnderTheSourceNumbers) {
  const SplitResult r = Split(FlatDocument(10).Build(), "3");
  ASSERT_EQ(r.Result, 1);
  EXPECT_EQ(r.Code, 0);
  Loaded out(r.Bytes);
  ASSERT_EQ(out.Pages(), 1);
  EXPECT_EQ(out.Content(1), "BT /F1 24 Tf 72 700 Td (Page 3) Tj ET");
  EXPECT_EQ(out.Page(1)->GetValue("Parent")->ToText(), "2 0 R");
  EXPECT_EQ(out.Page(1)->ObjectNumber, 14);
  // Nothing of the other pages but what the tree needs.
  EXPECT_EQ(r.Bytes.find("(Page 1)"), std::string::npos);
  EXPECT_EQ(r.Bytes.find("\n10 0 obj"), std::string::npos);
  // Unwritten numbers are free entries chained upwards, the last naming 0.
  const size_t table = r.Bytes.find("xref\n0 16\n");
  ASSERT_NE(table, std::string::npos);
  const std::string entries = r.Bytes.substr(table + 10, 16 * 20);
  EXPECT_EQ(entries.substr(0, 20), "0000000004 65535 f \n");
  EXPECT_EQ(entries.substr(4 * 20, 20), "0000000005 00001 f \n");
  EXPECT_EQ(entries.substr(13 * 20, 20), "0000000000 00001 f \n");
  EXPECT_EQ(entries.substr(14 * 20 + 10, 10), " 00000 n \n");
}

TEST(PageExtraction, RangesKeepTheirOrderAndDuplicates) {
  const std::string source = FlatDocument(10).Build();
  {
    const SplitResult r = Split(source, "5-3");
    ASSERT_EQ(r.Result, 1);
    Loaded out(r.Bytes);
    EXPECT_EQ(KidsText(out), "[ 18 0 R 16 0 R 14 0 R ]");
    EXPECT_EQ(out.Doc.PagesRoot()->GetInteger("Count", 0), 3);
  }
  {
    const SplitResult r = Split(source, "1,1");
    ASSERT_EQ(r.Result, 1);
    Loaded out(r.Bytes);
    EXPECT_EQ(KidsText(out), "[ 10 0 R 10 0 R ]");
  }
  {
    const SplitResult r = Split(source, "9-4000000000");
    ASSERT_EQ(r.Result, 1);
    Loaded out(r.Bytes);
    EXPECT_EQ(KidsText(out), "[ 26 0 R 28 0 R ]");
  }
}

TEST(PageExtraction, RangeNamingNoPageGivesNoFile) {
  const std::string source = FlatDocument(10).Build();
  for (std::string_view range : {"0", "12", "", "abc", "-", "11-20"}) {
    SCOPED_TRACE(range);
    const SplitResult r = Split(source, range);
    EXPECT_EQ(r.Result, 0);
    EXPECT_EQ(r.Code, 412);
    EXPECT_FALSE(r.Exists);
  }
}

// Catalog 1, root 2 (a 612 x 792 box), an inner node 4 holding what its page
// inherits, page 5 under it with content 6.
PdfFixture NestedDocument() {
  PdfFixture f;
  f.Plain[1] = "<< /Type /Catalog /Pages 2 0 R >>";
  f.Plain[2] = "<< /Type /Pages /Count 1 /Kids [4 0 R] /MediaBox [0 0 612 792] >>";
  f.Plain[3] = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>";
  f.Plain[4] =
      "<< /Type /Pages /Parent 2 0 R /Count 1 /Kids [5 0 R] /MediaBox [0 0 300 400] /CropBox [10 10 290 390] "
      "/Rotate 90 /Resources << /Font << /F1 3 0 R >> >> >>";
  f.Plain[5] = "<< /Type /Page /Parent 4 0 R /Contents 6 0 R /UserUnit 1.23456 >>";
  f.Plain[6] = testing::TextContent("Inner");
  return f;
}

TEST(PageExtraction, PagesKeepWhatTheyInheritedFromInnerNodes) {
  const SplitResult r = Split(NestedDocument().Build(), "1");
  ASSERT_EQ(r.Result, 1);
  Loaded out(r.Bytes);
  TPDFDictionary* page = out.Page(1);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->GetValue("MediaBox")->ToText(), "[ 0 0 300 400 ]");
  EXPECT_EQ(page->GetValue("CropBox")->ToText(), "[ 10 10 290 390 ]");
  EXPECT_EQ(page->GetInteger("Rotate", 0), 90);
  ASSERT_NE(page->Get<TPDFDictionary>("Resources"), nullptr);
  EXPECT_NE(r.Bytes.find("\n3 0 obj"), std::string::npos);  // the font came along
  EXPECT_EQ(r.Bytes.find("\n4 0 obj"), std::string::npos);  // the inner node did not
  // Numbers keep their precision (a /FontMatrix of 1/2048 must stay one).
  EXPECT_NE(r.Bytes.find("/UserUnit 1.23456"), std::string::npos);
}

TEST(PageExtraction, LoopsInThePageTreeOrTheObjectGraphEnd) {
  {
    // A root whose kids lead back to itself finds no page: the tree is damaged.
    PdfFixture f = FlatDocument(1);
    f.Plain[2] = "<< /Type /Pages /Count 5 /Kids [2 0 R] >>";
    EXPECT_EQ(Split(f.Build(), "1").Code, 413);
  }
  {
    // A /Count above the real pages: the real ones split, the others are damage.
    PdfFixture f = FlatDocument(2);
    f.Plain[2] = "<< /Type /Pages /Count 1000 /Kids [10 0 R 12 0 R] >>";
    EXPECT_EQ(Split(f.Build(), "2").Result, 1);
    const SplitResult r = Split(f.Build(), "3");
    EXPECT_EQ(r.Code, 413);
    EXPECT_FALSE(r.Exists);
  }
  {
    // A root whose /Parent starts a loop: the output's root has no parent, and
    // the nodes of the loop stay behind.
    PdfFixture f = NestedDocument();
    f.Plain[2] = "<< /Type /Pages /Parent 7 0 R /Count 1 /Kids [4 0 R] >>";
    f.Plain[7] = "<< /Type /Pages /Parent 2 0 R /Count 1 /Kids [2 0 R] >>";
    const SplitResult r = Split(f.Build(), "1");
    ASSERT_EQ(r.Result, 1);
    EXPECT_EQ(r.Bytes.find("\n7 0 obj"), std::string::npos);
    EXPECT_EQ(Loaded(r.Bytes).Doc.PagesRoot()->GetValue("Parent"), nullptr);
  }
  {
    // Parents that point at each other while the attribute is looked up.
    PdfFixture f = NestedDocument();
    f.Plain[4] = "<< /Type /Pages /Parent 7 0 R /Count 1 /Kids [5 0 R] >>";
    f.Plain[7] = "<< /Type /Pages /Parent 4 0 R /Count 1 /Kids [4 0 R] >>";
    f.Plain[2] = "<< /Type /Pages /Count 1 /Kids [4 0 R] >>";
    const SplitResult r = Split(f.Build(), "1");
    ASSERT_EQ(r.Result, 1);
    EXPECT_EQ(Loaded(r.Bytes).Content(1), "BT /F1 24 Tf 72 700 Td (Inner) Tj ET");
  }
  {
    // Outline items that refer to each other are written once each.
    PdfFixture f = FlatDocument(2);
    f.Plain[1] = "<< /Type /Catalog /Pages 2 0 R /Outlines 30 0 R >>";
    f.Plain[30] = "<< /First 31 0 R /Last 31 0 R >>";
    f.Plain[31] = "<< /Parent 30 0 R /Next 31 0 R /Prev 31 0 R /Dest [12 0 R /Fit] >>";
    const SplitResult r = Split(f.Build(), "1");
    ASSERT_EQ(r.Result, 1);
    size_t copies = 0;
    for (size_t at = r.Bytes.find("\n31 0 obj"); at != std::string::npos; at = r.Bytes.find("\n31 0 obj", at + 1)) ++copies;
    EXPECT_EQ(copies, 1u);
    // The other page is written because the outline names it, but nothing it
    // refers to comes along on its account.
    EXPECT_NE(r.Bytes.find("\n12 0 obj"), std::string::npos);
    EXPECT_EQ(r.Bytes.find("(Page 2)"), std::string::npos);
  }
}

TEST(PageExtraction, LongReferenceChainsDoNotExhaustTheStack) {
  PdfFixture f = FlatDocument(1);
  constexpr int kChain = 50000;
  f.Plain[1] = "<< /Type /Catalog /Pages 2 0 R /Chain 100 0 R >>";
  for (int i = 0; i < kChain; ++i) f.Plain[100 + i] = "<< /Next " + std::to_string(101 + i) + " 0 R >>";
  const SplitResult r = Split(f.Build(), "1");
  ASSERT_EQ(r.Result, 1);
  EXPECT_NE(r.Bytes.find("\n" + std::to_string(100 + kChain - 1) + " 0 obj"), std::string::npos);
}

TEST(PageExtraction, ObjectStreamsAndHybridSourcesGiveOnlyPlainObjects) {
  for (int variant = 0; variant < 3; ++variant) {
    SCOPED_TRACE(variant);
    PdfFixture f = FlatDocument(3, true);
    f.HybridListsCompressedAsFree = variant == 2;
    const SplitResult r = Split(f.Build(variant == 0 ? XrefKind::Stream : XrefKind::Hybrid), "2");
    ASSERT_EQ(r.Result, 1);
    EXPECT_EQ(r.Bytes.find("/ObjStm"), std::string::npos);
    EXPECT_EQ(r.Bytes.find("/XRefStm"), std::string::npos);
    EXPECT_EQ(r.Bytes.find("/XRef"), std::string::npos);
    Loaded out(r.Bytes);
    ASSERT_EQ(out.Pages(), 1);
    EXPECT_EQ(out.Content(1), "BT /F1 24 Tf 72 700 Td (Page 2) Tj ET");
    // The page inherits its box from the root, which keeps it.
    EXPECT_NE(out.Doc.PagesRoot()->GetValue("MediaBox"), nullptr);
  }
}

TEST(PageExtraction, FailuresLeaveNoOutputKeepOldOnesAndNeverTouchTheInput) {
  TempDir dir;
  const std::string source = FlatDocument(2).Build();
  const std::string in = (dir / "in.pdf").string();
  testing::WriteFile(in, source);
  int32_t code = -1;

  EXPECT_EQ(ExtractPagesToFileImpl((dir / "missing.pdf").string(), (dir / "o.pdf").string(), "1", code), 0);
  EXPECT_EQ(code, 401);

  EXPECT_EQ(ExtractPagesToFileImpl(in, in, "1", code), 0);
  EXPECT_EQ(code, 402);
  std::filesystem::create_symlink(in, dir / "link.pdf");
  EXPECT_EQ(ExtractPagesToFileImpl(in, (dir / "link.pdf").string(), "1", code), 0);
  EXPECT_EQ(code, 402);
  EXPECT_EQ(testing::ReadFile(in), source);

  std::filesystem::create_directory(dir / "taken");
  EXPECT_EQ(ExtractPagesToFileImpl(in, (dir / "taken").string(), "1", code), 0);
  EXPECT_EQ(code, 402);

  EXPECT_EQ(ExtractPagesToFileImpl(in, (dir / "no" / "such" / "dir.pdf").string(), "1", code), 0);
  EXPECT_EQ(code, 403);

  testing::WriteFile(dir / "junk.pdf", "%PDF-1.4\nnothing here\n");
  EXPECT_EQ(ExtractPagesToFileImpl((dir / "junk.pdf").string(), (dir / "o.pdf").string(), "1", code), 0);
  EXPECT_EQ(code, 409);
  EXPECT_FALSE(std::filesystem::exists(dir / "o.pdf"));

  // A copy that fails keeps the file already at the output.
  testing::WriteFile(dir / "o.pdf", "old");
  EXPECT_EQ(ExtractPagesToFileImpl((dir / "junk.pdf").string(), (dir / "o.pdf").string(), "1", code), 0);
  EXPECT_EQ(ExtractPagesToFileImpl(in, (dir / "o.pdf").string(), "9", code), 0);
  EXPECT_EQ(code, 412);
  EXPECT_EQ(testing::ReadFile(dir / "o.pdf"), "old");

  // An older output is replaced on success; no temporary file stays behind.
  EXPECT_EQ(ExtractPagesToFileImpl(in, (dir / "o.pdf").string(), "2", code), 1);
  EXPECT_EQ(code, 0);
  EXPECT_NE(testing::ReadFile(dir / "o.pdf").find("(Page 2)"), std::string::npos);
  size_t files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path())) files += e.is_regular_file() && !e.is_symlink() ? 1 : 0;
  EXPECT_EQ(files, 3u);  // in.pdf, junk.pdf, o.pdf
}

// Splitting in one pass writes each page's file as a call per page would,
// stops at the first file it cannot write, and stops when asked to.
TEST(PageExtraction, OnePassWritesEachPageAndStopsAtTheFirstFailure) {
  TempDir dir;
  const std::string source = FlatDocument(3).Build(XrefKind::Stream);
  const std::string in = (dir / "in.pdf").string();
  testing::WriteFile(in, source);
  const auto out = [&](const char* name) { return (dir / name).string(); };
  int32_t code = -1;
  std::vector<size_t> reported;
  EXPECT_EQ(ExtractEachPageToFileImpl(in, {{3, out("a.pdf")}, {1, out("b.pdf")}}, code, nullptr,
                                      [&](size_t n) { reported.push_back(n); return true; }),
            2u);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(reported, (std::vector<size_t>{1, 2}));
  int32_t single = -1;
  ASSERT_EQ(ExtractPagesToFileImpl(in, out("c.pdf"), "3", single), 1);
  EXPECT_EQ(testing::WithoutNewId(testing::ReadFile(out("a.pdf"))), testing::WithoutNewId(testing::ReadFile(out("c.pdf"))));
  EXPECT_EQ(Loaded(testing::ReadFile(out("b.pdf"))).Content(1), "BT /F1 24 Tf 72 700 Td (Page 1) Tj ET");

  // The input as an output, and a page past the end: files before are kept.
  EXPECT_EQ(ExtractEachPageToFileImpl(in, {{2, out("d.pdf")}, {1, in}, {3, out("e.pdf")}}, code), 1u);
  EXPECT_EQ(code, 402);
  EXPECT_EQ(testing::ReadFile(in), source);
  EXPECT_TRUE(std::filesystem::exists(out("d.pdf")));
  EXPECT_FALSE(std::filesystem::exists(out("e.pdf")));
  EXPECT_EQ(ExtractEachPageToFileImpl(in, {{1, out("f.pdf")}, {4, out("g.pdf")}}, code), 1u);
  EXPECT_EQ(code, 412);
  EXPECT_EQ(ExtractEachPageToFileImpl(out("missing.pdf"), {{1, out("h.pdf")}}, code), 0u);
  EXPECT_EQ(code, 401);

  // A false answer ends the pass after the file just written.
  EXPECT_EQ(ExtractEachPageToFileImpl(in, {{1, out("i.pdf")}, {2, out("j.pdf")}}, code, nullptr,
                                      [](size_t) { return false; }),
            1u);
  EXPECT_FALSE(std::filesystem::exists(out("j.pdf")));
}

TEST(PageTextSource, OpensOnePageWithItsContentAndInheritedResources) {
  TempDir dir;
  testing::WriteFile(dir / "in.pdf", FlatDocument(3, true).Build(XrefKind::Stream));
  TSmartPDFPageSource source;
  ASSERT_EQ(source.Open((dir / "in.pdf").string(), u""), 0);
  EXPECT_EQ(source.PageCount(), 3);
  ASSERT_TRUE(source.LoadPage(2));
  EXPECT_EQ(source.Content, "BT /F1 24 Tf 72 700 Td (Page 2) Tj ET");
  ASSERT_NE(source.Resources, nullptr);
  EXPECT_NE(source.Resources->Get<TPDFDictionary>("Font"), nullptr);
  ASSERT_TRUE(source.LoadPage(3));  // the sibling shortcut
  EXPECT_EQ(source.Content, "BT /F1 24 Tf 72 700 Td (Page 3) Tj ET");
  EXPECT_FALSE(source.LoadPage(4));

  testing::WriteFile(dir / "junk.pdf", "not a pdf");
  EXPECT_EQ(TSmartPDFPageSource().Open((dir / "junk.pdf").string(), u""), 409);
  EXPECT_EQ(TSmartPDFPageSource().Open((dir / "none.pdf").string(), u""), 401);
}

TEST(PageTextSource, JoinsContentStreamsBetweenTokens) {
  TempDir dir;
  PdfFixture f = FlatDocument(1);
  f.Plain[10] = "<< /Type /Page /Parent 2 0 R /Contents [11 0 R 12 0 R] >>";
  f.Plain[12] = "<< /Length 1 >>\nstream\nq\nendstream";
  f.Plain[11] = "<< /Length 1 >>\nstream\nQ\nendstream";
  testing::WriteFile(dir / "in.pdf", f.Build());
  TSmartPDFPageSource source;
  ASSERT_EQ(source.Open((dir / "in.pdf").string(), u""), 0);
  ASSERT_TRUE(source.LoadPage(1));
  EXPECT_EQ(source.Content, "Q\nq");
}

}  // namespace
}  // namespace ostrel
