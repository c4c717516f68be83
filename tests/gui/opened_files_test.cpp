// Which conversion files given on the command line or dropped suggest.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/gui/opened_files.h"

namespace drevlin {
namespace {

namespace fs = std::filesystem;

TEST(OpenedFiles, KindsByExtensionThenByContent) {
  fs::path dir = fs::temp_directory_path() / ("drevlin-opened-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  auto write = [&](const std::string& name, const std::string& bytes) {
    std::ofstream((dir / name).string(), std::ios::binary) << bytes;
    return (dir / name).string();
  };
  struct Case {
    std::string Path;
    TFileKind Kind;
  } cases[] = {
      {"/nowhere/Report.PDF", TFileKind::Pdf},
      {"/nowhere/notes.txt", TFileKind::Text},
      {"/nowhere/scan.TIF", TFileKind::Image},
      {"/nowhere/photo.jpeg", TFileKind::Image},
      {"/nowhere/no-such-file", TFileKind::Unknown},
      // Without a known extension the first bytes decide.
      {write("download", "junk\n%PDF-1.4\n"), TFileKind::Pdf},
      {write("picture", "\x89PNG\r\n\x1A\n...."), TFileKind::Image},
      {write("fax", std::string("II*\0rest", 8)), TFileKind::Image},
      {write("letter.doc", "Dear reader"), TFileKind::Unknown},
      {write("empty", ""), TFileKind::Unknown},
  };
  for (const Case& c : cases) EXPECT_EQ(KindOfFile(c.Path), c.Kind) << c.Path;
  fs::remove_all(dir);
}

TEST(OpenedFiles, FirstFileChoosesTheModeAndTheInputs) {
  struct Case {
    std::vector<std::string> Paths;
    int CurrentMode;
    TConvertMode Mode;
    std::vector<std::string> Inputs;
  } cases[] = {
      {{"a.pdf"}, kModePdfToText, kModePdfToText, {"a.pdf"}},
      {{"a.pdf"}, kModeImagesToPdf, kModePdfToImages, {"a.pdf"}},
      {{"a.pdf"}, kModeNone, kModePdfToImages, {"a.pdf"}},
      {{"a.pdf", "b.pdf"}, kModeSplitPdf, kModeSplitPdf, {"a.pdf"}},
      {{"t.txt", "a.pdf"}, kModePdfToImages, kModeTextToPdf, {"t.txt"}},
      {{"x.png", "t.txt", "y.GIF"}, kModePdfToImages, kModeImagesToPdf, {"x.png", "y.GIF"}},
      {{"/nowhere/odd.bin", "a.pdf"}, kModePdfToImages, kModeNone, {"/nowhere/odd.bin"}},
      {{}, kModePdfToImages, kModeNone, {}},
  };
  for (const Case& c : cases) {
    TOpenPlan plan = PlanOpenedFiles(c.Paths, c.CurrentMode);
    EXPECT_EQ(plan.Mode, c.Mode) << c.Paths.size() << " files, first " << (c.Paths.empty() ? "" : c.Paths[0]);
    EXPECT_EQ(plan.Inputs, c.Inputs);
  }
}

}  // namespace
}  // namespace drevlin
