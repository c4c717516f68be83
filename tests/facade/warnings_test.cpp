// Recoverable damage becomes warnings on the facade while every result stays
// what the repaired file gives.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "pdf/core/warning_log.h"
#include "pdf/facade/ostrel.h"

namespace ostrel {
namespace {

namespace fs = std::filesystem;

// A one-page file drawing content (by default "Hello"): its page object has
// junk after its dictionary, and startxref points three bytes before the table.
std::string DamagedFile(const std::string& content = "BT /F1 12 Tf 20 100 Td (Hello) Tj ET") {
  const std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R\n"
      "   /Resources << /Font << /F1 5 0 R >> >> >> @@junk",
      "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
  };
  std::string file = "%PDF-1.4\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(file.size());
    file += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const size_t xref = file.size();
  file += "xref\n0 6\n0000000000 65535 f \n";
  for (size_t offset : offsets) {
    std::string digits = std::to_string(offset);
    file += std::string(10 - digits.size(), '0') + digits + " 00000 n \n";
  }
  file += "trailer\n<< /Size 6 /Root 1 0 R >>\nstartxref\n" + std::to_string(xref - 3) + "\n%%EOF\n";
  return file;
}

bool HasWarning(const TOstrel& pdf, std::string_view part) {
  return std::any_of(pdf.Warnings().begin(), pdf.Warnings().end(),
                     [&](const std::string& line) { return line.find(part) != std::string::npos; });
}

TEST(Warnings, DamagedFileWarnsOnEveryPathAndStillGivesItsContent) {
  const fs::path dir = fs::temp_directory_path() / ("ostrel-warnings-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const fs::path input = dir / "damaged.pdf";
  std::ofstream(input, std::ios::binary) << DamagedFile();

  TOstrel pdf;
  EXPECT_TRUE(pdf.Warnings().empty());
  ASSERT_EQ(pdf.LoadDocumentFile(input.u16string(), u""), 1);
  EXPECT_EQ(pdf.PageCount(), 1);
  EXPECT_TRUE(HasWarning(pdf, "cross-reference section at offset")) << pdf.Warnings().size();
  // The page is read by rendering it; its dictionary keeps every entry.
  EXPECT_EQ(pdf.RenderPagesToFiles(72, 1, 1, kFormatPNG, (dir / "page.png").u16string()), 1);
  EXPECT_TRUE(HasWarning(pdf, "object 3 0: unexpected token after the value, ignored"));

  // The direct-access reader behind page text and page copying reports too.
  pdf.ClearWarnings();
  EXPECT_EQ(pdf.WarningCount(), 0u);
  EXPECT_NE(pdf.ExtractPageTextFromFile(input.u16string(), u"", 1, 0).find(u"Hello"), std::u16string::npos);
  EXPECT_TRUE(HasWarning(pdf, "cross-reference section at offset"));
  EXPECT_TRUE(HasWarning(pdf, "object 3 0: unexpected token"));
  pdf.ClearWarnings();
  EXPECT_EQ(pdf.ExtractPagesToFile(input.u16string(), u"", (dir / "copy.pdf").u16string(), u"1"), 1);
  EXPECT_TRUE(HasWarning(pdf, "object 3 0: unexpected token"));
  EXPECT_EQ(pdf.WarningCount(), pdf.Warnings().size());

  // Content whose last string is never closed: what comes before it stays,
  // and both the renderer and the text reader say where the string began.
  std::ofstream(input, std::ios::binary) << DamagedFile("BT /F1 12 Tf 20 100 Td (Hello) Tj ET BT (open Tj ET");
  pdf.ClearWarnings();
  EXPECT_NE(pdf.ExtractPageTextFromFile(input.u16string(), u"", 1, 0).find(u"Hello"), std::u16string::npos);
  EXPECT_TRUE(HasWarning(pdf, "string at byte 41 is not closed"));
  TOstrel unclosed;
  ASSERT_EQ(unclosed.LoadDocumentFile(input.u16string(), u""), 1);
  EXPECT_EQ(unclosed.RenderPagesToFiles(72, 1, 1, kFormatPNG, (dir / "page.png").u16string()), 1);
  EXPECT_TRUE(HasWarning(unclosed, "string at byte 41 is not closed"));

  // Every offset of the table zeroed: both readers find the objects by
  // scanning, so rendering and page text still give the page.
  std::string zeroed = DamagedFile();
  for (size_t at = zeroed.find(" 00000 n "); at != std::string::npos; at = zeroed.find(" 00000 n ", at + 1))
    zeroed.replace(at - 10, 10, "0000000000");
  std::ofstream(input, std::ios::binary | std::ios::trunc) << zeroed;
  TOstrel rebuilt;
  ASSERT_EQ(rebuilt.LoadDocumentFile(input.u16string(), u""), 1);
  EXPECT_EQ(rebuilt.RenderPagesToFiles(72, 1, 1, kFormatPNG, (dir / "page.png").u16string()), 1);
  EXPECT_NE(rebuilt.ExtractPageTextFromFile(input.u16string(), u"", 1, 0).find(u"Hello"), std::u16string::npos);
  EXPECT_TRUE(HasWarning(rebuilt, "rebuilt from the 5 objects found in the file"));
  fs::remove_all(dir);

  // A file repeating one fault endlessly keeps the first lines and a count.
  TWarningLog log;
  for (size_t i = 0; i < TWarningLog::kMaxKept + 5; ++i) log.Add("w" + std::to_string(i));
  ASSERT_EQ(log.Lines().size(), TWarningLog::kMaxKept + 1);
  EXPECT_EQ(log.Lines().front(), "w0");
  EXPECT_EQ(log.Lines().back(), "5 more warnings");
  EXPECT_EQ(log.Count(), TWarningLog::kMaxKept + 5);
}

}  // namespace
}  // namespace ostrel
