// RenderPagesToFiles through the facade: the page range it settles on, the
// resolution it hands down, and the selected page it puts back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "pdf/facade/ostrel.h"
#include "platform/file_io.h"
#include "tests/render/output/page_writer_test_support.h"

namespace ostrel {
namespace {

namespace fs = std::filesystem;

class FacadeRender : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) / ("facade_render_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    // Three pages: 612 x 792, 200 x 100, 300 x 150 points.
    pdf_.SetPageSize(200, 100);
    pdf_.NewPage();
    pdf_.SetPageSize(200, 100);
    pdf_.NewPage();
    pdf_.SetPageSize(300, 150);
    pdf_.SelectPage(1);
    pdf_.SetPageSize(612, 792);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::u16string Pattern(const char* name) {
    std::string path = (dir_ / name).string();
    return std::u16string(path.begin(), path.end());
  }
  // Width and height from a PNG's IHDR.
  std::pair<uint32_t, uint32_t> PngSize(const char* name) {
    auto bytes = ReadWholeFile((dir_ / name).string());
    if (!bytes || bytes->size() < 24) return {0, 0};
    return {test::BE32(*bytes, 16), test::BE32(*bytes, 20)};
  }
  fs::path dir_;
  TOstrel pdf_;
};

TEST_F(FacadeRender, RangeIsSwappedAndClampedAndSelectionKept) {
  ASSERT_EQ(pdf_.PageCount(), 3);
  pdf_.SelectPage(1);
  EXPECT_EQ(pdf_.RenderPagesToFiles(72, 5, 2, kFormatPNG, Pattern("p.png")), 1);
  EXPECT_EQ(pdf_.SelectedPage(), 1);
  EXPECT_FALSE(fs::exists(dir_ / "p1.png"));
  EXPECT_EQ(PngSize("p2.png"), (std::pair<uint32_t, uint32_t>{200, 100}));
  EXPECT_EQ(PngSize("p3.png"), (std::pair<uint32_t, uint32_t>{300, 150}));
  EXPECT_FALSE(fs::exists(dir_ / "p4.png"));
}

TEST_F(FacadeRender, DpiIsScaled) {
  pdf_.DPIScale = 2;
  EXPECT_EQ(pdf_.RenderPagesToFiles(36, 2, 2, kFormatPNG, Pattern("s.png")), 1);
  EXPECT_EQ(PngSize("s2.png"), (std::pair<uint32_t, uint32_t>{200, 100}));
}

TEST_F(FacadeRender, WriteFailureEscapesWith403AndRestoresSelection) {
  pdf_.SelectPage(2);
  try {
    pdf_.RenderPagesToFiles(72, 1, 3, kFormatBMP, Pattern("absent/p.bmp"));
    FAIL() << "no error";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find("p1.bmp"), std::string::npos) << error.what();
    EXPECT_NE(std::string(error.what()).find("(error 403)"), std::string::npos) << error.what();
  }
  EXPECT_EQ(pdf_.LastErrorCode, kErrCannotWriteOutput);
  EXPECT_EQ(pdf_.SelectedPage(), 2);
  // The next call starts afresh.
  EXPECT_EQ(pdf_.RenderPagesToFiles(72, 1, 1, kFormatBMP, Pattern("p.bmp")), 1);
  EXPECT_EQ(pdf_.LastErrorCode, 0);
}

}  // namespace
}  // namespace ostrel
