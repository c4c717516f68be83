#include "pdf/split/smart_pdf_reader.h"

#include <gtest/gtest.h>

#include "pdf/split/page_text_source.h"
#include "tests/split/split_fixture.h"

namespace ostrel {
namespace {

using testing::FlatDocument;
using testing::PdfFixture;
using testing::XrefKind;

std::string TypeOf(TSmartPDFReader& reader, int n) {
  const auto* dict = PdfCast<TPDFDictionary>(reader.CachedObject(n));
  if (!dict) {
    const auto* stream = PdfCast<TPDFStream>(reader.CachedObject(n));
    dict = stream ? stream->StreamDict : nullptr;
  }
  return dict ? dict->TypeName() : "<none>";
}

TEST(SmartPDFReader, ReadsPlainAndCompressedObjectsFromEveryKindOfCrossReference) {
  for (int variant = 0; variant < 4; ++variant) {
    const XrefKind kind = variant == 0 ? XrefKind::Table : variant == 1 ? XrefKind::Stream : XrefKind::Hybrid;
    SCOPED_TRACE(variant);
    PdfFixture f = FlatDocument(2, kind != XrefKind::Table);
    f.HybridListsCompressedAsFree = variant == 3;
    const std::string file = f.Build(kind);
    TSmartPDFReader reader(file);
    ASSERT_EQ(reader.ReaderState, TSmartPDFReader::kReady);
    EXPECT_EQ(reader.Version, "1.5");
    EXPECT_EQ(reader.HasXRefStreams, kind != XrefKind::Table);
    // The hybrid table marks the compressed objects free; its /XRefStm
    // stream must still make them readable.
    EXPECT_EQ(TypeOf(reader, 1), "Catalog");
    EXPECT_EQ(TypeOf(reader, 2), "Pages");
    EXPECT_EQ(TypeOf(reader, 10), "Page");
    const auto* content = PdfCast<TPDFStream>(reader.CachedObject(11));
    ASSERT_NE(content, nullptr);
    EXPECT_EQ(content->RawData, "BT /F1 24 Tf 72 700 Td (Page 1) Tj ET");
    EXPECT_FALSE(reader.ReadObjectText(5).has_value());  // a free number
  }
}

TEST(SmartPDFReader, NewestRevisionWinsAndDeletedObjectsStayDeleted) {
  PdfFixture f = FlatDocument(1);
  f.Plain[4] = "(old)";
  f.Plain[5] = "(kept)";
  std::string file = f.Build();
  const size_t firstXref = file.rfind("startxref\n") + 10;
  const std::string prev = file.substr(firstXref, file.find('\n', firstXref) - firstXref);
  const size_t newObject = file.size();
  file += "4 0 obj\n(new)\nendobj\n";
  const size_t xref = file.size();
  char entry[32];
  std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", newObject);
  file += std::string("xref\n4 2\n") + entry + "0000000000 00001 f \ntrailer\n<< /Size 12 /Root 1 0 R /Prev " + prev +
          " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  TSmartPDFReader reader(file);
  ASSERT_EQ(reader.ReaderState, TSmartPDFReader::kReady);
  ASSERT_EQ(reader.Trailers().size(), 2u);
  EXPECT_EQ(PdfCast<TPDFString>(reader.CachedObject(4))->Value, "new");
  EXPECT_EQ(reader.CachedObject(5), nullptr);
}

TEST(SmartPDFReader, StreamLengthThatCannotBeTrustedFallsBackToEndstream) {
  PdfFixture f = FlatDocument(1);
  f.Plain[4] = "<< /Length 4 0 R >>\nstream\nself\nendstream";     // refers to itself
  f.Plain[5] = "<< /Length 9999 >>\nstream\ntoo long\nendstream";  // runs past the object
  f.Plain[6] = "<< /Length 7 0 R >>\nstream\nindirect\nendstream";
  f.Plain[7] = "8";
  f.Plain[8] = "<< /Length 2 >>\nstream\nlonger than two\nendstream";  // extra bytes before the keyword
  const std::string file = f.Build();
  TSmartPDFReader reader(file);
  TPDFStructure pool;
  for (auto [n, data] : std::vector<std::pair<int, std::string>>{
           {4, "self"}, {5, "too long"}, {6, "indirect"}, {8, "longer than two"}}) {
    SCOPED_TRACE(n);
    auto* stream = PdfCast<TPDFStream>(reader.GetObject(n, pool));
    ASSERT_NE(stream, nullptr);
    // A short /Length loses nothing: the data runs on to the keyword (line
    // break included, as the document core reads it).
    EXPECT_EQ(stream->RawData.substr(0, data.size()), data);
    EXPECT_LE(stream->RawData.size(), data.size() + 1);
    // Written out, /Length always matches what is copied.
    EXPECT_EQ(stream->StreamDict->GetInteger("Length", -1), static_cast<int>(stream->RawData.size()));
  }
}

TEST(SmartPDFReader, ObjectStreamsThatReferToThemselvesReadAsNothing) {
  PdfFixture f = FlatDocument(1, true);
  std::string file = f.Build(XrefKind::Stream);
  TSmartPDFReader sound(file);
  ASSERT_NE(sound.CachedObject(1), nullptr);
  // Make the object stream (number 12) claim to live in itself: its entry
  // becomes type 2 pointing at 12.
  const size_t data = file.rfind(">>\nstream\n") + 10;
  const size_t entry = data + 12 * 7;
  ASSERT_EQ(file[entry], 1);
  file[entry] = 2;
  file.replace(entry + 1, 4, std::string("\0\0\0\x0c", 4));
  TSmartPDFReader broken(file);
  ASSERT_EQ(broken.ReaderState, TSmartPDFReader::kReady);
  EXPECT_EQ(broken.CachedObject(1), nullptr);
  EXPECT_EQ(broken.CachedObject(12), nullptr);
}

TEST(SmartPDFReader, RepairsTablesNumberedFromOne) {
  std::string file = "%PDF-1.4\n";
  const size_t at = file.size();
  file += "1 0 obj\n<< /Type /Catalog >>\nendobj\n";
  const size_t xref = file.size();
  char entry[32];
  std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", at);
  file += std::string("xref\n1 2\n0000000000 65535 f \n") + entry + "trailer\n<< /Size 2 /Root 1 0 R >>\nstartxref\n" +
          std::to_string(xref) + "\n%%EOF\n";
  TSmartPDFReader reader(file);
  ASSERT_EQ(reader.ReaderState, TSmartPDFReader::kReady);
  EXPECT_EQ(TypeOf(reader, 1), "Catalog");
}

TEST(SmartPDFReader, RefusesWhatIsNoReadablePdf) {
  EXPECT_EQ(TSmartPDFReader("hello world").ReaderState, TSmartPDFReader::kNotPdf);
  EXPECT_EQ(TSmartPDFReader("%PDF-1.4\n1 0 obj null endobj\n").ReaderState, TSmartPDFReader::kNoCrossReference);
  // A /Prev into garbage breaks the chain: the objects are then found by
  // scanning the file.
  std::string file = FlatDocument(1).Build();
  file.insert(file.rfind(">>\nstartxref"), "/Prev 3 ");
  TSmartPDFReader rebuilt(file);
  ASSERT_EQ(rebuilt.ReaderState, TSmartPDFReader::kReady);
  EXPECT_EQ(TypeOf(rebuilt, 1), "Catalog");
}

TEST(SmartPDFReader, HugeNumbersInCrossReferenceDataAreBounded) {
  // A subsection near 2^31 and an /Index that promises billions of entries.
  std::string file = "%PDF-1.4\n1 0 obj\n<< /Type /Catalog >>\nendobj\n";
  const size_t xref = file.size();
  file += "xref\n2147483600 3\n0000000009 00000 n \n0000000009 00000 n \n0000000009 00000 n \n"
          "trailer\n<< /Size 2147483647 /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  TSmartPDFReader reader(file);
  ASSERT_EQ(reader.ReaderState, TSmartPDFReader::kReady);
  // The table leads nowhere, so the scan finds the catalog instead.
  EXPECT_EQ(reader.HighestNumber(), 1);
  EXPECT_EQ(reader.CachedObject(2147483600), nullptr);
}

TEST(SmartPDFReader, PreparedTrailerDescribesTheDocumentOnly) {
  PdfFixture f = FlatDocument(1);
  f.Compressed[5] = "(x)";
  f.TrailerExtra = "/ID [<00112233> <44556677>] /Info 3 0 R";
  const std::string file = f.Build(XrefKind::Hybrid);
  TSmartPDFReader reader(file);
  TPDFDictionary* trailer = reader.PrepareTrailer();
  for (const char* key : {"XRefStm", "Prev", "W", "Index", "Type", "Length"}) EXPECT_EQ(trailer->GetValue(key), nullptr) << key;
  ASSERT_NE(trailer->GetValue("Root"), nullptr);
  const auto* ids = PdfCast<TPDFArray>(trailer->GetValue("ID"));
  ASSERT_NE(ids, nullptr);
  EXPECT_EQ(PdfCast<TPDFString>(ids->Item(0))->Value, std::string("\x00\x11\x22\x33", 4));
  EXPECT_EQ(PdfCast<TPDFString>(ids->Item(1))->Value.size(), 16u);
}

// Reading a long file page by page: a node asked for on every page stays in
// the cache however many objects pass, and the objects of finished pages can
// be let go without losing the pages still to come.
TEST(SmartPDFReader, PagesReadOneAfterAnotherHoldAboutOnePage) {
  for (XrefKind kind : {XrefKind::Table, XrefKind::Stream}) {
    SCOPED_TRACE(kind == XrefKind::Table ? "table" : "stream");
    const std::string file = FlatDocument(150, kind == XrefKind::Stream).Build(kind);
    TSmartPDFReader reader(file);
    TPDFObject* root = reader.CachedObject(2);
    for (int n = 10; n < 310; ++n) {
      reader.CachedObject(n);
      ASSERT_EQ(reader.CachedObject(2), root) << n;
    }
    EXPECT_GT(reader.CachedObjectBytes(), 0u);

    TSmartPDFPageSource source;
    ASSERT_EQ(source.OpenBytes(file, u""), 0);
    source.MaxHeldObjects = 0;
    size_t held = 0;  // objects held for page 2: the page, its parent, their content
    for (int n : {1, 2, 3, 150, 7, 8}) {
      SCOPED_TRACE(n);
      EXPECT_EQ(source.ReleaseEarlierPages(), n != 1);
      ASSERT_TRUE(source.LoadPage(n));
      EXPECT_NE(source.Content.find("(Page " + std::to_string(n) + ")"), std::string::npos);
      ASSERT_NE(source.Resources, nullptr);
      EXPECT_NE(source.Resources->GetValue("Font", true), nullptr);
      const size_t count = source.Document()->Reader().Pool().Count();
      if (n == 2) held = count;
      if (n != 1 && n != 150) {
        EXPECT_LE(count, held);
      }
    }
    EXPECT_FALSE(source.LoadPage(151));
  }
}

}  // namespace
}  // namespace ostrel
