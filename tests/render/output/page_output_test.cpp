// Naming of page files and the page loop: which files appear, and what is
// left behind when a page fails.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "pdf/render/output/page_output.h"
#include "pdf/render/output/page_output_name.h"
#include "platform/file_io.h"
#include "tests/render/output/page_writer_test_support.h"

namespace ostrel {
namespace {

namespace fs = std::filesystem;

TEST(PageOutputName, NumberGoesBeforeTheExtensionOfTheLastComponent) {
  EXPECT_EQ(PageOutputName("out/report.png", 1), "out/report1.png");
  EXPECT_EQ(PageOutputName("out/report.png", 12), "out/report12.png");
  EXPECT_EQ(PageOutputName("out/scan", 2), "out/scan2");
  EXPECT_EQ(PageOutputName("out.d/scan", 3), "out.d/scan3");
  EXPECT_EQ(PageOutputName("out.d/scan.tar.gif", 3), "out.d/scan.tar3.gif");
  EXPECT_EQ(PageOutputName("scan.jpg", 4), "scan4.jpg");
}

TEST(PageOutputName, PercentPIsReplacedEverywhere) {
  EXPECT_EQ(PageOutputName("page%p-%p.png", 3), "page3-3.png");
  EXPECT_EQ(PageOutputName("dir%p/x.png", 7), "dir7/x.png");
  EXPECT_EQ(PageOutputName("100%.png", 2), "100%2.png");  // a lone % is not a pattern
}

class PageLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) / ("page_output_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, ec);
    fs::remove_all(dir_, ec);
  }
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  // Pages 10 + page pixels wide, one colour; fails on failPage.
  TPageRenderFunction Renderer(int failPage = 0) {
    return [this, failPage](int page, Bitmap& bitmap, std::string& text) {
      rendered_.push_back(page);
      if (page == failPage) throw std::runtime_error("page broke");
      bitmap = test::MakeBitmap(10 + page, 5, [](int, int) { return 0x336699u; });
      text = "page " + std::to_string(page);
    };
  }
  fs::path dir_;
  std::vector<int> rendered_;
};

TEST_F(PageLoop, OneFilePerPageInEveryFormat) {
  for (int format : {kPageBMP, kPageJPEG, kPagePNG, kPageGIF, kPageTIFF}) {
    SCOPED_TRACE(format);
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    TPageOutputSettings settings;
    settings.Format = format;
    std::string text;
    WritePageFiles(2, 3, settings, (dir_ / "doc.img").string(), Renderer(), text);
    EXPECT_EQ(Files(), (std::vector<std::string>{"doc2.img", "doc3.img"}));
    EXPECT_EQ(text, "page 3");
    auto bytes = ReadWholeFile((dir_ / "doc3.img").string());
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes, EncodePageBitmap(test::MakeBitmap(13, 5, [](int, int) { return 0x336699u; }), settings));
  }
}

TEST_F(PageLoop, FailingPageLeavesNoPartialFileAndKeepsEarlierOnes) {
  ASSERT_TRUE(WriteWholeFile((dir_ / "doc2.png").string(), "older"));
  std::string text;
  EXPECT_THROW(WritePageFiles(1, 3, {}, (dir_ / "doc.png").string(), Renderer(2), text), std::runtime_error);
  EXPECT_EQ(rendered_, (std::vector<int>{1, 2}));
  // Page 1 written, page 2's older file untouched, no temporary left.
  EXPECT_EQ(Files(), (std::vector<std::string>{"doc1.png", "doc2.png"}));
  EXPECT_EQ(*ReadWholeFile((dir_ / "doc2.png").string()), "older");
}

TEST_F(PageLoop, UnwritableFolderFailsBeforeRenderingWith403) {
  // A folder that is a plain file refuses everyone; a read-only folder
  // refuses everyone but root.
  ASSERT_TRUE(WriteWholeFile((dir_ / "plain").string(), ""));
  std::vector<std::pair<fs::path, std::string>> cases{{dir_ / "plain" / "doc.png", "Not a directory"}};
  fs::path locked = dir_ / "locked";
  fs::create_directories(locked);
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
  if (::geteuid() != 0) cases.push_back({locked / "doc.png", "Permission denied"});
  for (auto& [pattern, reason] : cases) {
    std::string text;
    try {
      WritePageFiles(1, 2, {}, pattern.string(), Renderer(), text);
      ADD_FAILURE() << "no error for " << pattern;
    } catch (const TPageOutputError& error) {
      EXPECT_EQ(error.Code, kPageOutputWriteError);
      EXPECT_EQ(std::string(error.what()), "cannot write " + PageOutputName(pattern.string(), 1) + ": " + reason);
    }
  }
  EXPECT_TRUE(rendered_.empty());
  fs::permissions(locked, fs::perms::owner_all);
}

TEST_F(PageLoop, MissingFolderAndUnknownFormatAreErrors) {
  std::string text;
  EXPECT_THROW(WritePageFiles(1, 1, {}, (dir_ / "absent" / "doc.png").string(), Renderer(), text),
               TPageOutputError);
  TPageOutputSettings wmf;
  wmf.Format = 2;
  EXPECT_THROW(WritePageFiles(1, 1, wmf, (dir_ / "doc.wmf").string(), Renderer(), text), TPageOutputError);
  EXPECT_TRUE(Files().empty());
}

TEST_F(PageLoop, NeverReplacesTheInputFile) {
  std::string input = (dir_ / "doc1.png").string();
  ASSERT_TRUE(WriteWholeFile(input, "%PDF-1.4 pretending"));
  std::string text;
  EXPECT_THROW(WritePageFiles(1, 1, {}, (dir_ / "doc.png").string(), Renderer(), text, input), TPageOutputError);
  EXPECT_EQ(*ReadWholeFile(input), "%PDF-1.4 pretending");
}

}  // namespace
}  // namespace ostrel
