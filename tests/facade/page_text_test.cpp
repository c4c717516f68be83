// Page text read straight from files, with the parsed file kept between
// calls: a file rewritten under the same name must be read again.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "pdf/facade/ostrel.h"

namespace ostrel {
namespace {

namespace fs = std::filesystem;

// Saves a one-page document whose first page shows `line`.
void SaveTextPage(const fs::path& path, std::u16string_view line, int pages = 1) {
  TOstrel pdf;
  pdf.SetOrigin(1);
  pdf.DrawTextAt(20, 40, line);
  for (int p = 2; p <= pages; ++p) {
    pdf.NewPage();
    pdf.SetOrigin(1);
    pdf.DrawTextAt(20, 40, u"page " + std::u16string(1, static_cast<char16_t>(u'0' + p)));
  }
  ASSERT_EQ(pdf.SaveDocumentFile(path.u16string()), 1);
}

class PageTextFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("ostrel-page-text-" + std::to_string(::getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path dir;
};

TEST_F(PageTextFiles, PagesOfOneFileAndAFileRewrittenInPlace) {
  fs::path path = dir / "doc.pdf";
  SaveTextPage(path, u"First version", 3);
  TOstrel pdf;
  EXPECT_NE(pdf.ExtractPageTextFromFile(path.u16string(), u"", 1, 0).find(u"First version"), std::u16string::npos);
  EXPECT_NE(pdf.ExtractPageTextFromFile(path.u16string(), u"", 3, 0).find(u"page 3"), std::u16string::npos);
  EXPECT_NE(pdf.ExtractPageTextFromFile(path.u16string(), u"", 2, 0).find(u"page 2"), std::u16string::npos);
  EXPECT_EQ(pdf.ExtractPageTextFromFile(path.u16string(), u"", 4, 0), u"");

  // Same name, same page count, other text: the kept file must not answer.
  SaveTextPage(path, u"Second version", 3);
  EXPECT_NE(pdf.ExtractPageTextFromFile(path.u16string(), u"", 1, 0).find(u"Second version"), std::u16string::npos);

  fs::remove(path);
  EXPECT_EQ(pdf.ExtractPageTextFromFile(path.u16string(), u"", 1, 0), u"");
  EXPECT_EQ(pdf.LastErrorCode, kErrCannotOpen);
}

}  // namespace
}  // namespace ostrel
