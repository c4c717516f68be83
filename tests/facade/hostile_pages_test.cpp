// Pages whose streams decode to far more than any real page: every
// conversion of them ends quickly with error 414 (or, where nothing is
// decoded, with a correct output), and a stream listed several times in
// /Contents is read as often as listed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "core/flate_bomb.h"
#include "pdf/facade/ostrel.h"
#include "pdf/render/output/page_output.h"
#include "platform/file_io.h"

namespace ostrel {
namespace {

namespace fs = std::filesystem;

class HostilePages : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) / ("hostile_pages_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::u16string Write(const char* name, const std::string& bytes) {
    EXPECT_TRUE(WriteWholeFile((dir_ / name).string(), bytes));
    return (dir_ / name).u16string();
  }
  fs::path dir_;
};

TEST_F(HostilePages, AGibibyteOfContentFailsEveryDecodingConversion) {
  const std::string bomb = testing::FlateBomb(size_t{1} << 30, "BT /F1 12 Tf 10 10 Td (Hello) Tj ET\n");
  ASSERT_LT(bomb.size(), size_t{1100} << 10);
  for (const char* contents : {"4 0 R", "[4 0 R 4 0 R 4 0 R]"}) {
    SCOPED_TRACE(contents);
    const std::u16string input = Write("bomb.pdf", testing::PageOverStream(contents, bomb));
    TOstrel pdf;
    ASSERT_EQ(pdf.LoadDocumentFile(input, u""), 1);
    try {
      pdf.RenderPagesToFiles(72, 1, 1, kPagePNG, (dir_ / "page.png").u16string());
      ADD_FAILURE() << "the page rendered";
    } catch (const TPageOutputError& error) {
      EXPECT_EQ(error.Code, kErrDecodeBudget);
      EXPECT_NE(std::string(error.what()).find("page 1 decodes to more data than a page may"), std::string::npos) << error.what();
    }
    EXPECT_EQ(pdf.LastErrorCode, kErrDecodeBudget);
    EXPECT_FALSE(fs::exists(dir_ / "page1.png"));

    EXPECT_EQ(pdf.ExtractPageTextFromFile(input, u"", 1, 0), u"");
    EXPECT_EQ(pdf.LastErrorCode, kErrDecodeBudget);

    // Copying pages decodes nothing: the stream goes over as it is.
    EXPECT_EQ(pdf.ExtractPagesToFile(input, u"", (dir_ / "copy.pdf").u16string(), u"1"), 1);
    EXPECT_NE(ReadWholeFile((dir_ / "copy.pdf").string())->find(bomb.substr(0, 4096)), std::string::npos);
  }
}

TEST_F(HostilePages, AStreamListedThreeTimesIsReadThreeTimes) {
  const std::u16string input =
      Write("thrice.pdf", testing::PageOverStream("[4 0 R 4 0 R 4 0 R]", testing::FlateBomb(0, "1 0 0 1 0 30 cm BT /F1 12 Tf 10 10 Td (Hi) Tj ET")));
  TOstrel pdf;
  ASSERT_EQ(pdf.LoadDocumentFile(input, u""), 1);
  std::u16string text = pdf.ExtractPageTextFromFile(input, u"", 1, 0);
  EXPECT_EQ(pdf.LastErrorCode, kErrNone);
  size_t count = 0;
  for (size_t at = text.find(u"Hi"); at != std::u16string::npos; at = text.find(u"Hi", at + 1)) ++count;
  EXPECT_EQ(count, 3u) << std::string(text.begin(), text.end());
  EXPECT_EQ(pdf.RenderPagesToFiles(72, 1, 1, kPagePNG, (dir_ / "page.png").u16string()), 1);
}

TEST_F(HostilePages, AnImageOverAGibibyteStreamDecodesOnlyWhatItShows) {
  const std::string image = "/Type /XObject /Subtype /Image /Width 100 /Height 100 /ColorSpace /DeviceGray "
                            "/BitsPerComponent 8";
  auto render = [&](const std::string& encoded) {
    const std::u16string input = Write("image.pdf", testing::PageOverStream("5 0 R", encoded, image));
    TOstrel pdf;
    EXPECT_EQ(pdf.LoadDocumentFile(input, u""), 1);
    EXPECT_EQ(pdf.RenderPagesToFiles(72, 1, 1, kPagePNG, (dir_ / "page.png").u16string()), 1);
    return ReadWholeFile((dir_ / "page1.png").string()).value_or("");
  };
  const std::string exact = render(testing::FlateBomb(0, std::string(100 * 100, '\0')));
  ASSERT_FALSE(exact.empty());
  EXPECT_EQ(render(testing::FlateBomb(size_t{1} << 30)), exact);
}

}  // namespace
}  // namespace ostrel
