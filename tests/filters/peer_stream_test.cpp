// Stream data that qpdf and zlib-flate wrote, decoded by our filters and
// compared with what qpdf itself decodes. Skips when the peers are absent.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "pdf/filters/stream_filters.h"

namespace ostrel {
namespace {

namespace fs = std::filesystem;

bool RunCommand(const std::string& command, std::string* output = nullptr) {
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (!pipe) return false;
  std::string text;
  char buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  int status = pclose(pipe);
  if (output) *output = std::move(text);
  return status == 0;
}

bool HaveTool(const char* name) { return RunCommand(std::string("command -v ") + name + " >/dev/null"); }

fs::path MakeTempDir() {
  fs::path dir = fs::temp_directory_path() / ("ostrel-peer-" + std::to_string(std::random_device{}()));
  fs::create_directories(dir);
  return dir;
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A one-page PDF with a content stream, written by hand; offsets computed here.
std::string SmallPdf() {
  std::string content;
  for (int i = 0; i < 40; ++i)
    content += "BT /F1 12 Tf 10 " + std::to_string(700 - i * 14) + " Td (Line " + std::to_string(i) + ") Tj ET\n";
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R >>",
      "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "endstream",
  };
  std::string pdf = "%PDF-1.5\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  size_t xref = pdf.size();
  pdf += "xref\n0 5\n0000000000 65535 f \n";
  for (size_t off : offsets) {
    char line[21];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", off);
    pdf += line;
  }
  pdf += "trailer\n<< /Size 5 /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

int DictInt(const std::string& dict, const std::string& key, int fallback) {
  size_t at = dict.find("/" + key + " ");
  return at == std::string::npos ? fallback : std::atoi(dict.c_str() + at + key.size() + 2);
}

TEST(PeerStreams, QpdfStreamsDecodeAsQpdfDecodesThem) {
  if (!HaveTool("qpdf")) GTEST_SKIP() << "qpdf not installed";
  fs::path dir = MakeTempDir();
  WriteFile(dir / "in.pdf", SmallPdf());
  std::string out = (dir / "out.pdf").string();
  ASSERT_TRUE(RunCommand("qpdf --object-streams=generate --compress-streams=y " + (dir / "in.pdf").string() + " " + out));

  int streams = 0, predicted = 0;
  for (int n = 1; n <= 10; ++n) {
    std::string dict, raw, filtered;
    if (!RunCommand("qpdf --show-object=" + std::to_string(n) + " " + out, &dict)) continue;
    if (dict.find("Object is stream") == std::string::npos) continue;
    if (dict.find("/FlateDecode") == std::string::npos) continue;
    ASSERT_TRUE(RunCommand("qpdf --show-object=" + std::to_string(n) + " --raw-stream-data " + out, &raw));
    ASSERT_TRUE(RunCommand("qpdf --show-object=" + std::to_string(n) + " --filtered-stream-data " + out, &filtered));
    int predictor = DictInt(dict, "Predictor", 1);
    std::string ours = predictor >= 2
                           ? ApplyPredictor(FlateDecode(raw), predictor, DictInt(dict, "Colors", 1),
                                            DictInt(dict, "BitsPerComponent", 8), DictInt(dict, "Columns", 1))
                           : FlateDecode(raw);
    EXPECT_EQ(ours, filtered) << "object " << n << ": " << dict;
    ++streams;
    predicted += predictor >= 10;
  }
  EXPECT_GE(streams, 3);  // object stream, content stream, cross-reference stream
  EXPECT_GE(predicted, 1);
  fs::remove_all(dir);
}

TEST(PeerStreams, ZlibFlateOutputInflates) {
  if (!HaveTool("zlib-flate")) GTEST_SKIP() << "zlib-flate not installed";
  fs::path dir = MakeTempDir();
  std::string text;
  std::mt19937 rng(5);
  for (int i = 0; i < 300000; ++i) text.push_back(static_cast<char>(rng() % 7 == 0 ? rng() : 'a' + i % 13));
  WriteFile(dir / "plain", text);
  std::string packed;
  ASSERT_TRUE(RunCommand("zlib-flate -compress < " + (dir / "plain").string(), &packed));
  EXPECT_EQ(FlateDecode(packed), text);
  // And the other way: what we write, the peer reads.
  WriteFile(dir / "packed", FlateEncode(text));
  std::string unpacked;
  ASSERT_TRUE(RunCommand("zlib-flate -uncompress < " + (dir / "packed").string(), &unpacked));
  EXPECT_EQ(unpacked, text);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace ostrel
