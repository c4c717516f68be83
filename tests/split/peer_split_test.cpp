// Splits files that qpdf made (object streams, linearized, encrypted with an
// empty user password) and checks every page with the peers: qpdf --check
// passes, and pdftotext and pdfinfo see what they see on the source's page.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <regex>

#include "pdf/split/page_extraction.h"
#include "tests/split/split_fixture.h"

namespace ostrel {
namespace {

using testing::PdfFixture;
using testing::TempDir;

bool Have(const std::string& tool) { return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0; }

// Standard output of a shell command, and its exit status.
std::string Shell(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (!pipe) return out;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  const int rc = pclose(pipe);
  if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}

// Page n's "size" and "rot" lines of pdfinfo, without the page number.
std::string PageGeometry(const std::string& file, int n) {
  const std::string info = Shell("pdfinfo -f " + std::to_string(n) + " -l " + std::to_string(n) + " '" + file + "'");
  static const std::regex line(R"(Page +\d+ (size|rot): *([^\n]*))");
  std::string result;
  for (std::sregex_iterator it(info.begin(), info.end(), line), end; it != end; ++it) {
    result += (*it)[1].str() + "=" + (*it)[2].str() + ";";
  }
  return result;
}

// Three pages: the first two under an inner node that gives them a smaller,
// rotated box and their font, the third directly under the root.
PdfFixture NestedThreePages() {
  PdfFixture f;
  f.Plain[1] = "<< /Type /Catalog /Pages 2 0 R >>";
  f.Plain[2] = "<< /Type /Pages /Count 3 /Kids [4 0 R 9 0 R] /MediaBox [0 0 612 792] >>";
  f.Plain[3] = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>";
  f.Plain[4] = "<< /Type /Pages /Parent 2 0 R /Count 2 /Kids [5 0 R 7 0 R] /MediaBox [0 0 400 500] /Rotate 90 "
               "/Resources << /Font << /F1 3 0 R >> >> >>";
  f.Plain[5] = "<< /Type /Page /Parent 4 0 R /Contents 6 0 R >>";
  f.Plain[6] = testing::TextContent("First page");
  f.Plain[7] = "<< /Type /Page /Parent 4 0 R /Contents 8 0 R >>";
  f.Plain[8] = testing::TextContent("Second page");
  f.Plain[9] = "<< /Type /Page /Parent 2 0 R /Contents 10 0 R /Resources << /Font << /F1 3 0 R >> >> >>";
  f.Plain[10] = testing::TextContent("Third page");
  return f;
}

TEST(PeerSplit, FilesQpdfMakesSplitIntoPagesThePeersAccept) {
  if (!Have("qpdf") || !Have("pdftotext") || !Have("pdfinfo")) GTEST_SKIP() << "qpdf or poppler-utils missing";
  TempDir dir;
  const std::string base = (dir / "base.pdf").string();
  testing::WriteFile(base, NestedThreePages().Build());
  const std::pair<const char*, const char*> variants[] = {
      {"plain", "--stream-data=preserve"},
      {"objstm", "--object-streams=generate"},
      {"linear", "--linearize"},
      {"rc4", "--allow-weak-crypto --encrypt '' owner 128 --use-aes=n --"},
      {"aes128", "--object-streams=generate --encrypt '' owner 128 --use-aes=y --"},
      {"aes256", "--object-streams=generate --encrypt '' owner 256 --"},
  };
  for (const auto& [name, options] : variants) {
    SCOPED_TRACE(name);
    const std::string source = (dir / (std::string(name) + ".pdf")).string();
    int status = -1;
    Shell("qpdf " + std::string(options) + " '" + base + "' '" + source + "'", &status);
    ASSERT_TRUE(status == 0 || status == 3) << "qpdf could not make the variant";
    for (int page = 1; page <= 3; ++page) {
      SCOPED_TRACE(page);
      const std::string out = (dir / (std::string(name) + "-" + std::to_string(page) + ".pdf")).string();
      int32_t code = -1;
      ASSERT_EQ(ExtractPagesToFileImpl(source, out, std::to_string(page), code), 1) << code;
      Shell("qpdf --check '" + out + "'", &status);
      EXPECT_EQ(status, 0);
      const std::string p = std::to_string(page);
      EXPECT_EQ(Shell("pdftotext '" + out + "' -"), Shell("pdftotext -f " + p + " -l " + p + " '" + source + "' -"));
      EXPECT_EQ(PageGeometry(out, 1), PageGeometry(source, page));
    }
  }
}

}  // namespace
}  // namespace ostrel
