#pragma once
// The converter's logic behind the main window: its state, the Select and
// Convert steps of the five conversions, start-up and shutdown. Free of any
// user-interface library, so the window and the command line share it.
#include <memory>
#include <string>
#include <vector>

#include "app/conversion_host.h"
#include "pdf/facade/ostrel.h"

namespace drevlin {

enum TConvertMode : int {
  kModeNone = -1,
  kModePdfToImages = 0,
  kModePdfToText = 1,
  kModeTextToPdf = 2,
  kModeImagesToPdf = 3,
  kModeSplitPdf = 4,
};

inline constexpr const char* kProductName = "Drevlin PDF Converter";
inline constexpr const char* kProductVersion = "1.0";

// Outcome of a step, for callers that need more than the window shows.
struct TStepResult {
  bool Ok = true;       // nothing failed
  int Skipped = 0;      // inputs left out (unreadable images)
  int Written = 0;      // output files written
};

class TConversionController {
 public:
  explicit TConversionController(TConversionHost& host);

  void FormCreate(const std::string& executablePath);
  void FormShow();
  void FormClose();

  void rgConvertClick(int index) { ConvertMode = index; }
  void ButtonSelectDirClick(const std::string& folder) { SetOutputDir(folder); }
  // The output folder, always ending with "/" so that it can prefix names.
  void SetOutputDir(const std::string& folder);

  TStepResult SelectInput(const std::vector<std::string>& paths);
  TStepResult ConvertSelected();
  TStepResult SaveBuiltDocument(const std::string& path);

  bool ConvertEnabled() const { return convertEnabled_; }
  ostrel::TOstrel& Pdf() { return *pdf_; }

  int ConvertMode = kModePdfToImages;
  std::string InputPath;
  std::string InputName;
  std::string InputBaseName;
  std::string SplitBase;
  std::string OutputDir;
  std::string AppDir;
  std::string ProductName = kProductName;
  std::string ProductVersion = kProductVersion;
  std::string Language = "English";

  // Extras the command line sets; the window leaves the defaults.
  std::string Password;            // for encrypted inputs
  int Dpi = 72;                    // rendering resolution
  std::vector<int> Pages;          // pages to convert; empty means all
  std::string ImageOutputName;     // mode 0: explicit output name instead of the document's
  int Jobs = 1;                    // mode 0: pages rendered by this many threads at once
  int TextOptions = 0;             // mode 1: the facade's page text option (0 plain text)

 private:
  void NewFacade();
  TStepResult LoadPdfInput();
  TStepResult TypesetText();
  TStepResult PlaceImages(const std::vector<std::string>& paths);
  TStepResult RenderImages();
  bool RenderRun(ostrel::TOstrel& pdf, int first, int last, int format, const std::string& target,
                 std::string& failure);
  bool RenderInParallel(const std::vector<int>& pages, int format, const std::string& target,
                        std::string& failure);
  TStepResult ExtractText();
  TStepResult SplitPages();
  std::vector<int> SelectedPages();

  TConversionHost& host_;
  std::unique_ptr<ostrel::TOstrel> pdf_;
  bool convertEnabled_ = false;
  bool inputLoaded_ = false;  // the last Select step of a PDF mode loaded its file
};

// File-name helpers shared with the command line.
std::string FileNamePart(const std::string& path);
std::string DirectoryPart(const std::string& path);  // with its trailing "/", or ""
// Name up to, not including, its last "."; empty when there is none.
std::string BaseNameOf(const std::string& name);
// path without the extension of its last component (folders may hold dots).
std::string StripExtension(const std::string& path);
std::string ReplaceExtension(const std::string& name, const std::string& extension);

}  // namespace drevlin
