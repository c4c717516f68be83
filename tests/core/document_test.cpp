#include "pdf/core/pdf_document.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "pdf/compose/page_painter.h"
#include "pdf/core/number_format.h"
#include "pdf/core/warning_log.h"
#include "pdf/core/page_tree.h"
#include "platform/file_io.h"
#include "platform/system_clock.h"

namespace ostrel {
namespace {

// A PDF file assembled from object bodies, with a correct classic table.
// Object i + 1 is bodies[i]; an empty body leaves a free entry.
struct FileBuilder {
  std::string Header = "%PDF-1.4\n";
  std::vector<std::string> Bodies;
  std::string TrailerExtra;
  int FirstNumber = 0;  // number of the table's first entry

  std::string Build(std::vector<int64_t>* offsets = nullptr) const {
    std::string out = Header;
    std::vector<int64_t> at;
    for (size_t i = 0; i < Bodies.size(); ++i) {
      if (Bodies[i].empty()) {
        at.push_back(-1);
        continue;
      }
      at.push_back(static_cast<int64_t>(out.size()));
      out += std::to_string(i + 1) + " 0 obj\n" + Bodies[i] + "\nendobj\n";
    }
    int64_t xref = static_cast<int64_t>(out.size());
    out += "xref\n" + std::to_string(FirstNumber) + " " + std::to_string(Bodies.size() + 1) + "\n";
    out += "0000000000 65535 f \n";
    for (int64_t offset : at) {
      out += offset < 0 ? "0000000000 00000 f \n" : ZeroPadded(offset, 10) + " 00000 n \n";
    }
    out += "trailer\n<< /Size " + std::to_string(Bodies.size() + 1 + FirstNumber) + " /Root 1 0 R " + TrailerExtra +
           " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    if (offsets) *offsets = at;
    return out;
  }
};

// Catalog 1, pages 2, then the given page bodies as objects 3, 4, ...
FileBuilder PagesFile(const std::vector<std::string>& pages) {
  FileBuilder b;
  b.Bodies.push_back("<< /Type /Catalog /Pages 2 0 R >>");
  std::string kids;
  for (size_t i = 0; i < pages.size(); ++i) kids += std::to_string(i + 3) + " 0 R ";
  b.Bodies.push_back("<< /Type /Pages /Count " + std::to_string(pages.size()) + " /Kids [ " + kids + "] >>");
  for (const std::string& page : pages) b.Bodies.push_back(page);
  return b;
}

struct FixedClock {
  FixedClock() { setenv("SOURCE_DATE_EPOCH", "1704465000", 1); }
  ~FixedClock() { unsetenv("SOURCE_DATE_EPOCH"); }
};

std::string Hex(std::string_view bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    static const char* digits = "0123456789ABCDEF";
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

bool HaveQpdf() { return std::system("qpdf --version >/dev/null 2>&1") == 0; }

// Tests run in parallel processes: each gets names of its own.
std::string TempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() /
          ("ostrel_document_" + std::to_string(::getpid()) + "_" + name)).string();
}

// Runs qpdf on bytes; returns its exit code and leaves its output file in out.
int RunQpdf(const std::string& args, const std::string& in, std::string* out = nullptr) {
  std::string inPath = TempPath("in.pdf"), outPath = TempPath("out.pdf");
  std::ofstream(inPath, std::ios::binary) << in;
  std::string command = "qpdf " + args + " " + inPath + (out ? " " + outPath : "") + " >/dev/null 2>&1";
  int rc = std::system(command.c_str());
  if (out) *out = ReadWholeFile(outPath).value_or("");
  std::remove(inPath.c_str());
  std::remove(outPath.c_str());
  return WEXITSTATUS(rc);
}

TEST(DocumentTest, SavedNewDocumentIsByteExact) {
  FixedClock clock;
  TPDFDocument doc;
  EXPECT_EQ(doc.NewDocument(), 1);
  doc.SetInfo("Producer", u"Ostrel test");
  std::string saved;
  ASSERT_TRUE(doc.SaveToBytes(saved));

  auto digest = Md5("D:20240105143000Z");
  std::string id = "<" + Hex(std::string(digest.begin(), digest.end())) + ">";
  size_t packetStart = saved.find("<?xpacket");
  size_t packetEnd = saved.find("<?xpacket end=\"w\"?>");
  ASSERT_NE(packetStart, std::string::npos);
  ASSERT_NE(packetEnd, std::string::npos);
  std::string packet = saved.substr(packetStart, packetEnd + 19 - packetStart);
  std::vector<std::string> objects = {
      "1 0 obj\n<<\n/Type /Pages\n/Count 1\n/Kids [ 2 0 R ]\n>>\nendobj\n",
      "2 0 obj\n<<\n/Type /Page\n/Parent 1 0 R\n/MediaBox [ 0 0 612 792 ]\n/CropBox [ 0 0 612 792 ]\n"
      "/Resources <<\n/ProcSet [ /PDF /Text /ImageB /ImageC /ImageI ]\n>>\n>>\nendobj\n",
      "3 0 obj\n<<\n/Type /Catalog\n/Pages 1 0 R\n/Metadata 5 0 R\n>>\nendobj\n",
      "4 0 obj\n<<\n/Producer (Ostrel test)\n>>\nendobj\n",
      "5 0 obj\n<<\n/Length " + std::to_string(packet.size()) + "\n/Type /Metadata\n/Subtype /XML\n>>\nstream\n" +
          packet + "\nendstream\nendobj\n",
  };
  std::string expected = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
  std::string table = "xref\n0 6\n0000000000 65535 f \n";
  for (const std::string& object : objects) {
    table += ZeroPadded(static_cast<long long>(expected.size()), 10) + " 00000 n \n";
    expected += object;
  }
  std::string xref = std::to_string(expected.size());
  expected += table + "trailer\n<<\n/Size 6\n/Root 3 0 R\n/Info 4 0 R\n/ID [ " + id + " " + id + " ]\n>>\n" +
              "startxref\n" + xref + "\n%%EOF\n";
  EXPECT_EQ(saved, expected);

  // The packet carries the producer and the padding before its trailer.
  EXPECT_NE(packet.find("<pdf:Producer>Ostrel test</pdf:Producer>"), std::string::npos) << packet;
  EXPECT_NE(packet.find(std::string(1023, ' ') + "\n<?xpacket end=\"w\"?>"), std::string::npos);
  EXPECT_TRUE(packet.starts_with("<?xpacket begin=\"?\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>"));
  if (HaveQpdf()) {
    EXPECT_EQ(RunQpdf("--check", saved), 0);
  }
}

TEST(DocumentTest, InformationRoundTripsThroughTextStrings) {
  TPDFDocument doc;
  doc.NewDocument();
  doc.SetInfo("Title", u"Caf\u00e9 \u2014 report");   // both in PDFDocEncoding
  doc.SetInfo("Subject", u"\u0416\u0443\u043a");       // needs UTF-16
  doc.SetInfo("Author", u"A");
  doc.SetInfo("Author", u"B");
  EXPECT_EQ(doc.GetInfo("Title"), u"Caf\u00e9 \u2014 report");
  EXPECT_EQ(doc.GetInfo("Subject"), u"\u0416\u0443\u043a");
  EXPECT_EQ(doc.GetInfo("Author"), u"B");
  auto* subject = PdfCast<TPDFString>(doc.InfoDictionary()->GetValue("Subject"));
  ASSERT_NE(subject, nullptr);
  EXPECT_TRUE(subject->Value.starts_with("\xFE\xFF"));
  EXPECT_EQ(PdfCast<TPDFString>(doc.InfoDictionary()->GetValue("Title"))->Value.size(), 13u);

  auto* metadata = doc.Catalog()->Get<TPDFStream>("Metadata");
  ASSERT_NE(metadata, nullptr);
  std::string packet = metadata->DecodedData();
  EXPECT_NE(packet.find("<rdf:li>B</rdf:li>"), std::string::npos);
  EXPECT_EQ(packet.find("<rdf:li>A</rdf:li>"), std::string::npos);
  EXPECT_NE(packet.find("\xD0\x96\xD1\x83\xD0\xBA"), std::string::npos);  // UTF-8 in the packet

  doc.SetInfo("ModDate", u"D:20240105143000+03'00'");
  EXPECT_NE(metadata->DecodedData().find("<xmp:ModifyDate>2024-01-05T14:30:00+03:00</xmp:ModifyDate>"),
            std::string::npos);

  // A packet that is not XML is left untouched when the information changes.
  metadata->SetData("<x:xmpmeta><unclosed>", false);
  doc.SetInfo("Title", u"New");
  EXPECT_EQ(metadata->RawData, "<x:xmpmeta><unclosed>");
  EXPECT_EQ(doc.GetInfo("Title"), u"New");
}

TEST(DocumentTest, EmptyVersionIsSavedAsDefault) {
  TPDFDocument doc;
  doc.NewDocument();
  doc.SetVersion("");
  std::string saved;
  ASSERT_TRUE(doc.SaveToBytes(saved));
  EXPECT_TRUE(saved.starts_with("%PDF-1.4\n"));
}

TEST(DocumentTest, BuiltDocumentLoadsBackWithPagesAndDrawing) {
  TPDFDocument doc;
  TPDFPainter painter;
  doc.AttachPageWriter(&painter);
  doc.NewDocument();
  TPDFPageTree& tree = doc.PageTree();
  painter.AppendLine("0 0 m 10 10 l S");
  tree.InsertPages(2, 2, 300, 200);
  painter.AppendLine("1 0 0 RG");
  doc.Pool().Decimals = 4;
  std::string saved;
  ASSERT_TRUE(doc.SaveToBytes(saved));
  EXPECT_EQ(tree.SelectedPage(), 2);
  if (HaveQpdf()) {
    EXPECT_EQ(RunQpdf("--check", saved), 0);
  }

  TPDFDocument loaded;
  TPDFPainter reader;
  loaded.AttachPageWriter(&reader);
  ASSERT_EQ(loaded.LoadFromBytes(saved, u""), 0);
  EXPECT_EQ(loaded.Version, "1.4");
  EXPECT_EQ(loaded.PageTree().PageCount(), 3);
  loaded.PageTree().SelectPage(2);
  EXPECT_EQ(loaded.PageTree().MediaWidth(), 300);
  EXPECT_EQ(loaded.PageTree().MediaHeight(), 200);
  EXPECT_EQ(reader.Buffer, "1 0 0 RG\n");
  loaded.PageTree().SelectPage(1);
  EXPECT_EQ(reader.Buffer, "0 0 m 10 10 l S\n");
  EXPECT_FALSE(loaded.AnyPageHasFonts());
}

TEST(DocumentTest, SaveToFileReplacesTargetOnlyOnSuccess) {
  TPDFDocument doc;
  doc.NewDocument();
  std::string path = TempPath("save.pdf");
  ASSERT_TRUE(doc.SaveToFile(path));
  std::string bytes = ReadWholeFile(path).value_or("");
  EXPECT_TRUE(bytes.starts_with("%PDF-1.4"));
  EXPECT_EQ(doc.FileSize, static_cast<int64_t>(bytes.size()));
  EXPECT_FALSE(doc.SaveToFile(TempPath("missing-folder/x.pdf")));
  std::remove(path.c_str());
}

// A file larger than the pieces the writer hands over at a time: the file
// holds exactly the bytes SaveToBytes gives, offsets included.
TEST(DocumentTest, SavedFileEqualsTheSavedBytesWhenWrittenInPieces) {
  TPDFDocument doc;
  TPDFPainter painter;
  doc.AttachPageWriter(&painter);
  doc.NewDocument();
  TPDFPageTree& tree = doc.PageTree();
  tree.InsertPages(2, 5, 300, 200);
  for (int page = 1; page <= 6; ++page) {
    tree.SelectPage(page);
    for (int line = 0; line < 1500; ++line) painter.AppendLine("0 0 m " + std::to_string(line) + " 10 l S");
  }
  std::string bytes;
  ASSERT_TRUE(doc.SaveToBytes(bytes));
  ASSERT_GT(bytes.size(), 2u * 65536);  // several pieces
  std::string path = TempPath("pieces.pdf");
  ASSERT_TRUE(doc.SaveToFile(path));
  EXPECT_EQ(ReadWholeFile(path).value_or(""), bytes);
  EXPECT_EQ(doc.FileSize, static_cast<int64_t>(bytes.size()));
  if (HaveQpdf()) EXPECT_EQ(RunQpdf("--check", bytes), 0);
  std::remove(path.c_str());
}

TEST(DocumentTest, ObjectTableFromCrossReferenceCallbacks) {
  TPDFDocument doc;
  doc.FileImage = std::string(400, ' ');
  doc.Trailer = nullptr;  // as the loader leaves it before reading
  // Newest section first: its entries win; free entries hide nothing.
  doc.OnXrefSection(300);
  doc.OnXrefEntry(1, 100, 'n', 0);
  doc.OnXrefEntry(2, 0, 'f', 0);
  doc.OnXrefEntry(9000000, 10, 'n', 0);  // beyond the bound: ignored
  doc.OnXrefTrailer("<< /Size 4 /Root 1 0 R /Prev 200 /XRefStm 5 >>");
  doc.OnXrefSection(200);
  doc.OnXrefEntry(1, 50, 'n', 0);
  doc.OnXrefEntry(2, 150, 'n', 0);
  doc.OnXrefEntry(3, 7, 'c', 2);
  doc.OnXrefTrailer("<< /Size 99 >>");
  doc.OnXrefSection(-300);
  doc.BuildObjectTable();

  ASSERT_EQ(doc.XrefEntries.size(), 3u);
  TPDFIndObj* one = doc.FindIndObj(1);
  TPDFIndObj* two = doc.FindIndObj(2);
  TPDFIndObj* three = doc.FindIndObj(3);
  ASSERT_TRUE(one && two && three);
  EXPECT_EQ(one->TextOffset, 100);
  EXPECT_EQ(one->TextLength, 50);   // up to object 2
  EXPECT_EQ(two->TextLength, 50);   // up to the section at 200
  EXPECT_TRUE(three->InObjectStream);
  EXPECT_EQ(three->StreamNumber, 7);
  EXPECT_EQ(three->StreamIndex, 2);
  EXPECT_EQ(doc.FindIndObj(9000000), nullptr);
  EXPECT_EQ(doc.XrefSectionOffsets, (std::vector<int64_t>{0, 200}));
  EXPECT_EQ(doc.Trailer->ToText(), "<<\n/Size 4\n/Root 1 0 R\n/XRefStm 5\n>>\n");
}

TEST(DocumentTest, LoadsPlainFilesAndRejectsBrokenOnes) {
  FileBuilder b = PagesFile({"<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 200 100 ] >>",
                             "<< /Type /Page /Parent 2 0 R /Resources << /Font << /F1 5 0 R >> >> >>"});
  b.Header = "%PDF-1.6\n";
  TPDFDocument doc;
  ASSERT_EQ(doc.LoadFromBytes(b.Build(), u""), 0);
  EXPECT_EQ(doc.Version, "1.6");
  EXPECT_EQ(doc.PageTree().PageCount(), 2);
  EXPECT_EQ(doc.PageTree().MediaWidth(), 200);
  EXPECT_TRUE(doc.AnyPageHasFonts());
  EXPECT_EQ(doc.SecurityState(), 0);
  EXPECT_EQ(doc.EncryptionMethodText(), "");

  // 100 bytes of junk in front, offsets counted from "%PDF-".
  TPDFDocument junk;
  EXPECT_EQ(junk.LoadFromBytes(std::string(100, 'x') + b.Build(), u""), 0);
  EXPECT_EQ(junk.PageTree().PageCount(), 2);

  TPDFDocument bad;
  EXPECT_EQ(bad.LoadFromBytes("hello", u""), 2);
  EXPECT_EQ(bad.PageTree().PageCount(), 0);
  FileBuilder noPages;
  noPages.Bodies = {"<< /Type /Catalog >>"};
  EXPECT_EQ(bad.LoadFromBytes(noPages.Build(), u""), 2);
}

TEST(DocumentTest, UnusableCrossReferenceIsRebuiltFromTheObjects) {
  FileBuilder b = PagesFile({"<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 200 100 ] >>"});
  const std::string good = b.Build();
  auto pageWidth = [](const std::string& file, std::string* warning = nullptr) {
    TPDFDocument doc;
    TWarningLog log;
    doc.Pool().Warnings = &log;
    if (doc.LoadFromBytes(file, u"") != 0) return -1.0;
    if (warning && !log.Lines().empty()) *warning = log.Lines().back();
    return doc.PageTree().PageCount() == 1 ? doc.PageTree().MediaWidth() : -2.0;
  };
  std::string broken = good;
  broken.replace(broken.rfind("startxref\n") + 10, 1, "9");  // points nowhere
  std::string noTable = good.substr(0, good.find("xref\n"));  // cut before the table
  std::string zeroed = good;                                   // every offset 0
  for (size_t at = zeroed.find(" 00000 n "); at != std::string::npos; at = zeroed.find(" 00000 n ", at + 1))
    zeroed.replace(at - 10, 10, "0000000000");
  for (const std::string* file : {&broken, &noTable, &zeroed}) {
    std::string warning;
    EXPECT_EQ(pageWidth(*file, &warning), 200) << *file;
    EXPECT_EQ(warning, "cross-reference data unusable: rebuilt from the 3 objects found in the file");
  }
  // An update appended without its table: the later page replaces the first;
  // without any trailer the catalog is found by its type.
  std::string updated = noTable + "3 0 obj\n<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 100] >>\nendobj\n";
  EXPECT_EQ(pageWidth(updated), 300);
  // Objects packed in an object stream are found through it.
  const std::string members = "2 0 3 60 ";
  const std::string packed = "<< /Type /Pages /Count 1 /Kids [3 0 R] >>";
  std::string body = members + packed + std::string(60 - packed.size(), ' ') +
                     "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 400 100] >>";
  std::string streamed = "%PDF-1.5\n1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n4 0 obj\n<< /Type /ObjStm /N 2 /First " +
                         std::to_string(members.size()) + " /Length " + std::to_string(body.size()) + " >>\nstream\n" +
                         body + "\nendstream\nendobj\n%%EOF\n";
  EXPECT_EQ(pageWidth(streamed), 400);
  // Nothing that looks like an object: still not a PDF.
  EXPECT_EQ(pageWidth("%PDF-1.4\nendobj1 0 objx 2 obj\n%%EOF"), -1);
}

TEST(DocumentTest, TableNumberedFromOneIsRepaired) {
  FileBuilder b = PagesFile({"<< /Type /Page /Parent 2 0 R >>"});
  std::string file = b.Build();
  // Drop the object 0 entry and start the table at 2: the classic off-by-one.
  size_t entry = file.find("0000000000 65535 f \n");
  file.erase(entry, 20);
  file.replace(file.find("xref\n0 4"), 8, "xref\n2 3");
  size_t startxref = file.rfind("startxref\n") + 10;
  TPDFDocument doc;
  ASSERT_EQ(doc.LoadFromBytes(file, u""), 0) << file.substr(startxref);
  EXPECT_EQ(doc.PageTree().PageCount(), 1);
  EXPECT_NE(doc.FindIndObj(1), nullptr);
  EXPECT_EQ(doc.FindIndObj(4), nullptr);
}

TEST(DocumentTest, IncrementalUpdatesTakeTheNewestInUseEntry) {
  FileBuilder b = PagesFile({"<< /Type /Page /Parent 2 0 R /Rotate 0 >>", "<< /Old true >>"});
  std::string file = b.Build();
  int64_t prev = std::stoll(file.substr(file.rfind("startxref\n") + 10));
  size_t update = file.size();
  file += "3 0 obj\n<< /Type /Page /Parent 2 0 R /Rotate 90 >>\nendobj\n";
  size_t xref = file.size();
  file += "xref\n3 2\n" + ZeroPadded(static_cast<long long>(update), 10) + " 00000 n \n0000000000 00001 f \n";
  file += "trailer\n<< /Size 5 /Root 1 0 R /Prev " + std::to_string(prev) + " >>\nstartxref\n" +
          std::to_string(xref) + "\n%%EOF\n";
  TPDFDocument doc;
  ASSERT_EQ(doc.LoadFromBytes(file, u""), 0);
  EXPECT_EQ(doc.PageTree().PageDictionary(1)->GetInteger("Rotate", -1), 90);
  auto* old = PdfCast<TPDFDictionary>(doc.FindIndObj(4)->GetIndValue());
  ASSERT_NE(old, nullptr);  // freed in the update, still loaded from the older entry
  EXPECT_NE(old->GetValue("Old"), nullptr);
  std::string saved;
  ASSERT_TRUE(doc.SaveToBytes(saved));
  EXPECT_EQ(saved.find("/Prev"), std::string::npos);
}

TEST(DocumentTest, StreamLengthsAreCheckedAgainstEndstream) {
  FileBuilder b = PagesFile({"<< /Type /Page /Parent 2 0 R /Contents [ 4 0 R 5 0 R 6 0 R 7 0 R ] >>",
                             "<< /Length 5 >>\nstream\nHello world\nendstream",
                             "<< /Length 8 0 R >>\nstream\nABCDEFGH\nendstream",
                             "<< /Length 100000 >>\nstream\nshort\nendstream",
                             "<< /Length 3 >>\nstream\nnot terminated",
                             "8"});
  TPDFDocument doc;
  ASSERT_EQ(doc.LoadFromBytes(b.Build(), u""), 0);
  auto data = [&](int n) {
    auto* stream = PdfCast<TPDFStream>(doc.FindIndObj(n)->GetIndValue());
    return stream ? stream->RawData : std::string("(not a stream)");
  };
  EXPECT_EQ(data(4), "Hello world");   // /Length 6 too short
  EXPECT_EQ(data(5), "ABCDEFGH");      // /Length through a reference
  EXPECT_EQ(data(6), "short");         // /Length past the object's text
  EXPECT_EQ(data(7), "(not a stream)");
  EXPECT_EQ(PdfCast<TPDFStream>(doc.FindIndObj(4)->GetIndValue())->StreamDict->GetInteger("Length", 0), 11);
}

TEST(DocumentTest, MisnumberedAndOutOfFileObjectsReadAsNull) {
  FileBuilder b = PagesFile({"<< /Type /Page /Parent 2 0 R >>", "<< /A 1 >>"});
  std::string file = b.Build();
  file.replace(file.find("4 0 obj"), 7, "9 0 obj");
  TPDFDocument doc;
  ASSERT_EQ(doc.LoadFromBytes(file, u""), 0);
  EXPECT_NE(PdfCast<TPDFNull>(doc.FindIndObj(4)->GetIndValue()), nullptr);

  TPDFIndObj slot(&doc, 4, 0);
  slot.TextOffset = static_cast<int64_t>(doc.FileImage.size()) + 10;
  slot.TextLength = 50;
  EXPECT_EQ(slot.ObjectText(), "");
  slot.TextOffset = static_cast<int64_t>(doc.FileImage.size()) - 3;
  EXPECT_EQ(slot.ObjectText().size(), 3u);
}

TEST(DocumentTest, PagesInheritingFontsCount) {
  FileBuilder b;
  b.Bodies = {"<< /Type /Catalog /Pages 2 0 R >>",
              "<< /Type /Pages /Count 1 /Kids [ 3 0 R ] /Resources << /Font << /F1 4 0 R >> >> >>",
              "<< /Type /Pages /Count 1 /Kids [ 5 0 R ] /Parent 2 0 R >>",
              "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
              "<< /Type /Page /Parent 3 0 R >>"};
  TPDFDocument doc;
  ASSERT_EQ(doc.LoadFromBytes(b.Build(), u""), 0);
  EXPECT_TRUE(doc.AnyPageHasFonts());
}

TEST(DocumentTest, HostilePageTreesEndCleanly) {
  // /Kids pointing back at the root, /Parent pointing at itself, absurd /Count.
  FileBuilder b;
  b.Bodies = {"<< /Type /Catalog /Pages 2 0 R >>",
              "<< /Type /Pages /Count 2147483647 /Kids [ 2 0 R 3 0 R 2 0 R ] /Parent 2 0 R >>",
              "<< /Type /Pages /Count 999999 /Kids [ 3 0 R 2 0 R 4 0 R ] /Parent 3 0 R >>",
              "<< /Type /Page /Parent 4 0 R >>"};
  TPDFDocument doc;
  ASSERT_EQ(doc.LoadFromBytes(b.Build(), u""), 0);
  int count = doc.PageTree().PageCount();
  EXPECT_LE(count, 4);  // no more pages than objects
  for (int n = 1; n <= count; ++n) doc.PageTree().PageDictionary(n);
  EXPECT_FALSE(doc.AnyPageHasFonts());
  doc.PageTree().SelectPage(1);
  EXPECT_EQ(doc.PageTree().MediaWidth(), 612);
  doc.PageTree().InsertPages(count + 1, 1, 10, 10);
  std::string saved;
  EXPECT_TRUE(doc.SaveToBytes(saved));
}

TEST(DocumentTest, ObjectStreamsAndCrossReferenceStreamsFromQpdf) {
  if (!HaveQpdf()) GTEST_SKIP() << "qpdf not installed";
  TPDFDocument doc;
  doc.NewDocument();
  doc.SetInfo("Title", u"Streams");
  doc.PageTree().InsertPages(2, 3, 100, 100);
  std::string ours;
  ASSERT_TRUE(doc.SaveToBytes(ours));

  for (const char* args : {"--object-streams=generate", "--linearize", "--object-streams=generate --linearize",
                           "--allow-weak-crypto --encrypt user owner 40 --",
                           "--allow-weak-crypto --encrypt '' owner 128 --",
                           "--allow-weak-crypto --encrypt user owner 128 --use-aes=y --",
                           "--encrypt user owner 256 --"}) {
    SCOPED_TRACE(args);
    std::string theirs;
    ASSERT_EQ(RunQpdf(args, ours, &theirs), 0);
    bool encrypted = std::string(args).find("encrypt") != std::string::npos;
    bool emptyUser = std::string(args).find("''") != std::string::npos;
    TPDFDocument loaded;
    ASSERT_EQ(loaded.LoadFromBytes(theirs, emptyUser ? u"" : (encrypted ? u"user" : u"")), 0);
    EXPECT_EQ(loaded.PageTree().PageCount(), 4);
    EXPECT_EQ(loaded.GetInfo("Title"), u"Streams");
    EXPECT_EQ(loaded.IsLinearized, std::string(args).find("linearize") != std::string::npos);
    if (encrypted) {
      EXPECT_EQ(loaded.SecurityState(), 1);
      EXPECT_NE(loaded.EncryptionMethodText(), "");
      if (!emptyUser) {
        TPDFDocument wrong;
        EXPECT_EQ(wrong.LoadFromBytes(theirs, u"nope"), 1);
        TPDFDocument owner;
        EXPECT_EQ(owner.LoadFromBytes(theirs, u"owner"), 0);
      }
    }

    std::string again;
    ASSERT_TRUE(loaded.SaveToBytes(again));
    EXPECT_EQ(again.find("/ObjStm"), std::string::npos);
    EXPECT_EQ(again.find("/XRefStm"), std::string::npos);
    EXPECT_EQ(again.find("/Type /XRef"), std::string::npos);
    std::string password = encrypted && !emptyUser ? " --password=user" : "";
    EXPECT_EQ(RunQpdf("--check" + password, again), 0);
    TPDFDocument reloaded;
    ASSERT_EQ(reloaded.LoadFromBytes(again, encrypted && !emptyUser ? u"user" : u""), 0);
    EXPECT_EQ(reloaded.PageTree().PageCount(), 4);
    EXPECT_EQ(reloaded.GetInfo("Title"), u"Streams");
  }
}

}  // namespace
}  // namespace ostrel
