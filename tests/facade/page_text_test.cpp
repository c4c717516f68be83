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

TEST_F(PageTextFiles, OnePassGivesWhatPageCallsGive) {
  fs::path path = dir / "doc.pdf";
  SaveTextPage(path, u"First page", 3);
  const std::vector<int> pages = {2, 1, 4, 3, 3};
  TOstrel single;
  for (int options : {0, 2, 7}) {
    SCOPED_TRACE(options);
    TOstrel pdf;
    std::vector<std::pair<int, std::u16string>> got;
    EXPECT_EQ(pdf.ExtractPagesTextFromFile(path.u16string(), u"", pages, options, [&](int page, std::u16string text) {
      got.emplace_back(page, std::move(text));
      return true;
    }), 1);
    ASSERT_EQ(got.size(), pages.size());
    for (size_t i = 0; i < pages.size(); ++i) {
      EXPECT_EQ(got[i].first, pages[i]);
      EXPECT_EQ(got[i].second, single.ExtractPageTextFromFile(path.u16string(), u"", pages[i], options)) << i;
    }
    EXPECT_NE(got[1].second.find(u"First page"), std::u16string::npos);
    EXPECT_EQ(got[2].second, u"");
  }

  // The receiver ends the pass; a file that cannot be opened gives no page.
  int calls = 0;
  TOstrel pdf;
  pdf.ExtractPagesTextFromFile(path.u16string(), u"", pages, 0, [&](int, std::u16string) { return ++calls < 2; });
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(pdf.ExtractPagesTextFromFile((dir / "none.pdf").u16string(), u"", pages, 0,
                                         [&](int, std::u16string) { return ++calls > 0; }), 0);
  EXPECT_EQ(pdf.LastErrorCode, kErrCannotOpen);
  EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace ostrel
