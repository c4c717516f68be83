// The conversion controller driven through a scripted host, as the window
// and the command line drive it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/conversion_controller.h"
#include "app/text_lines.h"

namespace drevlin {
namespace {

namespace fs = std::filesystem;

class ScriptedHost : public TConversionHost {
 public:
  std::optional<TSaveChoice> AskSave(const TSaveRequest& request) override {
    requests.push_back(request);
    if (!answer) return std::nullopt;
    return answer;
  }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void ReportFailure(const TFailure& failure) override { failures.push_back(DescribeFailure(failure)); }
  // Cancel arrives once this many progress reports have come.
  void ReportProgress(int, int) override { ++reports; }
  bool CancelRequested() override { return cancelAfter >= 0 && reports > cancelAfter; }

  int reports = 0;
  int cancelAfter = -1;

  std::optional<TSaveChoice> answer;
  std::vector<TSaveRequest> requests;
  std::vector<std::string> messages;
  std::vector<std::string> failures;
};

class ControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("drevlin-controller-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    controller.FormCreate((dir / "drevlin-pdf-converter").string());
    controller.FormShow();
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string Write(const std::string& name, const std::string& bytes) {
    std::string path = (dir / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  fs::path dir;
  ScriptedHost host;
  TConversionController controller{host};
};

TEST_F(ControllerTest, StartsWithConvertDisabledAndOutputInTheProgramFolder) {
  EXPECT_FALSE(controller.ConvertEnabled());
  EXPECT_EQ(controller.OutputDir, dir.string() + "/");
  EXPECT_EQ(controller.AppDir, dir.string() + "/");
  EXPECT_EQ(controller.ProductName + " " + controller.ProductVersion, "Drevlin PDF Converter 1.0");
}

TEST_F(ControllerTest, OutputFolderAlwaysEndsWithASeparator) {
  controller.ButtonSelectDirClick("/tmp/out");
  EXPECT_EQ(controller.OutputDir, "/tmp/out/");
  controller.SetOutputDir("/tmp/out2/");
  EXPECT_EQ(controller.OutputDir, "/tmp/out2/");
}

TEST_F(ControllerTest, NoModeSelectedDoesNothing) {
  controller.rgConvertClick(kModeNone);
  EXPECT_FALSE(controller.SelectInput({Write("a.pdf", "x")}).Ok);
  EXPECT_FALSE(controller.ConvertEnabled());
  EXPECT_FALSE(controller.ConvertSelected().Ok);
  EXPECT_TRUE(host.requests.empty());
}

TEST_F(ControllerTest, FailedLoadIsReportedAndConvertsNothing) {
  for (int mode : {kModePdfToImages, kModePdfToText, kModeSplitPdf}) {
    host.failures.clear();
    host.requests.clear();
    controller.rgConvertClick(mode);
    std::string path = Write("notes.pdf", "this is not a PDF file");
    EXPECT_FALSE(controller.SelectInput({path}).Ok);
    ASSERT_EQ(host.failures.size(), 1u);
    EXPECT_EQ(host.failures[0], path + ": not a PDF file");
    EXPECT_EQ(controller.InputName, "notes.pdf");
    EXPECT_EQ(controller.InputBaseName, "notes");
    EXPECT_TRUE(controller.ConvertEnabled());

    host.answer = TSaveChoice{(dir / "out.pdf").string(), 3};
    EXPECT_FALSE(controller.ConvertSelected().Ok);
    EXPECT_TRUE(host.requests.empty()) << "mode " << mode;
    EXPECT_FALSE(fs::exists(dir / "1.png"));
  }
}

TEST_F(ControllerTest, MissingInputIsReported) {
  controller.rgConvertClick(kModePdfToImages);
  EXPECT_FALSE(controller.SelectInput({(dir / "missing.pdf").string()}).Ok);
  ASSERT_EQ(host.failures.size(), 1u);
  EXPECT_NE(host.failures[0].find("missing.pdf"), std::string::npos);
}

TEST_F(ControllerTest, UnreadableImagesAreSkippedAndReported) {
  controller.rgConvertClick(kModeImagesToPdf);
  std::string bad = Write("bad.png", "not an image");
  TStepResult result = controller.SelectInput({bad, (dir / "missing.jpg").string()});
  EXPECT_FALSE(result.Ok);
  EXPECT_EQ(result.Skipped, 2);
  ASSERT_EQ(host.failures.size(), 2u);
  EXPECT_EQ(host.failures[0], bad + ": not a readable image; left out");
  // Nothing was placed: the document keeps its one blank start page.
  EXPECT_EQ(controller.Pdf().PageCount(), 1);
}

TEST_F(ControllerTest, CancelledSaveDialogDoesNothing) {
  controller.rgConvertClick(kModeTextToPdf);
  controller.SelectInput({Write("lines.txt", "")});
  host.answer.reset();
  EXPECT_TRUE(controller.ConvertSelected().Ok);
  ASSERT_EQ(host.requests.size(), 1u);
  EXPECT_EQ(host.requests[0].InitialName, "pdf_from_text.pdf");
  EXPECT_EQ(host.requests[0].InitialDir, controller.OutputDir);
}

TEST_F(ControllerTest, BuiltDocumentIsSavedWithTheProductAsCreator) {
  controller.rgConvertClick(kModeTextToPdf);
  controller.SelectInput({Write("empty.txt", "")});
  std::string target = (dir / "built.pdf").string();
  host.answer = TSaveChoice{target, 1};
  EXPECT_TRUE(controller.ConvertSelected().Ok);
  EXPECT_TRUE(fs::exists(target));
  EXPECT_EQ(controller.Pdf().DocumentInfo(5), u"Drevlin PDF Converter");
  EXPECT_EQ(controller.Pdf().DocumentInfo(6), u"Drevlin PDF Converter");
  EXPECT_EQ(controller.Pdf().PageCount(), 1);
}

TEST_F(ControllerTest, CancelledStepsKeepNothingHalfDone) {
  // Images: the load stops after the first file, and the Select step that
  // was cancelled leaves nothing selected.
  controller.rgConvertClick(kModeImagesToPdf);
  std::string bad = Write("bad.png", "x");
  auto request = controller.SelectRequest({bad, bad, bad});
  ASSERT_TRUE(request);
  host.cancelAfter = 0;
  controller.Converter().Load(*request);
  EXPECT_EQ(host.failures.size(), 1u);
  controller.FinishSelect(false);
  EXPECT_FALSE(controller.ConvertEnabled());
  EXPECT_FALSE(controller.Converter().PdfLoaded());

  // Page text: the file is only written whole, so a cancelled run writes none.
  host.cancelAfter = -1;
  controller.rgConvertClick(kModeTextToPdf);
  controller.SelectInput({Write("two.txt", "a\fb\n")});
  host.answer = TSaveChoice{(dir / "two.pdf").string(), 1};
  ASSERT_TRUE(controller.ConvertSelected().Ok);
  controller.rgConvertClick(kModePdfToText);
  controller.SelectInput({(dir / "two.pdf").string()});
  host.answer = TSaveChoice{"two.txt.out", 1};
  request = controller.ConvertRequest();
  ASSERT_TRUE(request);
  host.reports = 0;
  host.cancelAfter = 0;
  EXPECT_TRUE(controller.Converter().Write(*request).Ok);
  EXPECT_FALSE(fs::exists(dir / "two.txt.out"));
  host.cancelAfter = -1;
  EXPECT_EQ(controller.Converter().Write(*request).Written, 1);
  EXPECT_TRUE(fs::exists(dir / "two.txt.out"));
}

TEST(FileNames, ExtensionsBelongToTheLastComponentOnly) {
  EXPECT_EQ(StripExtension("/out/my.dir/book.pdf"), "/out/my.dir/book");
  EXPECT_EQ(StripExtension("/out/my.dir/book"), "/out/my.dir/book");
  EXPECT_EQ(StripExtension("book"), "book");
  EXPECT_EQ(BaseNameOf("report.final.pdf"), "report.final");
  EXPECT_EQ(BaseNameOf("report"), "");
  EXPECT_EQ(ReplaceExtension("report.pdf", ".png"), "report.png");
  EXPECT_EQ(ReplaceExtension("report", ".png"), "report.png");
  EXPECT_EQ(ReplaceExtension("x.d/scan", ".png"), "x.d/scan.png");
  EXPECT_EQ(FileNamePart("/a/b/c.pdf"), "c.pdf");
  EXPECT_EQ(DirectoryPart("/a/b/c.pdf"), "/a/b/");
  EXPECT_EQ(DirectoryPart("c.pdf"), "");
}

TEST(TextLines, AnyLineEndingAndNoEmptyLineAfterTheLastTerminator) {
  using Lines = std::vector<std::string_view>;
  EXPECT_EQ(SplitTextLines(""), Lines{});
  EXPECT_EQ(SplitTextLines("a\r\nb\rc\nd"), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitTextLines("a\n"), Lines{"a"});
  EXPECT_EQ(SplitTextLines("a\n\n"), (Lines{"a", ""}));
  EXPECT_EQ(SplitTextLines("\r\n\r\n"), (Lines{"", ""}));
}

}  // namespace
}  // namespace drevlin
