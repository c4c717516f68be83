#include "pdf/core/xref_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "pdf/filters/flate_filter.h"

namespace ostrel {
namespace {

struct Entry {
  int64_t Number, Field2;
  char Type;
  int64_t Field3;
  bool operator==(const Entry&) const = default;
};

struct Reports {
  bool Ok = false;
  bool Hybrid = false;
  std::vector<Entry> Entries;
  std::vector<std::string> Trailers;
  std::vector<int64_t> Sections;
};

Reports Read(std::string_view file, int64_t offset) {
  Reports run;
  TPDFXRefReader reader(file);
  reader.OnEntry = [&](int64_t n, int64_t f2, char t, int64_t f3) { run.Entries.push_back({n, f2, t, f3}); };
  reader.OnTrailer = [&](const std::string& text) { run.Trailers.push_back(text); };
  reader.OnSection = [&](int64_t o) { run.Sections.push_back(o); };
  run.Ok = reader.ReadSection(offset);
  run.Hybrid = reader.IsHybrid;
  return run;
}

std::string TableEntry(int64_t offset, int generation, char type, std::string_view eol) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%010lld %05d %c", static_cast<long long>(offset), generation, type);
  return buf + std::string(eol);
}

// A one-page file: objects 1 to 3, then a classic table ending in eol.
struct Classic {
  std::string Text = "%PDF-1.4\n";
  std::vector<int64_t> Offsets;  // of objects 1..3
  int64_t Xref = 0;
  explicit Classic(std::string_view eol = "\r\n", std::string_view trailerExtra = "") {
    for (const char* body : {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                             "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>"}) {
      Offsets.push_back(static_cast<int64_t>(Text.size()));
      Text += std::to_string(Offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
    }
    Xref = static_cast<int64_t>(Text.size());
    Text += "xref\n0 4" + std::string(eol) + TableEntry(0, 65535, 'f', eol);
    for (int64_t o : Offsets) Text += TableEntry(o, 0, 'n', eol);
    Text += "trailer\n<< /Size 4 /Root 1 0 R " + std::string(trailerExtra) + ">>\n";
    Finish(Xref);
  }
  std::vector<Entry> Expected() const {
    return {{0, 0, 'f', 65535}, {1, Offsets[0], 'n', 0}, {2, Offsets[1], 'n', 0}, {3, Offsets[2], 'n', 0}};
  }
  void Finish(int64_t xref) { Text += "startxref\n" + std::to_string(xref) + "\n%%EOF\n"; }
  int64_t Append(std::string_view section) {
    const auto at = static_cast<int64_t>(Text.size());
    Text += section;
    return at;
  }
};

std::string XRefStreamObject(int number, std::string_view dict, std::string_view data) {
  return std::to_string(number) + " 0 obj\n<< /Type /XRef /Length " + std::to_string(data.size()) + " " +
         std::string(dict) + " >>\nstream\n" + std::string(data) + "\nendstream\nendobj\n";
}

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out += static_cast<char>(v);
  return out;
}

TEST(XRefReaderTest, FindsStartXrefDespiteTrailingDamage) {
  const Classic file;
  const std::string xref = std::to_string(file.Xref);
  const std::string body = file.Text.substr(0, file.Text.rfind("startxref"));
  const std::pair<std::string, int64_t> cases[] = {
      {file.Text, file.Xref},
      {file.Text + "\n\r\n\n\n", file.Xref},
      {file.Text + std::string(3000, 'x'), file.Xref},
      {body + "startxref\r" + xref + " % note\r%%EO", file.Xref},          // cut-off marker
      {body + "startxref\n1\nstartxref\n" + xref + "\n%%EOF", file.Xref},  // the last one wins
      {body + "startxref\n" + xref + "\n", 0},                             // no marker
      {body + "%%EOF\n", 0},                                               // no startxref
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(TPDFXRefReader(text).FindStartXref(), expected) << text;
}

TEST(XRefReaderTest, ReadsTablesWithAnyLineEnding) {
  for (std::string_view eol : {"\r\n", " \r", " \n", "\r", "\n"}) {
    const Classic file(eol);
    const Reports run = Read(file.Text, TPDFXRefReader(file.Text).FindStartXref());
    EXPECT_TRUE(run.Ok);
    EXPECT_EQ(run.Entries, file.Expected());
    ASSERT_EQ(run.Trailers.size(), 1u);
    EXPECT_NE(run.Trailers[0].find("/Root 1 0 R"), std::string::npos);
    EXPECT_EQ(run.Sections, std::vector<int64_t>{file.Xref});
  }
}

TEST(XRefReaderTest, SubsectionHeaders) {
  Classic file;
  const std::string e = TableEntry(file.Offsets[0], 0, 'n', "\n");
  // Extra spaces after a header; an empty subsection ends the table; an
  // absurd count reads only the entries that are there.
  const int64_t a = file.Append("xref\n0 1   \r\n" + TableEntry(0, 65535, 'f', "\n") + "7 1  \n" + e +
                                "5 0\n9 1\n" + e + "trailer\n<< /Size 8 >>\n");
  const int64_t b = file.Append("xref\n4 9999999999999\n" + e + e + "8 1\n" + e + "trailer\n<< /Size 9 >>\n");
  Reports run = Read(file.Text, a);
  EXPECT_TRUE(run.Ok);
  EXPECT_EQ(run.Entries, (std::vector<Entry>{{0, 0, 'f', 65535}, {7, file.Offsets[0], 'n', 0}}));
  run = Read(file.Text, b);
  EXPECT_TRUE(run.Ok);
  EXPECT_EQ(run.Entries, (std::vector<Entry>{{4, file.Offsets[0], 'n', 0}, {5, file.Offsets[0], 'n', 0},
                                             {8, file.Offsets[0], 'n', 0}}));
}

TEST(XRefReaderTest, FindsSectionsNearTheirOffset) {
  Classic file;
  // A later section, so that a misread "startxref" would find a trailer.
  file.Append("xref\n0 1\n" + TableEntry(0, 65535, 'f', "\n") + "trailer\n<< /Size 1 >>\n");
  EXPECT_TRUE(Read(file.Text, file.Xref + 6).Ok);
  EXPECT_TRUE(Read(file.Text, file.Xref - 20).Ok);
  const Reports far = Read(file.Text, file.Xref - 30);
  EXPECT_FALSE(far.Ok);
  EXPECT_EQ(far.Sections, (std::vector<int64_t>{file.Xref - 30, 30 - file.Xref}));
  EXPECT_FALSE(Read(file.Text, static_cast<int64_t>(file.Text.rfind("startxref"))).Ok);
}

TEST(XRefReaderTest, OffsetsOutsideTheFileFail) {
  const Classic file;
  const auto size = static_cast<int64_t>(file.Text.size());
  for (int64_t offset : {size, size + 100, int64_t{1} << 62}) {
    const Reports run = Read(file.Text, offset);
    EXPECT_FALSE(run.Ok);
    EXPECT_EQ(run.Sections, (std::vector<int64_t>{offset, -offset}));
  }
  const Reports negative = Read(file.Text, -5);
  EXPECT_FALSE(negative.Ok);
  EXPECT_TRUE(negative.Sections.empty());
}

TEST(XRefReaderTest, FollowsPrevChainNewestFirst) {
  Classic file;
  const int64_t object4 = file.Append("4 0 obj\n(new)\nendobj\n");
  const int64_t update = file.Append("xref\n3 2\n" + TableEntry(object4, 0, 'n', "\r\n") +
                                     TableEntry(object4, 0, 'n', "\r\n") + "trailer\n<< /Size 5 /Prev " +
                                     std::to_string(file.Xref) + " >>\n");
  Reports run = Read(file.Text, update);
  EXPECT_TRUE(run.Ok);
  EXPECT_EQ(run.Sections, (std::vector<int64_t>{update, file.Xref}));
  EXPECT_EQ(run.Trailers.size(), 2u);
  ASSERT_EQ(run.Entries.size(), 6u);
  EXPECT_EQ(run.Entries[0], (Entry{3, object4, 'n', 0}));
  EXPECT_EQ(run.Entries[2], (Entry{0, 0, 'f', 65535}));

  // A /Prev of 0 ends the chain, as in an unchanged file.
  const Classic zero("\r\n", "/Prev 0 ");
  EXPECT_TRUE(Read(zero.Text, zero.Xref).Ok);

  // A /Prev at garbage fails the chain; what was read stays reported.
  const int64_t broken = file.Append("xref\n0 1\n" + TableEntry(0, 65535, 'f', "\r\n") + "trailer\n<< /Prev 3 >>\n");
  run = Read(file.Text, broken);
  EXPECT_FALSE(run.Ok);
  EXPECT_EQ(run.Entries.size(), 1u);
  EXPECT_EQ(run.Sections, (std::vector<int64_t>{broken, 3, -3}));
}

TEST(XRefReaderTest, ChainLoopsAndLengthAreBounded) {
  Classic file;
  const std::string e = TableEntry(0, 65535, 'f', "\n");
  // Sections padded to 100 bytes, so that each can name the next one's offset.
  const auto section = [&](int64_t prev, std::string_view extra) {
    std::string text = "xref\n0 1\n" + e + "trailer\n<< /Prev " + std::to_string(prev) + std::string(extra) + " >>\n";
    text.resize(100, ' ');
    return text;
  };
  const auto end = static_cast<int64_t>(file.Text.size());
  const int64_t self = file.Append(section(end + 3, ""));  // a nearby offset of itself
  const int64_t back = file.Append(section(end + 200, ""));
  const int64_t forth = file.Append(section(back, " /XRefStm " + std::to_string(back)));
  EXPECT_EQ(forth, end + 200);
  EXPECT_TRUE(Read(file.Text, self).Ok);
  EXPECT_EQ(Read(file.Text, self).Trailers.size(), 1u);
  EXPECT_EQ(Read(file.Text, back).Sections, (std::vector<int64_t>{back, forth}));

  // Each section points at the one before; the chain is longer than the bound.
  std::string chain = "%PDF-1.4\n";
  int64_t previous = 0;
  for (int i = 0; i <= TPDFXRefReader::kMaxSections; ++i) {
    const auto at = static_cast<int64_t>(chain.size());
    chain += "xref\n0 1\n" + e + "trailer\n<< /Prev " + std::to_string(previous) + " >>\n";
    previous = at;
  }
  const Reports run = Read(chain, previous);
  EXPECT_FALSE(run.Ok);
  EXPECT_EQ(run.Trailers.size(), static_cast<size_t>(TPDFXRefReader::kMaxSections));
}

TEST(XRefReaderTest, ReadsCrossReferenceStreams) {
  Classic file;
  std::string data;
  for (int i = 0; i < 10; ++i) data += Bytes({i % 4, 0, i, i});  // types 0, 1, 2, 3 in turn
  const int64_t plain = file.Append(XRefStreamObject(5, "/Size 10 /W [1 2 1] /Index [0 10]", data));
  Reports run = Read(file.Text, plain);
  EXPECT_TRUE(run.Ok);
  ASSERT_EQ(run.Entries.size(), 10u);
  EXPECT_EQ(run.Entries[0], (Entry{0, 0, 'f', 0}));
  EXPECT_EQ(run.Entries[5], (Entry{5, 5, 'n', 5}));
  EXPECT_EQ(run.Entries[6], (Entry{6, 6, 'c', 6}));
  EXPECT_EQ(run.Entries[7], (Entry{7, 0, ' ', 0}));
  EXPECT_NE(run.Trailers.at(0).find("/XRef"), std::string::npos);

  const int64_t typeless = file.Append(XRefStreamObject(6, "/Size 3 /W [0 2 0]", Bytes({0, 9, 1, 0, 0, 7})));
  EXPECT_EQ(Read(file.Text, typeless).Entries, (std::vector<Entry>{{0, 9, 'n', 0}, {1, 256, 'n', 0}, {2, 7, 'n', 0}}));

  // Flate with the PNG "up" predictor, as qpdf writes it: each row holds the
  // difference to the row above.
  std::string rows;
  const std::string raw[] = {Bytes({1, 0, 15, 0}), Bytes({2, 0, 5, 1}), Bytes({1, 1, 0, 0})};
  for (int r = 0; r < 3; ++r) {
    rows += '\2';
    for (int c = 0; c < 4; ++c) rows += static_cast<char>(raw[r][c] - (r ? raw[r - 1][c] : 0));
  }
  const int64_t packed = file.Append(XRefStreamObject(
      7, "/Size 3 /W [1 2 1] /Filter /FlateDecode /DecodeParms << /Columns 4 /Predictor 12 >>", FlateEncode(rows)));
  EXPECT_EQ(Read(file.Text, packed).Entries,
            (std::vector<Entry>{{0, 15, 'n', 0}, {1, 5, 'c', 1}, {2, 256, 'n', 0}}));
}

TEST(XRefReaderTest, StreamCountsAndWidthsAreNotTrusted) {
  Classic file;
  const std::string three = Bytes({1, 0, 9, 0, 1, 0, 9, 0, 1, 0, 9, 0});
  const std::pair<std::string, size_t> sizes[] = {
      {"/Size 2147483647 /W [0 0 0]", 0},
      {"/Size 3 /W [1 2 1] /Index [0 4000000000 7 2147483647]", 3},
      {"/Size 3 /W [8 8 8] /Index [0 300000000 9 300000000]", 1},
      {"/Size 3 /W [1 2 1] /Index [2147483646 3]", 2},  // numbers past 2^31-1 are dropped
  };
  for (const auto& [dict, count] : sizes) {
    const Reports run = Read(file.Text, file.Append(XRefStreamObject(5, dict, three)));
    EXPECT_TRUE(run.Ok) << dict;
    EXPECT_EQ(run.Entries.size(), count) << dict;
  }
  for (const char* dict : {"/Size 3 /W [1 9 1]", "/Size 3 /W [1 -1 1]", "/W [1 2 1]", "/Type /XRefs /Size 3"}) {
    const int64_t at = file.Append(XRefStreamObject(5, dict, three));
    EXPECT_EQ(Read(file.Text, at).Sections, (std::vector<int64_t>{at, -at})) << dict;
  }
}

TEST(XRefReaderTest, HybridFileReportsTableBeforeStream) {
  Classic file;
  const int64_t stream = file.Append(XRefStreamObject(4, "/Size 5 /W [1 2 1] /Index [1 1 4 1]", Bytes({1, 0, 99, 0, 2, 0, 4, 0})));
  const int64_t table = file.Append("xref\n0 2\n" + TableEntry(0, 65535, 'f', "\r\n") +
                                    TableEntry(file.Offsets[0], 0, 'n', "\r\n") + "trailer\n<< /Size 5 /XRefStm " +
                                    std::to_string(stream) + " >>\n");
  const Reports run = Read(file.Text, table);
  EXPECT_TRUE(run.Ok);
  EXPECT_TRUE(run.Hybrid);
  EXPECT_EQ(run.Entries, (std::vector<Entry>{{0, 0, 'f', 65535}, {1, file.Offsets[0], 'n', 0}, {1, 99, 'n', 0}, {4, 4, 'c', 0}}));
  EXPECT_EQ(run.Sections, (std::vector<int64_t>{table, stream}));
}

// qpdf writes cross-reference streams with Flate and PNG predictor 12; every
// entry it lists must come out of our reader the same.
TEST(XRefReaderTest, MatchesQpdfCrossReferenceStream) {
  if (std::system("qpdf --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "qpdf not installed";
  const std::string dir = testing::TempDir();
  std::ofstream(dir + "ostrel_xref_in.pdf", std::ios::binary) << Classic().Text;
  const std::string cmd = "qpdf --object-streams=generate " + dir + "ostrel_xref_in.pdf " + dir + "ostrel_xref_out.pdf && qpdf --show-xref " +
                          dir + "ostrel_xref_out.pdf > " + dir + "ostrel_xref_out.txt";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  std::map<int64_t, Entry> expected;
  std::ifstream listing(dir + "ostrel_xref_out.txt");
  for (std::string line; std::getline(listing, line);) {
    long long n, g, a, b;
    if (std::sscanf(line.c_str(), "%lld/%lld: uncompressed; offset = %lld", &n, &g, &a) == 3) expected[n] = {n, a, 'n', g};
    if (std::sscanf(line.c_str(), "%lld/%lld: compressed; stream = %lld, index = %lld", &n, &g, &a, &b) == 4)
      expected[n] = {n, a, 'c', b};
  }
  std::stringstream out;
  out << std::ifstream(dir + "ostrel_xref_out.pdf", std::ios::binary).rdbuf();
  const std::string text = out.str();
  const Reports run = Read(text, TPDFXRefReader(text).FindStartXref());
  EXPECT_TRUE(run.Ok);
  std::map<int64_t, Entry> actual;
  for (const Entry& e : run.Entries) if (e.Type != 'f') actual[e.Number] = e;
  EXPECT_GE(expected.size(), 3u);
  EXPECT_EQ(actual, expected);
}

}  // namespace
}  // namespace ostrel
