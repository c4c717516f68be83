// Conversion requests run straight through TConverter, as the command line
// runs them: outputs that would replace an input are refused in every mode.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/converter.h"
#include "core/flate_bomb.h"

namespace drevlin {
namespace {

namespace fs = std::filesystem;

class RecordingEvents : public TConversionEvents {
 public:
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void ReportFailure(const TFailure& failure) override { failures.push_back(failure); }
  std::vector<std::string> messages;
  std::vector<TFailure> failures;
};

class ConverterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("drevlin-converter-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string Path(const std::string& name) { return (dir / name).string(); }
  std::string Write(const std::string& name, const std::string& bytes) {
    std::ofstream(Path(name), std::ios::binary) << bytes;
    return Path(name);
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }
  // A one-page PDF with text, made by the converter itself.
  std::string MakePdf(const std::string& name) {
    TConversionRequest request;
    request.Mode = kModeTextToPdf;
    request.Inputs = {Write(name + ".txt", "one line of text\n")};
    request.Output = Path(name);
    EXPECT_TRUE(converter.Run(request).Ok);
    return request.Output;
  }

  fs::path dir;
  RecordingEvents events;
  TConverter converter{events};
};

TEST_F(ConverterTest, AnOutputThatIsAnInputIsRefusedAndTheInputKept) {
  std::string pdf = MakePdf("book1.pdf");
  std::string text = Write("notes.txt", "a line\n");
  fs::create_symlink(pdf, Path("link.pdf"));
  fs::create_hard_link(text, Path("hard.txt"));
  fs::copy_file(pdf, Path("scan1.png"));
  struct Case {
    const char* Name;
    TConvertMode LoadMode;
    TConvertMode WriteMode;
    std::vector<std::string> Inputs;
    std::string Output;
    std::string Victim;  // the input the output would replace
  } cases[] = {
      {"pdf to text onto its input", kModePdfToText, kModePdfToText, {pdf}, pdf, pdf},
      {"pdf to text through a symbolic link", kModePdfToText, kModePdfToText, {pdf}, Path("link.pdf"), pdf},
      {"text to pdf onto its input", kModeTextToPdf, kModeTextToPdf, {text}, text, text},
      {"text to pdf through a hard link", kModeTextToPdf, kModeTextToPdf, {text}, Path("hard.txt"), text},
      {"images to pdf onto one of them", kModeImagesToPdf, kModeImagesToPdf, {text, pdf}, pdf, pdf},
      {"split: page 1 of book.pdf is book1.pdf", kModeSplitPdf, kModeSplitPdf, {pdf}, Path("book.pdf"), pdf},
      {"pages: page 1 of scan.png is scan1.png", kModePdfToImages, kModePdfToImages, {Path("scan1.png")},
       Path("scan.png"), Path("scan1.png")},
      {"a loaded PDF saved over itself", kModePdfToImages, kModeTextToPdf, {pdf}, Path("link.pdf"), pdf},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::string before = Read(c.Victim);
    TConversionRequest request;
    request.Mode = c.LoadMode;
    request.Inputs = c.Inputs;
    request.Output = c.Output;
    converter.Load(request);
    events.failures.clear();
    request.Mode = c.WriteMode;
    EXPECT_FALSE(converter.Write(request).Ok);
    ASSERT_EQ(events.failures.size(), 1u);
    EXPECT_EQ(events.failures[0].Kind, TFailureKind::OutputIsInput);
    EXPECT_EQ(Read(c.Victim), before);
  }
  EXPECT_FALSE(fs::exists(Path("book2.pdf")));
}

TEST_F(ConverterTest, APageDecodingToAGibibyteFailsWithOneLineAndNoOutput) {
  const std::string input = Write("bomb.pdf", ostrel::testing::PageOverStream(
      "4 0 R", ostrel::testing::FlateBomb(size_t{1} << 30, "BT /F1 12 Tf 10 10 Td (Hello) Tj ET\n")));
  for (TConvertMode mode : {kModePdfToImages, kModePdfToText}) {
    SCOPED_TRACE(mode);
    events.failures.clear();
    TConversionRequest request;
    request.Mode = mode;
    request.Inputs = {input};
    request.Output = Path(mode == kModePdfToText ? "bomb.txt" : "bomb.png");
    EXPECT_FALSE(converter.Run(request).Ok);
    ASSERT_EQ(events.failures.size(), 1u);
    EXPECT_EQ(events.failures[0].Kind, TFailureKind::TooMuchData);
    const std::string line = DescribeFailure(events.failures[0]);
    EXPECT_EQ(line.rfind(input + ": too much data to decode (page 1", 0), 0u) << line;
    EXPECT_NE(line.find("error 414"), std::string::npos) << line;
    for (const auto& entry : fs::directory_iterator(dir)) EXPECT_NE(entry.path().extension(), mode == kModePdfToText ? ".txt" : ".png");
  }
}

// Page text reads the file a second time: a file that has meanwhile turned
// into something else fails, instead of giving a text file of empty pages.
TEST_F(ConverterTest, TextOfAFileThatChangedSinceLoadingFails) {
  const std::string pdf = MakePdf("book.pdf");
  for (const char* replacement : {"", "not a PDF at all"}) {
    SCOPED_TRACE(replacement);
    events.failures.clear();
    TConversionRequest request;
    request.Mode = kModePdfToText;
    request.Inputs = {pdf};
    request.Output = Path("book.txt");
    ASSERT_TRUE(converter.Load(request).Ok);
    if (*replacement) Write("book.pdf", replacement); else fs::remove(pdf);
    EXPECT_FALSE(converter.Write(request).Ok);
    ASSERT_EQ(events.failures.size(), 1u);
    EXPECT_EQ(events.failures[0].Kind, *replacement ? TFailureKind::NotPdf : TFailureKind::NoSuchFile);
    EXPECT_FALSE(fs::exists(request.Output));
    MakePdf("book.pdf");
  }
}

TEST_F(ConverterTest, PageFilesAreReportedOneByOneAndCancelStopsAfterTheCurrentPage) {
  TConversionRequest built;
  built.Mode = kModeTextToPdf;
  built.Inputs = {Write("long.txt", std::string(100, '\n'))};  // three pages
  built.Output = Path("long.pdf");
  ASSERT_TRUE(converter.Run(built).Ok);

  struct Cancelling : RecordingEvents {
    void ReportProgress(int done, int total) override { progress.push_back(done); }
    bool CancelRequested() override { return progress.size() >= 3; }  // 0 and page 1 seen
    std::vector<int> progress;
  } cancelling;
  TConverter pages(cancelling);
  TConversionRequest request;
  request.Mode = kModePdfToImages;
  request.Inputs = {built.Output};
  request.Output = Path("page.bmp");
  request.Format = *ImageFormatNamed("bmp");
  TStepResult result = pages.Run(request);
  EXPECT_TRUE(result.Ok);
  EXPECT_EQ(result.Written, 2);
  EXPECT_EQ(cancelling.progress, (std::vector<int>{0, 1, 2}));
  EXPECT_TRUE(fs::exists(Path("page2.bmp")));
  EXPECT_FALSE(fs::exists(Path("page3.bmp")));

  // Two jobs cancelled at once: however far the threads got, the count
  // reported is the count of files written.
  struct CancelledAtOnce : RecordingEvents {
    bool CancelRequested() override { return true; }
  } atOnce;
  TConverter parallel(atOnce);
  request.Output = Path("par.bmp");
  request.Jobs = 2;
  result = parallel.Run(request);
  int files = 0;
  for (int page = 1; page <= 3; ++page) files += fs::exists(Path("par" + std::to_string(page) + ".bmp"));
  EXPECT_EQ(result.Written, files);
}

}  // namespace
}  // namespace drevlin
